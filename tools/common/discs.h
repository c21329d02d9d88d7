#ifndef ORVELLO_TOOLS_COMMON_DISCS_H_
#define ORVELLO_TOOLS_COMMON_DISCS_H_

// The measured rows of a drawing as a stack of one-pixel discs, from which
// capacities to any filling height follow.

#include <vector>

#include "common/segment.h"

namespace orvello {

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

}  // namespace orvello

#endif  // ORVELLO_TOOLS_COMMON_DISCS_H_
