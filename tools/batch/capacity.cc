#include "batch/capacity.h"

#include <algorithm>
#include <cmath>

#include "common/frame.h"

namespace orvello::batch {
namespace {

constexpr double kNoRow = -1;

// The area of a slab's disc, square pixels; 0 for a slab without a row.
double DiscArea(double radius) { return radius < 0 ? 0 : radius * radius * kPi; }

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

double FillCapacity(const DiscProfile& profile, int percent) {
  const size_t level = static_cast<size_t>(static_cast<long long>(percent) * profile.height / 100);
  // Filled to the brim, the tool's own disc sum: the fill equals the volume
  // to the last bit.
  if (level >= profile.radii.size()) return VolumeCl(profile.pixel_size, profile.disc_sum);
  double below = 0;
  for (size_t slab = 0; slab < level; ++slab) below += DiscArea(profile.radii[slab]);
  return VolumeCl(profile.pixel_size, std::min(below, profile.disc_sum));
}

std::vector<CurvePoint> CapacityCurve(const DiscProfile& profile) {
  std::vector<CurvePoint> curve;
  curve.reserve(101);
  for (int percent = 0; percent <= 100; ++percent) {
    curve.push_back(
        {percent / 100.0 * profile.height * profile.pixel_size, FillCapacity(profile, percent)});
  }
  return curve;
}

CapacityRange CapacityRangeOf(const DiscProfile& profile, double scale_error) {
  double low = 0, high = 0;
  for (const double radius : profile.radii) {
    if (radius < 0) continue;  // no measured row: no disc either way
    low += DiscArea(std::max(radius - 0.5, 0.0));
    high += DiscArea(radius + 0.5);
  }
  return {VolumeCl(profile.pixel_size, low) / std::pow(1 + scale_error, 3.0),
          VolumeCl(profile.pixel_size, high) / std::pow(1 - scale_error, 3.0)};
}

}  // namespace orvello::batch
