// The category-3 measurement over arbitrary masks, resolutions and scales:
// the row scan of the mask itself, guarded against reads outside it, and
// orvelloCMD3's own measurement of the drawing of that mask.

#include <cstddef>
#include <cstdint>

#include "common/mask.h"
#include "common/run.h"
#include "fuzz_case.h"
#include "silhouette/silhouette.h"

namespace orvello::fuzz {
namespace {

// Checks `scan` of `mask` and the values of a run that ends with status 0.
void Check(const SilhouetteScan& scan, const SilhouetteValues& v, const cv::Mat& mask) {
  RequireSegmentsInside(scan.rows, mask);
  for (const Segment& s : scan.rows) {
    Require(mask.at<std::uint8_t>(s.second) == 255, "a row ends on a set pixel");
  }
  Require(scan.first_row <= scan.last_row, "the first vessel row is not below the last");
  Require(!scan.rows.empty() && scan.rows.back().first.x == scan.opening_left &&
              scan.rows.back().second.x == scan.opening_right,
          "the opening is the lowest row");
  RequireMeasured({{v.volume_cl, v.height_cm, v.opening_cm}}, "silhouette values, status 0");
  Require(v.height_cm > 0, "a measured vessel has a height above 0");
}

void MeasureSilhouette(const MaskCase& c) {
  if (!ArgsValid({"", c.dpi, c.scale})) return;  // status 2
  const double pixel_size = PixelSize(c.dpi, c.scale);
  const GuardedMask guarded(c.mask);
  const cv::Mat& mask = guarded.mat();
  if (!AllInk(mask)) {
    const SilhouetteScan scan = ScanSilhouette(mask);
    if (scan.found) Check(scan, SilhouetteResults(scan, pixel_size), mask);
  }

  const cv::Mat drawing = DrawingOf(mask);
  const SilhouetteMeasurement m = MeasureSilhouetteDrawing(drawing, c.dpi, c.scale);
  if (m.failure != Failure::kNone) return;  // status 1
  Check(m.scan, m.values, m.mask);
  WaterImage(drawing, m.scan.rows);
}

}  // namespace
}  // namespace orvello::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const orvello::fuzz::MaskCase c = orvello::fuzz::DecodeMaskCase({data, size});
  if (!c.mask.empty()) orvello::fuzz::MeasureSilhouette(c);
  return 0;
}
