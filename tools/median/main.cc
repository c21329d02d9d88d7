// orvelloCMD: measures a category-2 (median line) drawing.

#include <utility>

#include "common/frame.h"
#include "median/median.h"

int main(int argc, char** argv) {
  using namespace orvello;
  Say(VersionLine());
  const RunArgs args = TakeArgs(argc, argv, {"vase.jpg", 300, 1});
  if (!ArgsValid(args)) return Fail(kBadArgumentsMessage, kStatusBadArguments);
  cv::Mat drawing = LoadDrawing(args.image_path);
  if (drawing.empty()) {
    return Fail(std::string(kCannotReadImage) + args.image_path, kStatusUnreadable);
  }
  const double f = ResolutionFactor(args.dpi);
  const cv::Mat mask = Binarise(drawing, Smoothing::kNone);
  if (AllInk(mask)) return Fail(kNoVesselMessage, kStatusNoReference);
  const MedianScan scan = ScanMedian(mask, f);
  if (scan.failure == MedianFailure::kNoMedianLine) {
    return Fail(kNoMedianLineMessage, kStatusNoReference);
  }
  if (scan.failure == MedianFailure::kNoOpening) {
    return Fail(kNoOpeningMessage, kStatusNoReference);
  }
  const bool written = WriteImage(kWaterImageName, WaterImage(std::move(drawing), scan.rows));
  WriteResults(SectionLines(MedianResults(scan, PixelSize(args.dpi, args.scale))));
  return EndStatus(written);
}
