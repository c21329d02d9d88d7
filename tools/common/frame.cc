#include "common/frame.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <sstream>

namespace orvello {

RunArgs TakeArgs(int argc, const char* const* argv, const RunArgs& defaults) {
  if (argc != 4) return defaults;
  return RunArgs{argv[1], std::atof(argv[2]), std::atof(argv[3])};
}

bool ArgsValid(const RunArgs& args) {
  if (!(std::isfinite(args.dpi) && args.dpi > 0 && std::isfinite(args.scale) && args.scale > 0)) {
    return false;
  }
  const double pixel_size = PixelSize(args.dpi, args.scale);
  return pixel_size >= kSmallestPixelSize && pixel_size <= kLargestPixelSize;
}

std::string VersionLine() {
  return "opencv version : " + std::to_string(CV_VERSION_MAJOR) + "." +
         std::to_string(CV_VERSION_MINOR);
}

void Say(std::string_view message) { std::cout << message << std::endl; }

int Fail(std::string_view message, int status) {
  Say(message);
  return status;
}

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

RunStart StartRun(int argc, const char* const* argv, const RunArgs& defaults) {
  Say(VersionLine());
  RunStart start{TakeArgs(argc, argv, defaults), cv::Mat(), kStatusDone};
  if (!ArgsValid(start.args)) {
    start.status = Fail(kBadArgumentsMessage, kStatusBadArguments);
    return start;
  }
  start.drawing = LoadDrawing(start.args.image_path);
  if (start.drawing.empty()) {
    start.status = Fail(std::string(kCannotReadImage) + start.args.image_path, kStatusUnreadable);
  }
  return start;
}

bool IsTruncatedJpeg(std::string_view bytes) {
  if (bytes.substr(0, 2) != kJpegStart) return false;
  // Inside entropy-coded data 0xFF is always followed by 0x00 or a restart
  // marker, so the last start-of-scan marker is the last scan's.
  const size_t scan = bytes.rfind("\xff\xda");
  if (scan == std::string_view::npos) return true;
  return bytes.find("\xff\xd9", scan + 2) == std::string_view::npos;
}

cv::Mat OnWhitePaper(const cv::Mat& colour, const cv::Mat& alpha) {
  cv::Mat alpha3;
  cv::cvtColor(alpha, alpha3, cv::COLOR_GRAY2BGR);
  cv::Mat coverage;
  alpha3.convertTo(coverage, CV_32FC3, 1.0 / 255);
  cv::Mat ink;
  colour.convertTo(ink, CV_32FC3);
  const cv::Mat white(colour.size(), CV_32FC3, cv::Scalar::all(255));
  cv::Mat blended = ink.mul(coverage) + white.mul(cv::Scalar::all(1) - coverage);
  cv::Mat result;
  blended.convertTo(result, CV_8UC3);
  return result;
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

bool AllInk(const cv::Mat& mask) {
  for (int y = 0; y < mask.rows; ++y) {
    const uchar* row = mask.ptr<uchar>(y);
    if (std::find_if(row, row + mask.cols, [](uchar v) { return v != 255; }) != row + mask.cols) {
      return false;
    }
  }
  return true;
}

cv::Mat Binarise(const cv::Mat& drawing, Smoothing smoothing) {
  cv::Mat mask;
  cv::cvtColor(drawing, mask, cv::COLOR_BGR2GRAY, 0);
  if (smoothing == Smoothing::kGaussian5x5) {
    // Smoothing first keeps isolated specks of a shaded silhouette from
    // becoming vessel pixels of their own.
    cv::GaussianBlur(mask, mask, cv::Size(5, 5), 0, 0, cv::BORDER_DEFAULT);
  }
  cv::threshold(mask, mask, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
  // Ink is darker than the paper: invert so that ink is 255.
  cv::bitwise_not(mask, mask);
  return mask;
}

double ResolutionFactor(double dpi) { return 300 / dpi; }

double PixelSize(double dpi, double scale) { return 2.54 / scale / dpi; }

double VolumeCl(double pixel_size, double disc_sum) {
  return std::pow(pixel_size, 3.0) * disc_sum / 10;
}

cv::Mat WaterImage(const cv::Mat& drawing, const std::vector<Segment>& rows) {
  return WaterImage(drawing.clone(), rows);
}

void DrawWaterRow(cv::Mat& image, const Segment& row) {
  if (row.first.y != row.second.y) {
    row.draw(image, kWaterThickness, kWaterBlue);
    return;
  }
  // A horizontal line of thickness 2 covers its own span on the rows above
  // and below, and one more pixel at each end on its own row: filling those
  // spans gives the same pixels as the general line drawing, three times
  // faster on a large drawing.
  const int y = row.first.y;
  const int x0 = std::min(row.first.x, row.second.x);
  const int x1 = std::max(row.first.x, row.second.x);
  const auto span = [&image](int yy, int from, int to) {
    from = std::max(from, 0);
    to = std::min(to, image.cols - 1);
    if (yy < 0 || yy >= image.rows || from > to) return;
    image.row(yy).colRange(from, to + 1).setTo(kWaterBlue);
  };
  span(y - 1, x0, x1);
  span(y, x0 - 1, x1 + 1);
  span(y + 1, x0, x1);
}

cv::Mat WaterImage(cv::Mat&& drawing, const std::vector<Segment>& rows) {
  cv::Mat water = std::move(drawing);
  for (const Segment& row : rows) DrawWaterRow(water, row);
  return water;
}

bool WriteImage(const std::string& name, const cv::Mat& image) {
  if (cv::imwrite(name, image, std::vector<int>())) return true;
  Say(std::string(kCannotWriteImage) + name);
  return false;
}

int EndStatus(bool images_written) { return images_written ? kStatusDone : kStatusWriteFailed; }

std::string FormatResults(std::span<const ResultLine> lines) {
  std::ostringstream text;
  for (const ResultLine& line : lines) {
    text << line.label << line.value << line.unit << '\n';
  }
  return text.str();
}

bool WriteResults(std::span<const ResultLine> lines, const std::string& path) {
  std::ofstream file(path);
  if (file.fail()) {
    Say(kCannotOpenResults);
    return false;
  }
  file << FormatResults(lines);
  return true;
}

}  // namespace orvello
