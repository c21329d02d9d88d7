#include "common/image_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// clang-format off: jpeglib.h needs stdio.h first.
#include <jerror.h>
#include <jpeglib.h>

#include <cstdio>
// clang-format on

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <new>
#include <opencv2/imgcodecs.hpp>
#include <vector>

#include "common/mask.h"

namespace orvello {
namespace {

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1a\n";
constexpr std::string_view kJpegStart = "\xff\xd8";

// The most bytes per pixel an image file within the pixel limit needs
// (16-bit RGBA, uncompressed), and room for its headers.
constexpr uint64_t kMostBytesPerPixel = 8;
constexpr uint64_t kHeaderRoom = 1 << 20;

uint32_t Big(std::string_view b, size_t at, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
  return v;
}

uint32_t Little(std::string_view b, size_t at, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
  return v;
}

std::optional<cv::Size_<uint64_t>> TiffSize(std::string_view b) {
  const bool little = b.substr(0, 4) == std::string_view("II*\0", 4);
  if (!little && b.substr(0, 4) != std::string_view("MM\0*", 4)) return std::nullopt;
  const auto read = [&](size_t at, int n) { return little ? Little(b, at, n) : Big(b, at, n); };
  const uint64_t ifd = read(4, 4);
  if (ifd + 2 > b.size()) return std::nullopt;
  const uint32_t entries = read(ifd, 2);
  uint64_t width = 0, height = 0;
  for (uint32_t e = 0; e < entries && ifd + 2 + 12 * (e + 1) <= b.size(); ++e) {
    const size_t at = ifd + 2 + 12 * e;
    const uint32_t tag = read(at, 2), type = read(at + 2, 2);
    const uint64_t value = type == 3 ? read(at + 8, 2) : type == 4 ? read(at + 8, 4) : 0;
    if (tag == 256) width = value;
    if (tag == 257) height = value;
  }
  if (width == 0 || height == 0) return std::nullopt;
  return cv::Size_<uint64_t>(width, height);
}

// The libjpeg error manager of the strict check: an error, or a warning
// that tells of corrupt data, ends the decoding.
struct StrictErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  bool corrupt = false;
};

[[noreturn]] void OnError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<StrictErrors*>(info->err)->jump, 1);
}

void OnMessage(j_common_ptr info, int level) {
  if (level >= 0) return;  // trace messages
  const int code = info->err->msg_code;
  // Warnings about metadata that the pixels do not depend on.
  if (code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM || code == JWRN_BOGUS_ICC) return;
  reinterpret_cast<StrictErrors*>(info->err)->corrupt = true;
  std::longjmp(reinterpret_cast<StrictErrors*>(info->err)->jump, 1);
}

void Silent(j_common_ptr) {}

// How the strict decoding of a JPEG file ended.
enum class JpegCheck { kValid, kCorrupt, kFailed };

// Decodes every scan of `bytes` at an eighth of the size (all the coded
// data is read; only one row of small pixels is kept).
JpegCheck CheckJpeg(std::string_view bytes) {
  jpeg_decompress_struct info;
  StrictErrors errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = OnError;
  errors.manager.emit_message = OnMessage;
  errors.manager.output_message = Silent;
  jpeg_create_decompress(&info);
  std::vector<JSAMPLE> row;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return errors.corrupt ? JpegCheck::kCorrupt : JpegCheck::kFailed;
  }
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  info.scale_num = 1;
  info.scale_denom = 8;
  info.dct_method = JDCT_IFAST;
  info.do_fancy_upsampling = FALSE;
  jpeg_start_decompress(&info);
  row.resize(static_cast<size_t>(info.output_width) * info.output_components);
  JSAMPROW rows[] = {row.data()};
  while (info.output_scanline < info.output_height) jpeg_read_scanlines(&info, rows, 1);
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return JpegCheck::kValid;
}

// Reads the whole regular file `path`, checked before it is opened and
// again once open; sets `reason` when it is not a regular file or larger
// than `most` bytes. Returns false when it cannot be read.
bool ReadRegularFile(const std::string& path, uint64_t most, std::string& bytes,
                     std::string& reason) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) return false;
  if (!S_ISREG(status.st_mode)) {
    reason = "not a regular file";
    return false;
  }
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  if (!ok) reason = "not a regular file";
  if (ok && static_cast<uint64_t>(status.st_size) > most) {
    reason = "file too large";
    ok = false;
  }
  if (ok) {
    bytes.resize(static_cast<size_t>(status.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    bytes.resize(done);
  }
  close(fd);
  return ok;
}

// PNG colour types 4 (grey + alpha) and 6 (RGBA), or a transparency chunk
// (which comes before the image data).
bool PngHasAlpha(std::string_view bytes) {
  if (bytes.substr(0, 8) != kPngSignature || bytes.size() < 26) return false;
  const unsigned char colour_type = static_cast<unsigned char>(bytes[25]);
  return colour_type == 4 || colour_type == 6 ||
         bytes.substr(0, bytes.find("IDAT")).find("tRNS") != std::string_view::npos;
}

// The image library refuses, with an exception, any image above
// `max_pixels`: the limit for the formats whose header is not read here.
void LimitTheLibrary(uint64_t max_pixels) {
  static std::once_flag once;
  std::call_once(once, [max_pixels] {
    setenv("OPENCV_IO_MAX_IMAGE_PIXELS", std::to_string(max_pixels).c_str(), 1);
  });
}

cv::Mat Decode(const std::string& bytes, int flags) {
  const cv::Mat buffer(1, static_cast<int>(bytes.size()), CV_8U, const_cast<char*>(bytes.data()));
  return cv::imdecode(buffer, flags);
}

LoadedDrawing Decoded(const std::string& bytes) {
  cv::Mat drawing = Decode(bytes, cv::IMREAD_COLOR);
  if (drawing.empty() || !PngHasAlpha(bytes)) return {drawing, ""};
  const cv::Mat full = Decode(bytes, cv::IMREAD_UNCHANGED);
  if (full.channels() != 4 || full.size() != drawing.size()) return {drawing, ""};
  cv::Mat alpha;
  cv::extractChannel(full, alpha, 3);
  if (alpha.depth() == CV_16U) alpha.convertTo(alpha, CV_8U, 1.0 / 257);
  return {OnWhitePaper(drawing, alpha), ""};
}

}  // namespace

uint64_t MaxPixels() {
  const char* text = std::getenv("ORVELLO_MAX_PIXELS");
  if (text == nullptr || *text < '0' || *text > '9') return kDefaultMaxPixels;
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text, &end, 10);
  return *end == '\0' && errno == 0 && value > 0 ? value : kDefaultMaxPixels;
}

std::optional<cv::Size_<uint64_t>> DeclaredSize(std::string_view b) {
  if (b.substr(0, 8) == kPngSignature && b.size() >= 24 && b.substr(12, 4) == "IHDR") {
    return cv::Size_<uint64_t>(Big(b, 16, 4), Big(b, 20, 4));
  }
  if (b.substr(0, 2) == "BM" && b.size() >= 26) {
    if (Little(b, 14, 4) == 12) return cv::Size_<uint64_t>(Little(b, 18, 2), Little(b, 20, 2));
    const auto height = static_cast<int32_t>(Little(b, 22, 4));
    return cv::Size_<uint64_t>(Little(b, 18, 4),
                               static_cast<uint64_t>(std::abs(static_cast<int64_t>(height))));
  }
  if (b.size() >= 8 && (b[0] == 'I' || b[0] == 'M')) return TiffSize(b);
  if (b.substr(0, 2) == kJpegStart) {
    // The frame header (SOF0..SOF15 but DHT, JPG and DAC), found marker by
    // marker.
    size_t at = 2;
    while (at + 9 <= b.size() && static_cast<unsigned char>(b[at]) == 0xFF) {
      const unsigned char marker = static_cast<unsigned char>(b[at + 1]);
      if (marker == 0xFF) {
        ++at;
        continue;
      }
      if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
        return cv::Size_<uint64_t>(Big(b, at + 7, 2), Big(b, at + 5, 2));
      }
      at += 2 + Big(b, at + 2, 2);
    }
  }
  return std::nullopt;
}

bool IsTruncatedJpeg(std::string_view bytes) {
  if (bytes.substr(0, 2) != kJpegStart) return false;
  // Inside entropy-coded data 0xFF is always followed by 0x00 or a restart
  // marker, so the last start-of-scan marker is the last scan's.
  const size_t scan = bytes.rfind("\xff\xda");
  if (scan == std::string_view::npos) return true;
  return bytes.find("\xff\xd9", scan + 2) == std::string_view::npos;
}

bool IsCorruptJpeg(std::string_view bytes) {
  return bytes.substr(0, 2) == kJpegStart && CheckJpeg(bytes) == JpegCheck::kCorrupt;
}

namespace {

LoadedDrawing ReadOrThrow(const std::string& path, uint64_t max_pixels) {
  std::string bytes, reason;
  const uint64_t most_bytes = max_pixels > (UINT64_MAX - kHeaderRoom) / kMostBytesPerPixel
                                  ? UINT64_MAX
                                  : max_pixels * kMostBytesPerPixel + kHeaderRoom;
  if (!ReadRegularFile(path, most_bytes, bytes, reason)) return {cv::Mat(), reason};
  if (bytes.empty() || IsTruncatedJpeg(bytes)) return {};
  if (const auto size = DeclaredSize(bytes)) {
    if (size->width != 0 && size->height > max_pixels / size->width) {
      return {cv::Mat(), std::to_string(size->width) + " x " + std::to_string(size->height) +
                             " pixels, above the limit of " + std::to_string(max_pixels)};
    }
  }
  if (IsCorruptJpeg(bytes)) return {cv::Mat(), "corrupt JPEG data"};
  LimitTheLibrary(max_pixels);
  return Decoded(bytes);
}

}  // namespace

LoadedDrawing ReadDrawing(const std::string& path, uint64_t max_pixels) {
  try {
    return ReadOrThrow(path, max_pixels);
  } catch (const cv::Exception&) {
    return {cv::Mat(), "the image library cannot decode it"};
  } catch (const std::bad_alloc&) {
    return {cv::Mat(), "not enough memory"};
  }
}

cv::Mat LoadDrawing(const std::string& path) { return ReadDrawing(path).drawing; }

WriteOutcome WriteImageFile(const std::string& name, const cv::Mat& image) {
  std::vector<uchar> bytes;
  std::string extension = std::filesystem::path(name).extension().string();
  if (extension.empty()) extension = ".jpg";
  try {
    if (!cv::imencode(extension, image, bytes, std::vector<int>())) {
      return WriteOutcome::kIncomplete;
    }
  } catch (const cv::Exception&) {
    return WriteOutcome::kIncomplete;
  }
  return WriteWhole(name,
                    std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace orvello
