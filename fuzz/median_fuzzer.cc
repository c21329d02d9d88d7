// The category-2 measurement over arbitrary masks, resolutions and scales,
// in the steps of orvelloCMD from the argument check on.

#include <cstddef>
#include <cstdint>

#include "common/frame.h"
#include "fuzz_case.h"
#include "median/median.h"

namespace orvello::fuzz {
namespace {

void MeasureMedian(const MaskCase& c) {
  if (!ArgsValid({"", c.dpi, c.scale})) return;  // status 2
  const GuardedMask guarded(c.mask);
  const cv::Mat& mask = guarded.mat();
  const double f = ResolutionFactor(c.dpi);
  if (AllInk(mask)) return;  // status 1
  const MedianScan scan = ScanMedian(mask, f);
  if (scan.failure != MedianFailure::kNone) return;  // status 1
  RequireSegmentsInside(scan.rows, mask);
  for (const Segment& s : scan.rows) {
    Require(s.second.x == scan.axis_column, "a liquid row ends on the axis");
    Require(s.first.y >= scan.extents.top && s.first.y < scan.floor_row,
            "a liquid row lies above the floor row");
  }
  Require(mask.at<std::uint8_t>(scan.median_row, scan.axis_column) == 255,
          "the axis is set on the median search row");
  Require(scan.opening_column > scan.extents.left && scan.opening_column <= scan.axis_column,
          "the opening lies between the leftmost column and the axis");
  Require(scan.base_column == -1 ||
              (scan.base_column > scan.extents.left && scan.base_column < mask.cols &&
               mask.at<std::uint8_t>(scan.floor_row - 15, scan.base_column) == 255),
          "the base column is set on the base row");
  WaterImage(DrawingOf(mask), scan.rows);
  const double pixel_size = PixelSize(c.dpi, c.scale);
  const SectionValues v = MedianResults(scan, pixel_size);
  if (MustBeFinite(pixel_size)) {
    RequireMeasured({{v.volume_cl, v.liquid_height_cm, v.total_height_cm, v.opening_cm,
                      v.ratio, v.base_cm, v.rim_width_cm}},
                    "median-line values, status 0");
    Require(v.total_height_cm > 0, "a measured vessel has a height above 0");
  }
}

}  // namespace
}  // namespace orvello::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const orvello::fuzz::MaskCase c = orvello::fuzz::DecodeMaskCase({data, size});
  if (!c.mask.empty()) orvello::fuzz::MeasureMedian(c);
  return 0;
}
