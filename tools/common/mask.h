#ifndef ORVELLO_TOOLS_COMMON_MASK_H_
#define ORVELLO_TOOLS_COMMON_MASK_H_

// Pure arithmetic on drawings and their binary masks: binarisation, pixel
// size, volume, and the drawing of the water image. No input or output.

#include <opencv2/core.hpp>
#include <vector>

#include "common/segment.h"

namespace orvello {

// The constant the tools use for pi (eleven decimals, not full precision).
inline constexpr double kPi = 3.14159265359;

// The colour of the measured rows on the water image: blue, green, red, 0.
inline const cv::Scalar kWaterBlue(255, 0, 0, 0);
inline constexpr int kWaterThickness = 2;

// The pixel sizes, in centimetres, that a run accepts. Within them every
// value of a results file is finite and a volume does not vanish: its cube
// times the largest disc sum of a mask that fits in memory stays finite.
inline constexpr double kSmallestPixelSize = 1e-90;
inline constexpr double kLargestPixelSize = 1e90;

// Returns `colour` (8-bit BGR) laid over white paper with the coverage
// `alpha` (8-bit, one channel, same size): opaque pixels keep their value.
cv::Mat OnWhitePaper(const cv::Mat& colour, const cv::Mat& alpha);

// Returns true when `mask` has no paper at all: every pixel is 255. Such an
// image (an all-dark scan) holds no drawing.
bool AllInk(const cv::Mat& mask);

enum class Smoothing { kNone, kGaussian5x5 };

// Returns the binary mask of `drawing` (8-bit BGR): grey, optionally smoothed
// with a 5 x 5 Gaussian, Otsu threshold, inverted, so that ink is 255 and
// paper 0.
cv::Mat Binarise(const cv::Mat& drawing, Smoothing smoothing);

// Returns 300 / dpi: the factor by which offsets chosen for 300 dpi scale.
double ResolutionFactor(double dpi);

// Returns the length in centimetres of one pixel: 2.54 / scale / dpi.
double PixelSize(double dpi, double scale);

// Returns the volume in centilitres of `disc_sum` square pixels stacked one
// pixel high: pixel_size cubed times disc_sum, divided by 10.
double VolumeCl(double pixel_size, double disc_sum);

// Returns a deep copy of `drawing` with every row of `rows` drawn in blue at
// thickness 2.
cv::Mat WaterImage(const cv::Mat& drawing, const std::vector<Segment>& rows);

// Draws `row` on `image` in blue at thickness 2: the same pixels as
// row.draw(image, 2, kWaterBlue).
void DrawWaterRow(cv::Mat& image, const Segment& row);

// Returns the same image as above, drawn on `drawing` itself, which the
// caller gives up: a run's last use of the drawing saves the copy.
cv::Mat WaterImage(cv::Mat&& drawing, const std::vector<Segment>& rows);

}  // namespace orvello

#endif  // ORVELLO_TOOLS_COMMON_MASK_H_
