#include "robustness/robustness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>

namespace orvello::robustness {
namespace {

int DegradationIndex(std::string_view name) {
  for (size_t i = 0; i < Degradations().size(); ++i) {
    if (Degradations()[i].name == name) return static_cast<int>(i);
  }
  ADD_FAILURE() << "no degradation " << name;
  return 0;
}

// The tools measure clean drawings at full size to within a few percent,
// with a range about their value; a caption moves category 3's extent, and a
// small category-1 outline fails with the tool's message.
TEST(RobustnessBenchTest, MeasuresWithTheToolsAndKeepsTheTruth) {
  static const struct {
    int category;
    drawgen::Shape shape;
    double dpi;
    double scale;
    const char* degradation;
    bool measured;
    double largest_error;  // of a measured drawing
  } kRows[] = {
      {2, drawgen::Shape::kBowl, 300, 1, "clean", true, 0.02},
      {1, drawgen::Shape::kCylinder, 300, 1, "clean", true, 0.02},
      {3, drawgen::Shape::kGlobularJar, 300, 1, "clean", true, 0.02},
      {3, drawgen::Shape::kGlobularJar, 300, 1, "scale bar", true, 1e9},
      {1, drawgen::Shape::kCylinder, 150, 0.5, "clean", false, 0},
  };
  for (const auto& row : kRows) {
    const Case c{row.category, row.shape, row.dpi, row.scale, DegradationIndex(row.degradation)};
    SCOPED_TRACE(Describe(c));
    const CaseResult r = RunCase(c);
    EXPECT_EQ(r.truth_cl, drawgen::AnalyticValues(row.shape, row.category, 10).capacity_cl);
    EXPECT_EQ(r.tool.measured, row.measured);
    EXPECT_EQ(r.tool.ok, row.measured);
    if (!row.measured) {
      EXPECT_FALSE(r.tool.note.empty());
      continue;
    }
    EXPECT_LT(std::abs(r.tool.value_cl / r.truth_cl - 1), row.largest_error);
    EXPECT_LE(r.tool.low_cl, r.tool.value_cl);
    EXPECT_GE(r.tool.high_cl, r.tool.value_cl);
  }
}

TEST(RobustnessBenchTest, GridCoversEveryApplicableDegradationOnce) {
  const std::vector<Case> full = Grid(1);
  std::set<std::string> names;
  for (const Case& c : full) {
    ASSERT_TRUE(Degradations()[c.degradation].categories[c.category - 1]) << Describe(c);
    names.insert(Describe(c));
  }
  EXPECT_EQ(names.size(), full.size());
  size_t per_category = 0;
  for (const Degradation& d : Degradations())
    per_category += d.categories[0] + d.categories[1] + d.categories[2];
  EXPECT_EQ(full.size(), per_category * 6 * 4 * 3);
  // A subset keeps about 1 / K of the drawings, of every resolution and
  // scale, and the same ones each time.
  const std::vector<Case> part = Grid(4);
  EXPECT_NEAR(part.size(), full.size() / 4.0, full.size() / 40.0);
  std::set<std::string> densities;
  for (const Case& c : part) densities.insert(std::to_string(c.dpi * c.scale));
  EXPECT_EQ(densities.size(), 6u);  // dpi x scale: 37.5, 75, 150, 300, 600, 1200
  EXPECT_EQ(Grid(4).size(), part.size());
}

TEST(RobustnessBenchTest, SummaryCountsErrorsRangesAndFalseOks) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  const std::vector<Outcome> outcomes = {
      {true, true, 100.5, 99, 101, ""},  // +0.5 %, range holds
      {true, true, 96, 95, 97, ""},      // -4 %, ok: a false ok
      {true, false, 110, 100, 120, ""},  // +10 %, check, range holds
      {false, false, kNaN, kNaN, kNaN, "refused"},
      {true, true, 99.8, kNaN, kNaN, ""},  // no range
  };
  const std::vector<double> truths = {100, 100, 100, 100, 100};
  const Stats s = Summarise(outcomes, truths);
  EXPECT_EQ(s.drawings, 5);
  EXPECT_EQ(s.measured, 4);
  EXPECT_NEAR(s.median_error, (0.005 + 0.04) / 2, 1e-12);
  EXPECT_NEAR(s.worst_error, 0.1, 1e-12);
  EXPECT_EQ(s.within_1, 2);
  EXPECT_EQ(s.ranged, 3);
  EXPECT_EQ(s.range_holds, 2);
  EXPECT_NEAR(s.median_half_width, 1 / 96.0, 1e-12);
  EXPECT_EQ(s.off_3, 2);
  EXPECT_EQ(s.off_3_ok, 1);
}

TEST(RobustnessBenchTest, RealDrawingsAbsentGiveNone) {
  EXPECT_TRUE(LoadRealDrawings("/nonexistent/real-drawings").empty());
}

}  // namespace
}  // namespace orvello::robustness
