#include "common/image_io.h"

#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <sstream>
#include <vector>

#include "common/mask.h"

namespace orvello {
namespace {

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1a\n";
constexpr std::string_view kJpegStart = "\xff\xd8";

// Returns the whole file when it is a JPEG or PNG file (the checks below
// need it), else only its first bytes.
std::string ReadForChecks(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  std::string head(8, '\0');
  file.read(head.data(), 8);
  head.resize(file.gcount());
  if (head.substr(0, 2) != kJpegStart && head != kPngSignature) return head;
  std::ostringstream rest;
  rest << file.rdbuf();
  return head + rest.str();
}

// PNG colour types 4 (grey + alpha) and 6 (RGBA), or a transparency chunk
// (which comes before the image data).
bool PngHasAlpha(std::string_view bytes) {
  if (bytes.substr(0, 8) != kPngSignature || bytes.size() < 26) return false;
  const unsigned char colour_type = static_cast<unsigned char>(bytes[25]);
  return colour_type == 4 || colour_type == 6 ||
         bytes.substr(0, bytes.find("IDAT")).find("tRNS") != std::string_view::npos;
}

}  // namespace

bool IsTruncatedJpeg(std::string_view bytes) {
  if (bytes.substr(0, 2) != kJpegStart) return false;
  // Inside entropy-coded data 0xFF is always followed by 0x00 or a restart
  // marker, so the last start-of-scan marker is the last scan's.
  const size_t scan = bytes.rfind("\xff\xda");
  if (scan == std::string_view::npos) return true;
  return bytes.find("\xff\xd9", scan + 2) == std::string_view::npos;
}

cv::Mat LoadDrawing(const std::string& path) {
  const std::string bytes = ReadForChecks(path);
  if (IsTruncatedJpeg(bytes)) return cv::Mat();
  cv::Mat drawing = cv::imread(path, cv::IMREAD_COLOR);
  if (drawing.empty() || !PngHasAlpha(bytes)) return drawing;
  const cv::Mat full = cv::imread(path, cv::IMREAD_UNCHANGED);
  if (full.channels() != 4 || full.size() != drawing.size()) return drawing;
  cv::Mat alpha;
  cv::extractChannel(full, alpha, 3);
  if (alpha.depth() == CV_16U) alpha.convertTo(alpha, CV_8U, 1.0 / 257);
  return OnWhitePaper(drawing, alpha);
}

bool WriteImageFile(const std::string& name, const cv::Mat& image) {
  return cv::imwrite(name, image, std::vector<int>());
}

}  // namespace orvello
