#include "common/discs.h"

namespace orvello {
namespace {

constexpr double kNoRow = -1;

}  // namespace

DiscProfile SectionProfile(const std::vector<Segment>& rows, int floor_row, int height,
                           double disc_sum, double pixel_size) {
  DiscProfile profile{pixel_size, disc_sum, height, {}};
  for (const Segment& row : rows) {
    const size_t slab = static_cast<size_t>(floor_row - row.first.y - 1);
    if (profile.radii.size() <= slab) profile.radii.resize(slab + 1, kNoRow);
    profile.radii[slab] = row.length();
  }
  return profile;
}

DiscProfile SilhouetteProfile(const std::vector<Segment>& rows, int first_row, int last_row,
                              double disc_sum, double pixel_size) {
  DiscProfile profile{pixel_size, disc_sum, last_row - first_row + 1, {}};
  profile.radii.assign(static_cast<size_t>(profile.height), kNoRow);
  for (const Segment& row : rows) {
    profile.radii[static_cast<size_t>(last_row - row.first.y)] = row.length() * 0.5;
  }
  return profile;
}

}  // namespace orvello
