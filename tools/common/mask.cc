#include "common/mask.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace orvello {

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

}  // namespace orvello
