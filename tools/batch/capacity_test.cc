#include "batch/capacity.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/mask.h"

namespace orvello::batch {
namespace {

// Rows of a section drawing: radius `radius` on every row from `top` to
// floor - 1, axis at column 500.
std::vector<Segment> SectionRows(int top, int floor, int radius) {
  std::vector<Segment> rows;
  for (int y = top; y < floor; ++y) rows.push_back({{500 - radius, y}, {500, y}});
  return rows;
}

double DiscSum(const std::vector<Segment>& rows) {
  double sum = 0;
  for (const Segment& s : rows) sum += s.length() * s.length() * kPi;
  return sum;
}

TEST(SectionProfileTest, SlabsCountFromTheFloorUp) {
  // Rows 10..19 above a floor at row 20, without rows 12 and 17.
  std::vector<Segment> rows;
  for (int y = 10; y < 20; ++y) {
    if (y != 12 && y != 17) rows.push_back({{500 - y, y}, {500, y}});
  }
  const DiscProfile profile = SectionProfile(rows, 20, 11, DiscSum(rows), 0.1);
  ASSERT_EQ(profile.radii.size(), 10u);
  for (int slab = 0; slab < 10; ++slab) {
    const int y = 19 - slab;
    SCOPED_TRACE("row " + std::to_string(y));
    if (y == 12 || y == 17) {
      EXPECT_LT(profile.radii[slab], 0);
    } else {
      EXPECT_EQ(profile.radii[slab], y);
    }
  }
}

TEST(FillCapacityTest, WholeSlabsBelowTheLevel) {
  // A cylinder of 99 liquid rows (liquid height 100 pixels) of radius 40.
  const std::vector<Segment> rows = SectionRows(1, 100, 40);
  const DiscProfile profile = SectionProfile(rows, 100, 100, DiscSum(rows), 0.02);
  const double slab = VolumeCl(0.02, 40 * 40 * kPi);
  static const struct {
    int percent;
    int slabs;
  } kCases[] = {{100, 99}, {90, 90}, {80, 80}, {55, 55}, {1, 1}, {0, 0}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.percent) + " %");
    EXPECT_NEAR(FillCapacity(profile, c.percent), c.slabs * slab, 1e-9 * slab);
  }
  EXPECT_EQ(FillCapacity(profile, 100), VolumeCl(0.02, profile.disc_sum));
}

TEST(FillCapacityTest, LevelRoundsDown) {
  // Liquid height 7 pixels: 90 % is 6.3 pixels, so 6 slabs; 80 % is 5.6, so 5.
  const std::vector<Segment> rows = SectionRows(0, 6, 10);
  const DiscProfile profile = SectionProfile(rows, 6, 7, DiscSum(rows), 1);
  const double slab = VolumeCl(1, 100 * kPi);
  EXPECT_NEAR(FillCapacity(profile, 90), 6 * slab, 1e-9);
  EXPECT_NEAR(FillCapacity(profile, 80), 5 * slab, 1e-9);
}

TEST(CapacityCurveTest, EveryPercentEndingAtTheVolume) {
  // A cone: the radius grows by one pixel per row from the floor up.
  std::vector<Segment> rows;
  for (int y = 0; y < 50; ++y) rows.push_back({{500 - (60 - y), y}, {500, y}});
  const DiscProfile profile = SectionProfile(rows, 50, 51, DiscSum(rows), 0.05);
  const std::vector<CurvePoint> curve = CapacityCurve(profile);
  ASSERT_EQ(curve.size(), 101u);
  EXPECT_EQ(curve.front().capacity_cl, 0);
  EXPECT_EQ(curve.back().capacity_cl, VolumeCl(0.05, profile.disc_sum));
  EXPECT_DOUBLE_EQ(curve.back().height_cm, 51 * 0.05);
  for (int p = 1; p <= 100; ++p) {
    SCOPED_TRACE(p);
    EXPECT_GE(curve[p].capacity_cl, curve[p - 1].capacity_cl);
    EXPECT_EQ(curve[p].capacity_cl, FillCapacity(profile, p));
  }
}

TEST(SilhouetteProfileTest, HalfTheRowLengthFromTheLowestRow) {
  const std::vector<Segment> rows = {{{10, 5}, {30, 5}}, {{12, 7}, {12, 7}}};
  const DiscProfile profile = SilhouetteProfile(rows, 5, 7, 100 * kPi, 1);
  EXPECT_EQ(profile.height, 3);
  ASSERT_EQ(profile.radii.size(), 3u);
  EXPECT_EQ(profile.radii[0], 0);   // row 7: one pixel wide, a measured disc
  EXPECT_LT(profile.radii[1], 0);   // row 6: no ink
  EXPECT_EQ(profile.radii[2], 10);  // row 5
  const CapacityRange range = CapacityRangeOf(profile, 0);
  EXPECT_NEAR(range.low_cl, VolumeCl(1, 9.5 * 9.5 * kPi), 1e-12);
  EXPECT_NEAR(range.high_cl, VolumeCl(1, (10.5 * 10.5 + 0.25) * kPi), 1e-12);
}

TEST(CapacityRangeTest, HalfAPixelAndTheScaleErrorCubed) {
  const std::vector<Segment> rows = SectionRows(0, 20, 30);
  const DiscProfile profile = SectionProfile(rows, 20, 21, DiscSum(rows), 0.01);
  const double low = VolumeCl(0.01, 20 * 29.5 * 29.5 * kPi);
  const double high = VolumeCl(0.01, 20 * 30.5 * 30.5 * kPi);
  static const struct {
    double scale_error;
    double low_factor, high_factor;
  } kCases[] = {{0, 1, 1},
                {0.01, 1 / (1.01 * 1.01 * 1.01), 1 / (0.99 * 0.99 * 0.99)},
                {0.1, 1 / 1.331, 1 / 0.729}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.scale_error);
    const CapacityRange range = CapacityRangeOf(profile, c.scale_error);
    EXPECT_NEAR(range.low_cl, low * c.low_factor, 1e-12);
    EXPECT_NEAR(range.high_cl, high * c.high_factor, 1e-12);
    EXPECT_LT(range.low_cl, FillCapacity(profile, 100));
    EXPECT_GT(range.high_cl, FillCapacity(profile, 100));
  }
}

TEST(CapacityRangeTest, RadiusNeverBelowZero) {
  const std::vector<Segment> rows = {{{100, 3}, {100, 3}}};  // a radius of 0
  const DiscProfile profile = SectionProfile(rows, 4, 2, 0, 1);
  const CapacityRange range = CapacityRangeOf(profile, 0);
  EXPECT_EQ(range.low_cl, 0);
  EXPECT_NEAR(range.high_cl, VolumeCl(1, 0.25 * kPi), 1e-15);
}

}  // namespace
}  // namespace orvello::batch
