#include "accuracy/accuracy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "common/failure.h"

namespace orvello::accuracy {
namespace {

TEST(AccuracyBenchTest, MeasuresLikeTheToolsAndReportsTheirFailures) {
  static const struct {
    int category;
    drawgen::Shape shape;
    double dpi;
    double scale;
    int status;
    std::string message;
  } kCases[] = {
      {3, drawgen::Shape::kGlobularJar, 300, 1, 0, ""},
      {2, drawgen::Shape::kBowl, 300, 1, 0, ""},
      {1, drawgen::Shape::kCylinder, 300, 1, 0, ""},
      // The outline of a small drawing is not longer than 3000 pixels.
      {1, drawgen::Shape::kCylinder, 150, 0.5, 1,
       std::string(FailureMessage(Failure::kNoLeftEdge))},
  };
  for (const auto& c : kCases) {
    const std::string row = "category " + std::to_string(c.category) + " " +
                            drawgen::ShapeName(c.shape) + " " + std::to_string(c.dpi) +
                            " dpi scale " + std::to_string(c.scale);
    SCOPED_TRACE(row);
    const CaseResult r = RunCase({c.category, c.shape, c.dpi, c.scale, Rendering::kClean});
    EXPECT_EQ(r.measurement.status, c.status);
    EXPECT_EQ(r.measurement.message, c.message);
    for (int q = 0; q < kQuantityCount; ++q) {
      SCOPED_TRACE(std::string(QuantityName(static_cast<Quantity>(q))));
      const bool reported =
          c.status == 0 && (c.category != 3 || q == kCapacity || q == kTotalHeight || q == kBase);
      EXPECT_EQ(std::isfinite(r.errors[q]), reported);
    }
    if (c.status == 0) {
      EXPECT_LT(std::abs(r.errors[kCapacity]), 0.02);
      EXPECT_LT(std::abs(r.errors[kTotalHeight]), 0.01);
      // Category 3: the foot width stands for the base diameter.
      EXPECT_LT(std::abs(r.errors[kBase]), 0.05);
    }
  }
}

TEST(AccuracyBenchTest, SummaryTakesTheSignedMedianAndTheLargestMagnitude) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  static const struct {
    const char* name;
    std::vector<double> errors;
    int count;
    double median;
    double worst;
  } kCases[] = {
      {"odd", {0.01, -0.03, 0.02}, 3, 0.01, -0.03},
      {"even", {0.04, 0.01, -0.02, 0.03}, 4, 0.02, 0.04},
      {"not measured left out", {kNaN, 0.5, kNaN}, 1, 0.5, 0.5},
      {"none", {kNaN}, 0, 0, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const Summary s = Summarise(c.errors);
    EXPECT_EQ(s.count, c.count);
    EXPECT_DOUBLE_EQ(s.median, c.median);
    EXPECT_DOUBLE_EQ(s.worst, c.worst);
  }
}

}  // namespace
}  // namespace orvello::accuracy
