#ifndef ORVELLO_TOOLS_BATCH_CAPACITY_H_
#define ORVELLO_TOOLS_BATCH_CAPACITY_H_

// Capacity of a measured drawing filled to part of its height, and the
// range its capacity can lie in, from the same one-pixel discs (DiscProfile)
// as the volume of the results file.

#include <vector>

#include "common/discs.h"

namespace orvello::batch {

// Returns the capacity in centilitres filled to `percent` of the profile's
// height from the floor up: the slabs whose top lies at or below
// trunc(percent x height / 100) pixels. At 100 it is the volume of the
// results file to the last bit. REQUIRES: 0 <= percent <= 100.
double FillCapacity(const DiscProfile& profile, int percent);

// One point of the capacity curve.
struct CurvePoint {
  double height_cm = 0;    // filling height above the floor
  double capacity_cl = 0;  // capacity filled to that height
};

// Returns the capacity curve at every percent of the height from 0 to 100:
// 101 points, the last one the volume.
std::vector<CurvePoint> CapacityCurve(const DiscProfile& profile);

// The range a capacity can lie in, centilitres.
struct CapacityRange {
  double low_cl = 0;
  double high_cl = 0;
};

// Returns the capacity range of `profile`: every radius half a pixel
// shorter (never below 0) and longer, and the true scale anywhere within
// `scale_error` (0.01: 1 %) of the given one, which divides the capacity by
// (1 + scale_error) cubed at the low end and by (1 - scale_error) cubed at
// the high end. REQUIRES: 0 <= scale_error < 1.
CapacityRange CapacityRangeOf(const DiscProfile& profile, double scale_error);

}  // namespace orvello::batch

#endif  // ORVELLO_TOOLS_BATCH_CAPACITY_H_
