// orvelloCMD3: measures a category-3 (silhouette) drawing.

#include "common/frame.h"
#include "silhouette/silhouette.h"

int main(int argc, char** argv) {
  using namespace orvello;
  Say(VersionLine());
  const RunArgs args = TakeArgs(argc, argv, {"vase.tiff", 600, 1});
  if (!ArgsValid(args)) return Fail(kBadArgumentsMessage, kStatusBadArguments);
  const cv::Mat drawing = LoadDrawing(args.image_path);
  if (drawing.empty()) {
    return Fail(std::string(kCannotReadImage) + args.image_path, kStatusUnreadable);
  }
  const cv::Mat mask = Binarise(drawing, Smoothing::kGaussian5x5);
  const SilhouetteScan scan = ScanSilhouette(mask);
  if (!scan.found) return Fail(kNoVesselMessage, kStatusNoReference);
  WriteImage("gray.jpg", mask);
  WriteImage(kWaterImageName, WaterImage(drawing, scan.rows));
  const double pixel_size = PixelSize(args.dpi, args.scale);
  WriteResults(SilhouetteLines(SilhouetteResults(scan, pixel_size)));
  return kStatusDone;
}
