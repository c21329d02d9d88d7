// The category-3 measurement over arbitrary masks, resolutions and scales,
// in the steps of orvelloCMD3 from the argument check on.

#include <cstddef>
#include <cstdint>

#include "common/frame.h"
#include "fuzz_case.h"
#include "silhouette/silhouette.h"

namespace orvello::fuzz {
namespace {

void MeasureSilhouette(const MaskCase& c) {
  if (!ArgsValid({"", c.dpi, c.scale})) return;  // status 2
  const GuardedMask guarded(c.mask);
  const cv::Mat& mask = guarded.mat();
  if (AllInk(mask)) return;  // status 1
  const SilhouetteScan scan = ScanSilhouette(mask);
  if (!scan.found) return;  // status 1
  RequireSegmentsInside(scan.rows, mask);
  for (const Segment& s : scan.rows) {
    Require(mask.at<std::uint8_t>(s.second) == 255, "a row ends on a set pixel");
  }
  Require(scan.first_row <= scan.last_row, "the first vessel row is not below the last");
  Require(!scan.rows.empty() && scan.rows.back().first.x == scan.opening_left &&
              scan.rows.back().second.x == scan.opening_right,
          "the opening is the lowest row");
  WaterImage(DrawingOf(mask), scan.rows);
  const double pixel_size = PixelSize(c.dpi, c.scale);
  const SilhouetteValues v = SilhouetteResults(scan, pixel_size);
  if (MustBeFinite(pixel_size)) {
    RequireMeasured({{v.volume_cl, v.height_cm, v.opening_cm}}, "silhouette values, status 0");
    Require(v.height_cm > 0, "a measured vessel has a height above 0");
  }
}

}  // namespace
}  // namespace orvello::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const orvello::fuzz::MaskCase c = orvello::fuzz::DecodeMaskCase({data, size});
  if (!c.mask.empty()) orvello::fuzz::MeasureSilhouette(c);
  return 0;
}
