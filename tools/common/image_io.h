#ifndef ORVELLO_TOOLS_COMMON_IMAGE_IO_H_
#define ORVELLO_TOOLS_COMMON_IMAGE_IO_H_

// Reading drawings from files and writing images to files.

#include <cstdint>
#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "common/safe_file.h"

namespace orvello {

// The largest image a drawing may declare, in pixels: an A3 plate at 1200
// dpi. The environment variable ORVELLO_MAX_PIXELS changes it.
inline constexpr uint64_t kDefaultMaxPixels = 400'000'000;

// Returns ORVELLO_MAX_PIXELS when it is a whole number above 0, else
// kDefaultMaxPixels.
uint64_t MaxPixels();

// A drawing read from a file, or why it could not be.
struct LoadedDrawing {
  cv::Mat drawing;     // 8-bit BGR; empty when it cannot be read
  std::string reason;  // when empty and not a plain unreadable file, why:
                       // "not a regular file", "corrupt JPEG data",
                       // "W x H pixels, above the limit of N", ...
};

// Returns the drawing at `path` read in colour (8-bit BGR), decoded exactly
// as the image library decodes it, or why it cannot be read. Refused with
// a reason: a file that is not a regular file (FIFO, device, socket),
// checked before reading it; a file or image larger than `max_pixels`
// allow, checked from the header before decoding; a JPEG whose decoder
// reports corrupt data (bad codes, data missing or left over); an image the
// library fails on (an exception, memory). Refused without a reason, as
// unreadable: a missing file, a folder, a file that is not an image, a JPEG
// cut short (no end marker after its last scan: decoding it would invent
// the missing rows). A PNG file with transparency is laid on white paper,
// as it shows on screen, instead of showing its hidden colour. Never
// throws.
LoadedDrawing ReadDrawing(const std::string& path, uint64_t max_pixels = MaxPixels());

// Returns ReadDrawing(path).drawing.
cv::Mat LoadDrawing(const std::string& path);

// Returns the width and height an image file declares in its header, for
// PNG, JPEG, BMP and TIFF files; nothing for other files or a header that
// cannot be read.
std::optional<cv::Size_<uint64_t>> DeclaredSize(std::string_view bytes);

// Returns true when `bytes` start like a JPEG file but end before the end
// marker that follows its last scan.
bool IsTruncatedJpeg(std::string_view bytes);

// Returns true when `bytes` are a JPEG file whose decoder reports corrupt
// data: a bad code, a data segment that ends early, bytes left over before
// a marker, a file that ends early, a scan out of sequence.
bool IsCorruptJpeg(std::string_view bytes);

// Writes `image` to the file `name` (WriteWhole), encoded as JPEG or by
// the extension of `name` with default settings. Returns
// WriteOutcome::kIncomplete when the image library cannot encode it.
WriteOutcome WriteImageFile(const std::string& name, const cv::Mat& image);

}  // namespace orvello

#endif  // ORVELLO_TOOLS_COMMON_IMAGE_IO_H_
