#ifndef ORVELLO_TOOLS_COMMON_IMAGE_IO_H_
#define ORVELLO_TOOLS_COMMON_IMAGE_IO_H_

// Reading drawings from files and writing images to files.

#include <opencv2/core.hpp>
#include <string>
#include <string_view>

namespace orvello {

// Returns the drawing at `path` read in colour (8-bit BGR), or an empty
// matrix when it cannot be read. A JPEG file cut short (no end marker after
// its last scan) cannot be read: decoding it would invent the missing rows.
// A PNG file with transparency is laid on white paper, as it shows on
// screen, instead of showing its hidden colour.
cv::Mat LoadDrawing(const std::string& path);

// Returns true when `bytes` start like a JPEG file but end before the end
// marker that follows its last scan.
bool IsTruncatedJpeg(std::string_view bytes);

// Writes `image` to the file `name`, as JPEG or by its extension, with
// default settings. Returns false when the image library reports failure.
bool WriteImageFile(const std::string& name, const cv::Mat& image);

}  // namespace orvello

#endif  // ORVELLO_TOOLS_COMMON_IMAGE_IO_H_
