#include "common/frame.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace orvello {

RunArgs TakeArgs(int argc, const char* const* argv, const RunArgs& defaults) {
  if (argc != 4) return defaults;
  return RunArgs{argv[1], std::atof(argv[2]), std::atof(argv[3])};
}

bool ArgsValid(const RunArgs& args) {
  return std::isfinite(args.dpi) && args.dpi > 0 && std::isfinite(args.scale) &&
         args.scale > 0;
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

cv::Mat LoadDrawing(const std::string& path) {
  return cv::imread(path, cv::IMREAD_COLOR);
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
  cv::Mat water = drawing.clone();
  for (const Segment& row : rows) row.draw(water, kWaterThickness, kWaterBlue);
  return water;
}

bool WriteImage(const std::string& name, const cv::Mat& image) {
  return cv::imwrite(name, image, std::vector<int>());
}

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
