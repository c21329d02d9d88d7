#include "common/run.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "common/image_io.h"
#include "common/mask.h"

namespace orvello {

RunArgs TakeArgs(int argc, const char* const* argv, const RunArgs& defaults) {
  if (argc != 4) return defaults;
  return RunArgs{argv[1], std::atof(argv[2]), std::atof(argv[3])};
}

bool ArgsValid(const RunArgs& args) {
  if (!(std::isfinite(args.dpi) && args.dpi > 0 && std::isfinite(args.scale) && args.scale > 0)) {
    return false;
  }
  const double pixel_size = PixelSize(args.dpi, args.scale);
  return pixel_size >= kSmallestPixelSize && pixel_size <= kLargestPixelSize;
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

RunStart StartRun(int argc, const char* const* argv, const CategoryInfo& category) {
  const RunArgs defaults{std::string(category.default_input), category.default_dpi,
                         category.default_scale};
  Say(VersionLine());
  RunStart start{TakeArgs(argc, argv, defaults), cv::Mat(), kStatusDone};
  if (!ArgsValid(start.args)) {
    start.status = Fail(kBadArgumentsMessage, kStatusBadArguments);
    return start;
  }
  start.drawing = LoadDrawing(start.args.image_path);
  if (start.drawing.empty()) {
    start.status = Fail(std::string(kCannotReadImage) + start.args.image_path, kStatusUnreadable);
  }
  return start;
}

bool WriteImage(const std::string& name, const cv::Mat& image) {
  if (WriteImageFile(name, image)) return true;
  Say(std::string(kCannotWriteImage) + name);
  return false;
}

int EndStatus(bool images_written) { return images_written ? kStatusDone : kStatusWriteFailed; }

bool WriteResults(const ResultValues& values, const std::string& path) {
  std::ofstream file(path);
  if (file.fail()) {
    Say(kCannotOpenResults);
    return false;
  }
  file << FormatResults(values);
  return true;
}

}  // namespace orvello
