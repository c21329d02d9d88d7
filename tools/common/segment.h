#ifndef ORVELLO_TOOLS_COMMON_SEGMENT_H_
#define ORVELLO_TOOLS_COMMON_SEGMENT_H_

#include <opencv2/core.hpp>

namespace orvello {

// Returns the Euclidean distance of a and b: hypot of the two coordinate
// differences, each taken in 32-bit integers and then converted to double.
double distance(const cv::Point& a, const cv::Point& b);

// One measured image row: two integer points, drawn on the water image and
// measured with length().
struct Segment {
  cv::Point first;
  cv::Point second;

  // Draws the straight line from first to second on image (which shares the
  // caller's pixels), 8-connected, without sub-pixel shift.
  void draw(cv::Mat image, int thickness, const cv::Scalar& colour) const;

  // Returns distance(first, second).
  double length() const;
};

}  // namespace orvello

#endif  // ORVELLO_TOOLS_COMMON_SEGMENT_H_
