// The category-1 measurement over arbitrary masks, resolutions and scales:
// the steps of orvelloCMD2 from the argument check on, and the edge-mask
// scans over the mask itself, since few small masks hold an outline long
// enough to be chosen.

#include <cstddef>
#include <cstdint>

#include <opencv2/imgproc.hpp>

#include "common/frame.h"
#include "fuzz_case.h"
#include "leftedge/leftedge.h"

namespace orvello::fuzz {
namespace {

// Returns the scans of `edge_mask`, checked, and checks its values when the
// tool would go on.
EdgeScan ScanAndCheck(const cv::Mat& edge_mask, double f, double pixel_size) {
  const EdgeScan scan = ScanEdgeMask(edge_mask, f);
  RequireSegmentsInside(scan.rows, edge_mask);
  for (const Segment& s : scan.rows) {
    Require(s.second.x == scan.extents.right, "a liquid row ends on the axis");
    Require(s.first.x <= scan.extents.right - 21, "the wall lies beyond the skipped columns");
    Require(s.first.y >= scan.extents.top && s.first.y < scan.floor_row,
            "a liquid row lies above the floor row");
  }
  if (!scan.opening_column) return scan;  // status 1
  Require(*scan.opening_column > scan.extents.left &&
              *scan.opening_column <= scan.extents.right,
          "the opening lies between the leftmost column and the axis");
  Require(scan.base_column == -1 ||
              (scan.base_column > scan.extents.left &&
               edge_mask.at<std::uint8_t>(scan.floor_row - 15, scan.base_column) == 255),
          "the base column is set on the base row");
  const SectionValues v = LeftEdgeResults(scan, pixel_size);
  if (MustBeFinite(pixel_size)) {
    RequireMeasured({{v.volume_cl, v.liquid_height_cm, v.total_height_cm, v.opening_cm,
                      v.ratio, v.base_cm, v.rim_width_cm}},
                    "left-edge values, status 0");
    Require(v.total_height_cm > 0, "a measured vessel has a height above 0");
  }
  return scan;
}

// The steps of orvelloCMD2 after the mask.
void RunTool(const cv::Mat& mask, double f, double pixel_size) {
  if (AllInk(mask)) return;  // status 1
  const LeftEdge edge = FindLeftEdge(mask);
  if (edge.index < 0) return;  // status 1
  const std::vector<cv::Point>& contour = edge.contours[edge.index];
  Require(cv::arcLength(contour, true) > 3000, "the left edge is longer than 3000 pixels");
  Require(edge.edge_mask.size() == mask.size() && edge.edge_mask.type() == CV_8UC1,
          "the edge mask has the mask's size");
  const cv::Mat drawing = DrawingOf(mask);
  ContourImage(drawing, edge);
  const GuardedMask guarded_edge(edge.edge_mask);
  WaterImage(drawing, ScanAndCheck(guarded_edge.mat(), f, pixel_size).rows);
}

void MeasureLeftEdge(const MaskCase& c) {
  if (!ArgsValid({"", c.dpi, c.scale})) return;  // status 2
  const GuardedMask guarded(c.mask);
  const double f = ResolutionFactor(c.dpi);
  const double pixel_size = PixelSize(c.dpi, c.scale);
  RunTool(guarded.mat(), f, pixel_size);
  // Any mask as an edge mask, for the scans' sake.
  ScanAndCheck(guarded.mat(), f, pixel_size);
}

}  // namespace
}  // namespace orvello::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const orvello::fuzz::MaskCase c = orvello::fuzz::DecodeMaskCase({data, size});
  if (!c.mask.empty()) orvello::fuzz::MeasureLeftEdge(c);
  return 0;
}
