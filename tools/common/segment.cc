#include "common/segment.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

namespace orvello {

double distance(const cv::Point& a, const cv::Point& b) {
  const int dx = a.x - b.x;
  const int dy = a.y - b.y;
  return std::hypot(static_cast<double>(dx), static_cast<double>(dy));
}

void Segment::draw(cv::Mat image, int thickness, const cv::Scalar& colour) const {
  cv::line(image, first, second, colour, thickness, cv::LINE_8, 0);
}

double Segment::length() const { return distance(first, second); }

}  // namespace orvello
