#ifndef ORVELLO_TESTING_SUPPORT_DRAWINGS_H_
#define ORVELLO_TESTING_SUPPORT_DRAWINGS_H_

// Small hand-made drawings of each category, and what the tests compare
// the tools' outputs with.

#include <opencv2/core.hpp>
#include <string>

namespace orvello::testing {

// Returns the version line the tools print first, with its line end.
std::string VersionText();

// Returns `image` encoded as JPEG with default settings (progressive when
// asked), as the tools write it.
std::string JpegBytes(const cv::Mat& image, bool progressive = false);

// Returns a drawing made from `mask` (255 ink): black ink on white paper, BGR.
cv::Mat InkOnPaper(const cv::Mat& mask);

// Returns a category-3 drawing: a filled jar, 240 x 300.
cv::Mat SilhouetteDrawing();

// Returns a category-2 drawing: section outlines left of a median line at
// column 400, the exterior outline on the right; 800 x 700.
cv::Mat MedianDrawing();

// Returns a category-1 drawing: the section as one closed outline whose foot
// runs to the axis at column 600, the exterior view apart on the right, and
// `blobs` small marks below the section, which come before the section in
// the contour list; 1800 x 1700.
cv::Mat LeftEdgeDrawing(int blobs = 0);

}  // namespace orvello::testing

#endif  // ORVELLO_TESTING_SUPPORT_DRAWINGS_H_
