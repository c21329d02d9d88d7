// orvelloCMD3: measures a category-3 (silhouette) drawing.

#include <utility>

#include "common/frame.h"
#include "silhouette/silhouette.h"

int main(int argc, char** argv) {
  using namespace orvello;
  Say(VersionLine());
  const RunArgs args = TakeArgs(argc, argv, {"vase.tiff", 600, 1});
  if (!ArgsValid(args)) return Fail(kBadArgumentsMessage, kStatusBadArguments);
  cv::Mat drawing = LoadDrawing(args.image_path);
  if (drawing.empty()) {
    return Fail(std::string(kCannotReadImage) + args.image_path, kStatusUnreadable);
  }
  const cv::Mat mask = Binarise(drawing, Smoothing::kGaussian5x5);
  if (AllInk(mask)) return Fail(kNoVesselMessage, kStatusNoReference);
  const SilhouetteScan scan = ScanSilhouette(mask);
  if (!scan.found) return Fail(kNoVesselMessage, kStatusNoReference);
  bool written = WriteImage("gray.jpg", mask);
  written &= WriteImage(kWaterImageName, WaterImage(std::move(drawing), scan.rows));
  const double pixel_size = PixelSize(args.dpi, args.scale);
  WriteResults(SilhouetteLines(SilhouetteResults(scan, pixel_size)));
  return EndStatus(written);
}
