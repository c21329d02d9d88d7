// Generated drawings of known analytic capacity, measured in-process the
// way each tool measures them.

#include <gtest/gtest.h>

#include "common/measure.h"
#include "drawgen/drawgen.h"

namespace orvello {
namespace {

struct Measured {
  double capacity_cl = 0;
  double total_height_cm = 0;
};

// Returns what the tool of `category` reports for `drawing`.
Measured MeasureAs(int category, const cv::Mat& drawing, double dpi, double scale) {
  const CategoryMeasurement m = Measure(GetCategory(category), drawing, dpi, scale);
  EXPECT_EQ(m.failure, Failure::kNone);
  if (m.failure != Failure::kNone) return {};
  const ValueId height = category == 3 ? ValueId::kHeight : ValueId::kTotalHeight;
  return {m.values.Get(ValueId::kVolume), m.values.Get(height)};
}

TEST(AccuracyTest, GeneratedVesselsMeasureCloseToTheirAnalyticValues) {
  static const struct {
    int category;
    drawgen::Shape shape;
    double capacity_tolerance;  // relative
  } kCases[] = {
      {3, drawgen::Shape::kCylinder, 0.01},    {3, drawgen::Shape::kGlobularJar, 0.01},
      {2, drawgen::Shape::kCylinder, 0.02},    {2, drawgen::Shape::kGlobularJar, 0.02},
      {2, drawgen::Shape::kNeckedJar, 0.02},   {1, drawgen::Shape::kCylinder, 0.02},
      {1, drawgen::Shape::kGlobularJar, 0.02}, {1, drawgen::Shape::kBowl, 0.02},
  };
  for (const auto& c : kCases) {
    for (const double dpi : {300.0, 600.0}) {
      SCOPED_TRACE("category " + std::to_string(c.category) + ", " + drawgen::ShapeName(c.shape) +
                   ", " + std::to_string(dpi) + " dpi");
      drawgen::DrawOptions options;
      options.category = c.category;
      options.shape = c.shape;
      options.dpi = dpi;
      const drawgen::Drawing drawing = drawgen::Draw(options);
      const Measured m = MeasureAs(c.category, drawing.image, dpi, options.scale);
      const drawgen::Analytic& truth = drawing.truth;
      EXPECT_NEAR(m.capacity_cl, truth.capacity_cl, c.capacity_tolerance * truth.capacity_cl);
      EXPECT_NEAR(m.total_height_cm, truth.total_height_cm, 0.01 * truth.total_height_cm);
    }
  }
}

}  // namespace
}  // namespace orvello
