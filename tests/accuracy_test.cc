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
  const double p = PixelSize(dpi, scale);
  const double f = ResolutionFactor(dpi);
  if (category == 3) {
    const SilhouetteScan scan = ScanSilhouette(Binarise(drawing, Smoothing::kGaussian5x5));
    EXPECT_TRUE(scan.found);
    const SilhouetteValues v = SilhouetteResults(scan, p);
    return {v.volume_cl, v.height_cm};
  }
  const cv::Mat mask = Binarise(drawing, Smoothing::kNone);
  if (category == 2) {
    const MedianScan scan = ScanMedian(mask, f);
    EXPECT_EQ(scan.failure, MedianFailure::kNone);
    const SectionValues v = MedianResults(scan, p);
    return {v.volume_cl, v.total_height_cm};
  }
  const LeftEdge edge = FindLeftEdge(mask);
  EXPECT_GE(edge.index, 0);
  if (edge.index < 0) return {};
  const EdgeScan scan = ScanEdgeMask(edge.edge_mask, f);
  EXPECT_TRUE(scan.opening_column.has_value());
  if (!scan.opening_column) return {};
  const SectionValues v = LeftEdgeResults(scan, p);
  return {v.volume_cl, v.total_height_cm};
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
      SCOPED_TRACE("category " + std::to_string(c.category) + ", " +
                   drawgen::ShapeName(c.shape) + ", " + std::to_string(dpi) + " dpi");
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
