// The category-1 measurement over arbitrary masks, resolutions and scales:
// orvelloCMD2's own measurement of the drawing of the mask, its edge mask
// scanned again guarded against reads outside it, and the edge-mask scans
// over the mask itself, since few small masks hold an outline long enough to
// be chosen.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <opencv2/imgproc.hpp>
#include <optional>

#include "common/mask.h"
#include "common/run.h"
#include "fuzz_case.h"
#include "leftedge/leftedge.h"

namespace orvello::fuzz {
namespace {

std::array<double, 7> Listed(const SectionValues& v) {
  return {v.volume_cl, v.liquid_height_cm, v.total_height_cm, v.opening_cm,
          v.ratio,     v.base_cm,          v.rim_width_cm};
}

// Returns the values of the scans of `edge_mask`, checked, when the tool
// would go on to write them; nothing when it would end with status 1.
std::optional<SectionValues> ScanAndCheck(const cv::Mat& edge_mask, double f, double pixel_size) {
  const EdgeScan scan = ScanEdgeMask(edge_mask, f);
  RequireSegmentsInside(scan.rows, edge_mask);
  for (const Segment& s : scan.rows) {
    Require(s.second.x == scan.extents.right, "a liquid row ends on the axis");
    Require(s.first.x <= scan.extents.right - 21, "the wall lies beyond the skipped columns");
    Require(s.first.y >= scan.extents.top && s.first.y < scan.floor_row,
            "a liquid row lies above the floor row");
  }
  if (!scan.opening_column) return std::nullopt;  // status 1
  Require(*scan.opening_column > scan.extents.left && *scan.opening_column <= scan.extents.right,
          "the opening lies between the leftmost column and the axis");
  Require(scan.base_column == -1 ||
              (scan.base_column > scan.extents.left &&
               edge_mask.at<std::uint8_t>(scan.floor_row - 15, scan.base_column) == 255),
          "the base column is set on the base row");
  const SectionValues v = LeftEdgeResults(scan, pixel_size);
  RequireMeasured(Listed(v), "left-edge values, status 0");
  Require(v.total_height_cm > 0, "a measured vessel has a height above 0");
  return v;
}

void MeasureLeftEdge(const MaskCase& c) {
  if (!ArgsValid({"", c.dpi, c.scale})) return;  // status 2
  const double f = ResolutionFactor(c.dpi);
  const double pixel_size = PixelSize(c.dpi, c.scale);
  const GuardedMask guarded(c.mask);
  const cv::Mat& mask = guarded.mat();
  ScanAndCheck(mask, f, pixel_size);

  const cv::Mat drawing = DrawingOf(mask);
  const LeftEdgeMeasurement m = MeasureLeftEdgeDrawing(drawing, c.dpi, c.scale);
  if (m.edge.index < 0) return;  // status 1
  const std::vector<cv::Point>& contour = m.edge.contours[m.edge.index];
  Require(cv::arcLength(contour, true) > 3000, "the left edge is longer than 3000 pixels");
  Require(m.edge.edge_mask.size() == mask.size() && m.edge.edge_mask.type() == CV_8UC1,
          "the edge mask has the mask's size");
  const GuardedMask edge_mask(m.edge.edge_mask);
  const std::optional<SectionValues> v = ScanAndCheck(edge_mask.mat(), f, pixel_size);
  Require(v.has_value() == (m.failure == Failure::kNone),
          "the tool ends as the scans of its edge mask");
  if (!v) return;  // status 1
  const std::array<double, 7> a = Listed(*v), b = Listed(m.values);
  for (size_t i = 0; i < a.size(); ++i) {
    Require(std::bit_cast<std::uint64_t>(a[i]) == std::bit_cast<std::uint64_t>(b[i]),
            "the tool's values are those of the scans of its edge mask");
  }
  ContourImage(drawing, m.edge);
  WaterImage(drawing, m.scan.rows);
}

}  // namespace
}  // namespace orvello::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const orvello::fuzz::MaskCase c = orvello::fuzz::DecodeMaskCase({data, size});
  if (!c.mask.empty()) orvello::fuzz::MeasureLeftEdge(c);
  return 0;
}
