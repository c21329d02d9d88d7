// Generated drawings of known analytic capacity, measured in-process the
// way each tool measures them.

#include <gtest/gtest.h>

#include "common/frame.h"
#include "drawgen/drawgen.h"
#include "leftedge/leftedge.h"
#include "median/median.h"
#include "silhouette/silhouette.h"

namespace orvello {
namespace {

struct Measured {
  double capacity_cl = 0;
  double total_height_cm = 0;
};

// Returns what the tool of `category` reports for `drawing`.
Measured Measure(int category, const cv::Mat& drawing, double dpi, double scale) {
  if (category == 3) {
    const SilhouetteMeasurement m = MeasureSilhouetteDrawing(drawing, dpi, scale);
    EXPECT_EQ(m.failure, "");
    return {m.values.volume_cl, m.values.height_cm};
  }
  const auto [failure, values] = [&] {
    if (category == 2) {
      const MedianMeasurement m = MeasureMedianDrawing(drawing, dpi, scale);
      return std::pair(m.failure, m.values);
    }
    const LeftEdgeMeasurement m = MeasureLeftEdgeDrawing(drawing, dpi, scale);
    return std::pair(m.failure, m.values);
  }();
  EXPECT_EQ(failure, "");
  return {values.volume_cl, values.total_height_cm};
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
      const Measured m = Measure(c.category, drawing.image, dpi, options.scale);
      const drawgen::Analytic& truth = drawing.truth;
      EXPECT_NEAR(m.capacity_cl, truth.capacity_cl, c.capacity_tolerance * truth.capacity_cl);
      EXPECT_NEAR(m.total_height_cm, truth.total_height_cm, 0.01 * truth.total_height_cm);
    }
  }
}

}  // namespace
}  // namespace orvello
