// The category-2 measurement over arbitrary masks, resolutions and scales:
// the scans of the mask itself, guarded against reads outside it, and
// orvelloCMD's own measurement of the drawing of that mask, which must agree.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "common/mask.h"
#include "common/run.h"
#include "fuzz_case.h"
#include "median/median.h"

namespace orvello::fuzz {
namespace {

std::array<double, 7> Listed(const SectionValues& v) {
  return {v.volume_cl, v.liquid_height_cm, v.total_height_cm, v.opening_cm,
          v.ratio,     v.base_cm,          v.rim_width_cm};
}

// Checks `scan` of `mask` and the values of a run that ends with status 0.
void Check(const MedianScan& scan, const SectionValues& v, const cv::Mat& mask) {
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
  RequireMeasured(Listed(v), "median-line values, status 0");
  Require(v.total_height_cm > 0, "a measured vessel has a height above 0");
}

void MeasureMedian(const MaskCase& c) {
  if (!ArgsValid({"", c.dpi, c.scale})) return;  // status 2
  const double pixel_size = PixelSize(c.dpi, c.scale);
  const GuardedMask guarded(c.mask);
  const cv::Mat& mask = guarded.mat();
  bool measured = false;
  SectionValues values;
  if (!AllInk(mask)) {
    const MedianScan scan = ScanMedian(mask, ResolutionFactor(c.dpi));
    if (scan.failure == Failure::kNone) {
      values = MedianResults(scan, pixel_size);
      Check(scan, values, mask);
      measured = true;
    }
  }

  // The drawing binarises back to the pixels that are 255 in the mask.
  const cv::Mat drawing = DrawingOf(mask);
  const MedianMeasurement m = MeasureMedianDrawing(drawing, c.dpi, c.scale);
  Require((m.failure == Failure::kNone) == measured, "the tool ends as the scans of its mask");
  if (!measured) return;  // status 1
  const std::array<double, 7> a = Listed(values), b = Listed(m.values);
  for (size_t i = 0; i < a.size(); ++i) {
    Require(std::bit_cast<std::uint64_t>(a[i]) == std::bit_cast<std::uint64_t>(b[i]),
            "the tool's values are those of the scans of its mask");
  }
  WaterImage(drawing, m.scan.rows);
}

}  // namespace
}  // namespace orvello::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const orvello::fuzz::MaskCase c = orvello::fuzz::DecodeMaskCase({data, size});
  if (!c.mask.empty()) orvello::fuzz::MeasureMedian(c);
  return 0;
}
