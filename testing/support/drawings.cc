#include "support/drawings.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace orvello::testing {

std::string VersionText() {
  return "opencv version : " + std::to_string(CV_VERSION_MAJOR) + "." +
         std::to_string(CV_VERSION_MINOR) + "\n";
}

std::string JpegBytes(const cv::Mat& image, bool progressive) {
  std::vector<uchar> bytes;
  cv::imencode(".jpg", image, bytes, {cv::IMWRITE_JPEG_PROGRESSIVE, progressive ? 1 : 0});
  return std::string(bytes.begin(), bytes.end());
}

cv::Mat InkOnPaper(const cv::Mat& mask) {
  cv::Mat grey = 255 - mask;
  cv::Mat drawing;
  cv::cvtColor(grey, drawing, cv::COLOR_GRAY2BGR);
  return drawing;
}

cv::Mat SilhouetteDrawing() {
  cv::Mat drawing(300, 240, CV_8UC3, cv::Scalar(255, 255, 255));
  cv::ellipse(drawing, {120, 150}, {80, 110}, 0, 0, 360, cv::Scalar(0, 0, 0), cv::FILLED);
  return drawing;
}

cv::Mat MedianDrawing() {
  cv::Mat m = cv::Mat::zeros(700, 800, CV_8UC1);
  const std::vector<cv::Point> section = {{120, 60},  {140, 60},  {170, 560}, {400, 560},
                                          {400, 600}, {150, 600}, {110, 300}};
  cv::polylines(m, std::vector<std::vector<cv::Point>>{section}, true, 255, 2);
  cv::line(m, {400, 60}, {400, 600}, 255, 2);
  cv::line(m, {680, 60}, {690, 300}, 255, 2);
  cv::line(m, {690, 300}, {650, 600}, 255, 2);
  return InkOnPaper(m);
}

cv::Mat LeftEdgeDrawing(int blobs) {
  cv::Mat m = cv::Mat::zeros(1700, 1800, CV_8UC1);
  const std::vector<cv::Point> section = {{100, 100},  {160, 100},  {190, 1400}, {600, 1400},
                                          {600, 1500}, {120, 1500}, {80, 700}};
  cv::polylines(m, std::vector<std::vector<cv::Point>>{section}, true, 255, 3);
  cv::rectangle(m, cv::Rect(900, 80, 700, 1420), 255, 3);
  for (int i = 0; i < blobs; ++i) {
    cv::rectangle(m, cv::Rect(100 + 60 * i, 1600 + 20 * i, 20, 20), 255, cv::FILLED);
  }
  return InkOnPaper(m);
}

}  // namespace orvello::testing
