// orvelloCMD2: measures a category-1 (left edge) drawing.

#include <utility>

#include "common/frame.h"
#include "leftedge/leftedge.h"

int main(int argc, char** argv) {
  using namespace orvello;
  Say(VersionLine());
  const RunArgs args = TakeArgs(argc, argv, {"25.bmp", 300, 1});
  if (!ArgsValid(args)) return Fail(kBadArgumentsMessage, kStatusBadArguments);
  cv::Mat drawing = LoadDrawing(args.image_path);
  if (drawing.empty()) {
    return Fail(std::string(kCannotReadImage) + args.image_path, kStatusUnreadable);
  }
  const double f = ResolutionFactor(args.dpi);
  const cv::Mat mask = Binarise(drawing, Smoothing::kNone);
  if (AllInk(mask)) return Fail(kNoVesselMessage, kStatusNoReference);
  const LeftEdge edge = FindLeftEdge(mask);
  if (edge.index < 0) return Fail(kNoLeftEdgeMessage, kStatusNoReference);
  const EdgeScan scan = ScanEdgeMask(edge.edge_mask, f);
  if (!scan.opening_column) return Fail(kNoOpeningMessage, kStatusNoReference);
  bool written = WriteImage("contours.jpg", ContourImage(drawing, edge));
  written &= WriteImage("bord.jpg", edge.edge_mask);
  written &= WriteImage(kWaterImageName, WaterImage(std::move(drawing), scan.rows));
  WriteResults(SectionLines(LeftEdgeResults(scan, PixelSize(args.dpi, args.scale))));
  return EndStatus(written);
}
