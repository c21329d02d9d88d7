#ifndef ORVELLO_TOOLS_BATCH_CAPACITY_H_
#define ORVELLO_TOOLS_BATCH_CAPACITY_H_

// Capacity of a measured drawing filled to part of its height, and the
// range its capacity can lie in, from the same one-pixel discs as the
// volume of the results file.

#include <vector>

#include "common/segment.h"

namespace orvello::batch {

// The measured discs of a drawing, stacked from the floor up: slab 0 lies
// just above the floor. A slab without a measured row has a negative
// radius and holds nothing.
struct DiscProfile {
  double pixel_size = 0;      // centimetres
  double disc_sum = 0;        // the tool's disc sum, square pixels
  int height = 0;             // the height the fill levels divide, pixels
  std::vector<double> radii;  // pixels, one per slab; < 0: no row
};

// Returns the profile of the measured `rows` of a section drawing
// (categories 1 and 2): each row is one slab, `floor_row` - y slabs above
// the floor, its radius the row's length; `height` is the liquid height in
// pixels as the results file counts it (the liquid rows and the floor row).
// REQUIRES: every row lies above `floor_row`.
DiscProfile SectionProfile(const std::vector<Segment>& rows, int floor_row, int height,
                           double disc_sum, double pixel_size);

// Returns the profile of the measured `rows` of a silhouette (category 3):
// slab 0 is the lowest row, `last_row`; each row's radius is half its
// length; the height is last_row - first_row + 1.
// REQUIRES: every row lies from `first_row` to `last_row`.
DiscProfile SilhouetteProfile(const std::vector<Segment>& rows, int first_row, int last_row,
                              double disc_sum, double pixel_size);

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
