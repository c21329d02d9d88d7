#include "drawgen/drawgen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <numbers>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace orvello::drawgen {
namespace {

constexpr double kPi = std::numbers::pi;

double PixelsPerCm(const DrawOptions& o) { return o.dpi * o.scale / 2.54; }

// The ink mask as the measurement tools make it: grey, Otsu threshold,
// inverted (ink 255).
cv::Mat InkMask(const cv::Mat& bgr) {
  cv::Mat grey;
  cv::Mat mask;
  cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
  cv::threshold(grey, mask, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
  return 255 - mask;
}

struct Extents {
  int left = -1;
  int right = -1;
  int top = -1;
  int bottom = -1;
};

Extents InkExtents(const cv::Mat& mask) {
  cv::Mat points;
  cv::findNonZero(mask, points);
  const cv::Rect box = cv::boundingRect(points);
  return {box.x, box.x + box.width - 1, box.y, box.y + box.height - 1};
}

// First ink row of `column`, or -1.
int FirstInkRow(const cv::Mat& mask, int column) {
  for (int y = 0; y < mask.rows; ++y) {
    if (mask.at<uchar>(y, column) == 255) return y;
  }
  return -1;
}

// Category 2: what the median-line measurement finds.
struct MedianRefs {
  int floor_y = -1;
  int median_y = -1;
  int axis_x = -1;
};

MedianRefs FindMedian(const cv::Mat& mask) {
  const Extents e = InkExtents(mask);
  const int probe = static_cast<int>((e.right - e.left + 1) * 0.45 + e.left);
  MedianRefs r;
  r.floor_y = FirstInkRow(mask, probe);
  const int floor_y = r.floor_y < 0 ? e.top : r.floor_y;
  r.median_y = static_cast<int>((floor_y - e.top + 1) * 0.75 + e.top);
  for (int x = static_cast<int>(mask.cols * 0.4); x < mask.cols * 0.7; ++x) {
    if (mask.at<uchar>(r.median_y, x) == 255) r.axis_x = x;
  }
  return r;
}

// Category 1: what the left-edge measurement finds.
struct LeftEdgeRefs {
  double perimeter = 0;  // of the chosen contour, 0 when none qualifies
  int axis_x = -1;       // rightmost column of the filled contour
  int top_y = -1;
  int floor_y = -1;
};

LeftEdgeRefs FindLeftEdge(const cv::Mat& mask, double dpi) {
  std::vector<std::vector<cv::Point>> contours;
  std::vector<cv::Vec4i> hierarchy;
  cv::findContours(mask, contours, hierarchy, cv::RETR_TREE, cv::CHAIN_APPROX_SIMPLE);
  LeftEdgeRefs r;
  for (size_t i = 0; i < contours.size(); ++i) {
    const double perimeter = cv::arcLength(contours[i], true);
    if (perimeter <= 3000) continue;
    long sum = 0;
    for (const cv::Point& p : contours[i]) sum += p.x;
    if (sum / static_cast<long>(contours[i].size()) >= mask.cols / 3) continue;
    cv::Mat edge = cv::Mat::zeros(mask.size(), CV_8UC1);
    cv::drawContours(edge, contours, static_cast<int>(i), cv::Scalar(255), cv::FILLED, cv::LINE_8,
                     hierarchy, 0);
    const Extents e = InkExtents(edge);
    r.perimeter = perimeter;
    r.axis_x = e.right;
    r.top_y = e.top;
    r.floor_y = FirstInkRow(edge, static_cast<int>(r.axis_x - 15 * 300 / dpi));
    break;
  }
  return r;
}

// Capacity in cL estimated from the picture as a stack of one-pixel discs:
// the interior radius from the axis to the first ink on its left, from the
// rim top row down to the row above the inner floor.
double InteriorCapacityFromPicture(const cv::Mat& mask, const Drawing& d, double k) {
  double sum = 0;
  for (int y = d.top_y; y < d.floor_y; ++y) {
    for (int x = d.axis_x - 4; x >= 0; --x) {
      if (mask.at<uchar>(y, x) == 255) {
        sum += kPi * std::pow(d.axis_x - x, 2);
        break;
      }
    }
  }
  return sum / std::pow(k, 3) / 10;
}

// The same for a category-3 silhouette: each row's outermost ink.
double SilhouetteVolumeFromPicture(const cv::Mat& mask, double k) {
  double sum = 0;
  for (int y = 0; y < mask.rows; ++y) {
    cv::Mat points;
    cv::findNonZero(mask.row(y), points);
    if (points.empty()) continue;
    const cv::Rect box = cv::boundingRect(points);
    sum += kPi * std::pow(box.width / 2.0, 2);
  }
  return sum / std::pow(k, 3) / 10;
}

std::string Describe(const DrawOptions& o) {
  return ShapeName(o.shape) + " category " + std::to_string(o.category) + " at " +
         std::to_string(static_cast<int>(o.dpi)) + " dpi, scale " + std::to_string(o.scale) + ", " +
         std::to_string(o.height_cm) + " cm" +
         (o.width_px ? ", canvas " + std::to_string(o.width_px) + "x" + std::to_string(o.height_px)
                     : "");
}

// Checks that the drawing's ink lies where the measurement of its category
// looks for it, and that the picture holds the analytic capacity.
void CheckDrawing(const DrawOptions& o, const Drawing& d) {
  SCOPED_TRACE(Describe(o));
  ASSERT_EQ(d.image.type(), CV_8UC3);
  const cv::Mat mask = InkMask(d.image);
  const Extents e = InkExtents(mask);
  const double k = PixelsPerCm(o);
  EXPECT_EQ(e.top, d.top_y);
  EXPECT_EQ(e.bottom, d.foot_y);
  EXPECT_NEAR(d.foot_y - d.top_y + 1, o.height_cm * k, 1.0);
  EXPECT_GT(e.left, 0);
  EXPECT_LT(e.right, mask.cols - 1);
  EXPECT_GT(e.top, 0);
  EXPECT_LT(e.bottom, mask.rows - 1);
  const Analytic& t = d.truth;
  if (o.category == 3) {
    EXPECT_NEAR(SilhouetteVolumeFromPicture(mask, k), t.capacity_cl, 0.006 * t.capacity_cl);
    // Width of the bottom row: the foot, one pixel per side at most.
    cv::Mat points;
    cv::findNonZero(mask.row(d.foot_y), points);
    EXPECT_NEAR(cv::boundingRect(points).width, t.base_diameter_cm * k, 1.5);
    return;
  }
  EXPECT_NEAR(InteriorCapacityFromPicture(mask, d, k), t.capacity_cl, 0.006 * t.capacity_cl);
  EXPECT_NEAR(d.floor_y - d.top_y, t.liquid_height_cm * k, 1.0);
  const int third = mask.cols / 3;
  if (o.category == 2) {
    const MedianRefs m = FindMedian(mask);
    EXPECT_EQ(m.floor_y, d.floor_y);
    EXPECT_EQ(m.axis_x, d.axis_x);
    EXPECT_GE(d.axis_x, static_cast<int>(0.4 * mask.cols));
    EXPECT_LT(d.axis_x, 0.7 * mask.cols);
    int outline = -1;  // exterior outline on the median search row
    for (int x = d.axis_x + 1; x < mask.cols && outline < 0; ++x) {
      if (mask.at<uchar>(m.median_y, x) == 255) outline = x;
    }
    EXPECT_GE(outline, 0.7 * mask.cols);
    // The median line runs from the rim top row to the foot row, no higher.
    EXPECT_EQ(FirstInkRow(mask, d.axis_x), d.top_y);
    EXPECT_EQ(mask.at<uchar>(d.foot_y, d.axis_x), 255);
  } else {
    const LeftEdgeRefs l = FindLeftEdge(mask, o.dpi);
    EXPECT_GT(l.perimeter, 3000);
    EXPECT_EQ(l.axis_x, d.axis_x);
    EXPECT_EQ(l.top_y, d.top_y);
    EXPECT_EQ(l.floor_y, d.floor_y);
    EXPECT_LT(d.axis_x, third);
    // No axis line above the inner floor; the exterior view right of C / 3.
    EXPECT_EQ(FirstInkRow(mask, d.axis_x), d.floor_y);
    EXPECT_EQ(cv::countNonZero(mask.colRange(d.axis_x + 1, third + 1)), 0);
  }
}

// --- Every shape, category and resolution ----------------------------------

class DrawingTest : public ::testing::TestWithParam<std::tuple<Shape, int, double>> {};

TEST_P(DrawingTest, InkWhereTheMeasurementLooksAndHoldsTheCapacity) {
  DrawOptions o;
  std::tie(o.shape, o.category, o.dpi) = GetParam();
  CheckDrawing(o, Draw(o));
}

// Without antialias a pixel is ink exactly when its centre is inside the
// silhouette, so each row runs from the first to the last column whose centre
// lies within R(h) of the axis (the right edge of column axis_x): no bias of
// half a pixel. Sub-pixel rounding may move a rare edge by one column.
class SilhouetteTest : public ::testing::TestWithParam<std::tuple<Shape, double>> {};

TEST_P(SilhouetteTest, RowsHoldThePixelCentresInsideTheProfile) {
  DrawOptions o;
  std::tie(o.shape, o.dpi) = GetParam();
  o.category = 3;
  SCOPED_TRACE(Describe(o));
  const Drawing d = Draw(o);
  const Profile profile(o.shape, o.height_cm);
  const double k = PixelsPerCm(o);
  const double axis = d.axis_x + 1;
  const cv::Mat mask = InkMask(d.image);
  int off = 0;
  for (int y = d.top_y; y <= d.foot_y; ++y) {
    const double radius = profile.OuterRadius((d.foot_y + 1 - (y + 0.5)) / k) * k;
    const cv::Rect ink = cv::boundingRect(mask.row(y));
    const int left = static_cast<int>(std::ceil(axis - radius - 0.5));
    const int right = static_cast<int>(std::floor(axis + radius - 0.5));
    EXPECT_NEAR(ink.x, left, 1) << "row " << y;
    EXPECT_NEAR(ink.br().x - 1, right, 1) << "row " << y;
    EXPECT_EQ(cv::countNonZero(mask.row(y)), ink.width) << "row " << y;
    off += (ink.x != left) + (ink.br().x - 1 != right);
  }
  EXPECT_LE(off, (d.foot_y - d.top_y + 1) / 100);
}

INSTANTIATE_TEST_SUITE_P(AllShapes, DrawingTest,
                         ::testing::Combine(::testing::ValuesIn(AllShapes()),
                                            ::testing::Values(1, 2, 3),
                                            ::testing::Values(300.0, 600.0)),
                         [](const auto& info) {
                           return ShapeName(std::get<0>(info.param)) + "_cat" +
                                  std::to_string(std::get<1>(info.param)) + "_" +
                                  std::to_string(static_cast<int>(std::get<2>(info.param)));
                         });

INSTANTIATE_TEST_SUITE_P(AllShapes, SilhouetteTest,
                         ::testing::Combine(::testing::ValuesIn(AllShapes()),
                                            ::testing::Values(300.0, 600.0, 254.0)),
                         [](const auto& info) {
                           return ShapeName(std::get<0>(info.param)) + "_" +
                                  std::to_string(static_cast<int>(std::get<1>(info.param)));
                         });

// The heights from which a category-1 section outline is long enough for
// the measurement, as documented in the header, at 300 dpi and scale 1.
TEST(DrawTest, SectionOutlineLongEnoughFromTheDocumentedHeights) {
  struct Row {
    Shape shape;
    double height_cm;
  };
  static const Row kRows[] = {
      {Shape::kCylinder, 9.1},  {Shape::kBowl, 7.8},   {Shape::kGlobularJar, 8.5},
      {Shape::kNeckedJar, 8.6}, {Shape::kBeaker, 9.7}, {Shape::kCone, 9.9},
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(ShapeName(row.shape));
    DrawOptions o;
    o.category = 1;
    o.shape = row.shape;
    o.height_cm = row.height_cm;
    EXPECT_GT(FindLeftEdge(InkMask(Draw(o).image), o.dpi).perimeter, 3000);
    o.height_cm = row.height_cm - 0.2;
    EXPECT_EQ(FindLeftEdge(InkMask(Draw(o).image), o.dpi).perimeter, 0);
  }
}

// --- Canvases of a given size -----------------------------------------------

TEST(DrawTest, GivenCanvasesAreHonouredAndStillMeasurable) {
  struct Row {
    int category;
    Shape shape;
    double dpi;
    double scale;
    double height_cm;
    int width;
    int height;
  };
  static const Row kRows[] = {
      {1, Shape::kGlobularJar, 300, 1, 14, 3199, 2052},
      {1, Shape::kCylinder, 600, 0.5, 12, 2600, 2000},
      {2, Shape::kNeckedJar, 300, 1, 12, 1919, 1696},
      {2, Shape::kBowl, 300, 1, 6, 2400, 1000},
      {2, Shape::kCone, 600, 1, 5, 1500, 1400},
      {3, Shape::kBowl, 600, 0.1, 10, 500, 356},
      {3, Shape::kBeaker, 300, 1, 10, 1000, 1300},
  };
  for (const Row& row : kRows) {
    DrawOptions o;
    o.category = row.category;
    o.shape = row.shape;
    o.dpi = row.dpi;
    o.scale = row.scale;
    o.height_cm = row.height_cm;
    o.width_px = row.width;
    o.height_px = row.height;
    SCOPED_TRACE(Describe(o));
    const Drawing d = Draw(o);
    EXPECT_EQ(d.image.cols, row.width);
    EXPECT_EQ(d.image.rows, row.height);
    CheckDrawing(o, d);
  }
}

// --- Analytic values
// ----------------------------------------------------------

TEST(AnalyticTest, MatchesClosedForms) {
  // Cylinder: outer radius 4, wall 0.6, floor at 0.8 (10 cm). Cone: outer
  // radius 1.9 + 0.23 h, vertical foot up to 1 cm, wall 0.5 across the
  // surface, floor at 0.7.
  const double cone_wall = 0.5 * std::sqrt(1 + 0.23 * 0.23);
  const double foot = 1.9 + 0.23;
  auto frustum = [](double r1, double r2, double h) {
    return kPi * h / 3 * (r1 * r1 + r1 * r2 + r2 * r2);
  };
  const double r1 = 1.9 + 0.23 * 0.7 - cone_wall;
  const double r2 = 4.2 - cone_wall;
  struct Row {
    Shape shape;
    int category;
    Analytic expected;
  };
  const Row kRows[] = {
      {Shape::kCylinder, 3, {kPi * 16 * 10 / 10, 10, 0, 0, 8, 0}},
      {Shape::kCylinder, 2, {kPi * 3.4 * 3.4 * 9.2 / 10, 10, 9.2, 6.8, 8, 0.6}},
      {Shape::kCylinder, 1, {kPi * 3.4 * 3.4 * 9.2 / 10, 10, 9.2, 6.8, 8, 0.6}},
      {Shape::kCone,
       3,
       {(kPi * foot * foot * 1 + frustum(foot, 4.2, 9)) / 10, 10, 0, 0, 2 * foot, 0}},
      {Shape::kCone,
       1,
       {frustum(r1, r2, 9.3) / 10, 10, 9.3, 2 * r2, 2 * foot,
        // mean of R - r: the wall, plus the foot's extra width below 1 cm
        (cone_wall * 9.3 + 0.23 * 0.3 * 0.3 / 2) / 9.3}},
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(ShapeName(row.shape) + " category " + std::to_string(row.category));
    const Analytic a = AnalyticValues(row.shape, row.category, 10);
    EXPECT_NEAR(a.capacity_cl, row.expected.capacity_cl, 1e-9);
    EXPECT_NEAR(a.total_height_cm, row.expected.total_height_cm, 1e-12);
    EXPECT_NEAR(a.liquid_height_cm, row.expected.liquid_height_cm, 1e-12);
    EXPECT_NEAR(a.opening_diameter_cm, row.expected.opening_diameter_cm, 1e-12);
    EXPECT_NEAR(a.base_diameter_cm, row.expected.base_diameter_cm, 1e-12);
    EXPECT_NEAR(a.rim_width_cm, row.expected.rim_width_cm, 1e-9);
  }
}

TEST(AnalyticTest, ScalesWithTheCubeOfTheHeight) {
  for (Shape shape : AllShapes()) {
    for (int category : {1, 2, 3}) {
      SCOPED_TRACE(ShapeName(shape) + " category " + std::to_string(category));
      const Analytic a = AnalyticValues(shape, category, 10);
      const Analytic b = AnalyticValues(shape, category, 20);
      EXPECT_NEAR(b.capacity_cl, 8 * a.capacity_cl, 1e-9 * b.capacity_cl);
      EXPECT_NEAR(b.opening_diameter_cm, 2 * a.opening_diameter_cm, 1e-9);
      EXPECT_NEAR(b.rim_width_cm, 2 * a.rim_width_cm, 1e-9);
      // Plausible pottery: the mouth well wider than 30 px at 300 dpi.
      if (category != 3) {
        EXPECT_GT(a.opening_diameter_cm / 2 * 300 / 2.54, 60);
      }
    }
  }
}

// The analytic values do not depend on the resolution or the scale; the
// picture grows with dpi * scale.
TEST(DrawTest, AnalyticValuesIgnoreResolutionAndScale) {
  struct Row {
    double dpi;
    double scale;
  };
  static const Row kRows[] = {{600, 1}, {300, 0.5}, {150, 2}, {400, 0.75}};
  for (Shape shape : AllShapes()) {
    for (int category : {1, 2, 3}) {
      DrawOptions base;
      base.shape = shape;
      base.category = category;
      const Drawing reference = Draw(base);
      const double reference_rows = reference.foot_y - reference.top_y + 1;
      for (const Row& row : kRows) {
        DrawOptions o = base;
        o.dpi = row.dpi;
        o.scale = row.scale;
        SCOPED_TRACE(Describe(o));
        const Drawing d = Draw(o);
        EXPECT_EQ(d.truth.capacity_cl, reference.truth.capacity_cl);
        EXPECT_EQ(d.truth.liquid_height_cm, reference.truth.liquid_height_cm);
        EXPECT_EQ(d.truth.opening_diameter_cm, reference.truth.opening_diameter_cm);
        EXPECT_EQ(d.truth.base_diameter_cm, reference.truth.base_diameter_cm);
        EXPECT_EQ(d.truth.rim_width_cm, reference.truth.rim_width_cm);
        const double factor = row.dpi * row.scale / 300;
        EXPECT_NEAR(d.foot_y - d.top_y + 1, reference_rows * factor, 1.0);
        EXPECT_NEAR(d.image.cols, reference.image.cols * factor,
                    0.1 * reference.image.cols * factor);
      }
    }
  }
}

// --- Options
// --------------------------------------------------------------------

TEST(DrawTest, RenderingOptionsKeepTheReferences) {
  struct Row {
    const char* name;
    int category;
    bool antialias;
    bool noise;
    bool filled;
  };
  static const Row kRows[] = {
      {"antialias", 1, true, false, true},     {"antialias", 2, true, false, true},
      {"antialias", 3, true, false, true},     {"noise", 1, false, true, true},
      {"noise", 2, false, true, true},         {"noise", 3, false, true, true},
      {"both", 2, true, true, true},           {"outline", 3, false, false, false},
      {"outline noise", 3, true, true, false},
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(std::string(row.name) + " category " + std::to_string(row.category));
    DrawOptions o;
    o.shape = Shape::kNeckedJar;
    o.category = row.category;
    const Drawing plain = Draw(o);
    o.antialias = row.antialias;
    o.noise = row.noise;
    o.filled = row.filled;
    const Drawing d = Draw(o);
    ASSERT_EQ(d.image.size(), plain.image.size());
    EXPECT_EQ(d.axis_x, plain.axis_x);
    CheckDrawing(o, d);
    cv::Mat grey;
    cv::cvtColor(d.image, grey, cv::COLOR_BGR2GRAY);
    const cv::Mat mask = InkMask(d.image);
    const cv::Mat plain_mask = InkMask(plain.image);
    cv::Mat differ;
    cv::bitwise_xor(mask, plain_mask, differ);
    if (!row.filled) {
      // The outline keeps every row's outermost ink of the filled silhouette
      // (to a pixel when antialiased).
      const int slack = row.antialias ? 1 : 0;
      for (int y = d.top_y; y <= d.foot_y; ++y) {
        const cv::Rect a = cv::boundingRect(mask.row(y));
        const cv::Rect b = cv::boundingRect(plain_mask.row(y));
        EXPECT_NEAR(a.x, b.x, slack) << "row " << y;
        EXPECT_NEAR(a.br().x, b.br().x, slack) << "row " << y;
      }
      EXPECT_LT(cv::countNonZero(mask), cv::countNonZero(plain_mask) / 5);
    } else {
      // Antialiased edges binarise to nearly the same pixels.
      EXPECT_LT(cv::countNonZero(differ), cv::countNonZero(plain_mask) / 20);
    }
    cv::Scalar mean;
    cv::Scalar sigma;
    cv::meanStdDev(grey, mean, sigma, 255 - mask);  // paper only
    if (row.noise) {
      EXPECT_NEAR(mean[0], 230, 5);
      EXPECT_NEAR(sigma[0], 6, 1.5);
    } else if (row.antialias) {
      EXPECT_GT(mean[0], 250);
      const int grey_levels = cv::countNonZero((grey > 20) & (grey < 235));
      EXPECT_GT(grey_levels, 1000);
    }
  }
}

TEST(DrawTest, NoiseDependsOnlyOnTheSeed) {
  DrawOptions o;
  o.category = 2;
  o.noise = true;
  const cv::Mat a = Draw(o).image;
  const cv::Mat b = Draw(o).image;
  o.seed = 2;
  const cv::Mat c = Draw(o).image;
  EXPECT_EQ(cv::norm(a, b, cv::NORM_INF), 0);
  EXPECT_GT(cv::norm(a, c, cv::NORM_INF), 0);
}

TEST(DrawTest, MirroredIsTheFlippedDrawing) {
  for (int category : {1, 2}) {
    SCOPED_TRACE(category);
    DrawOptions o;
    o.shape = Shape::kBowl;
    o.category = category;
    const Drawing plain = Draw(o);
    o.mirrored = true;
    const Drawing d = Draw(o);
    cv::Mat flipped;
    cv::flip(plain.image, flipped, 1);
    EXPECT_EQ(cv::norm(d.image, flipped, cv::NORM_INF), 0);
    EXPECT_EQ(d.axis_x, d.image.cols - 1 - plain.axis_x);
    EXPECT_EQ(d.top_y, plain.top_y);
    EXPECT_EQ(d.floor_y, plain.floor_y);
  }
}

TEST(DrawTest, InvalidOptionsThrow) {
  struct Row {
    const char* name;
    void (*change)(DrawOptions*);
  };
  static const Row kRows[] = {
      {"category 0", [](DrawOptions* o) { o->category = 0; }},
      {"category 4", [](DrawOptions* o) { o->category = 4; }},
      {"dpi 0", [](DrawOptions* o) { o->dpi = 0; }},
      {"dpi -300", [](DrawOptions* o) { o->dpi = -300; }},
      {"dpi NaN", [](DrawOptions* o) { o->dpi = std::numeric_limits<double>::quiet_NaN(); }},
      {"scale 0", [](DrawOptions* o) { o->scale = 0; }},
      {"height 0", [](DrawOptions* o) { o->height_cm = 0; }},
      {"negative width", [](DrawOptions* o) { o->width_px = -1; }},
      {"narrow canvas", [](DrawOptions* o) { o->width_px = 500; }},
      {"low canvas", [](DrawOptions* o) { o->height_px = 1000; }},
      {"section not in the left third",
       [](DrawOptions* o) {
         o->category = 1;
         o->width_px = 1700;
       }},
      {"huge", [](DrawOptions* o) { o->dpi = 1e6; }},
      {"negative pen", [](DrawOptions* o) { o->pen_mm = -0.1; }},
      {"negative breaks", [](DrawOptions* o) { o->breaks = -1; }},
      {"negative specks", [](DrawOptions* o) { o->specks = -1; }},
      {"skew 46", [](DrawOptions* o) { o->skew_deg = 46; }},
      {"JPEG quality 101", [](DrawOptions* o) { o->jpeg_quality = 101; }},
      {"section fill in category 3",
       [](DrawOptions* o) {
         o->category = 3;
         o->section_fill = SectionFill::kGrey;
       }},
      {"breaks in a filled silhouette",
       [](DrawOptions* o) {
         o->category = 3;
         o->breaks = 1;
       }},
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    DrawOptions o;
    o.shape = Shape::kGlobularJar;
    row.change(&o);
    EXPECT_THROW(Draw(o), std::invalid_argument);
  }
  EXPECT_THROW(AnalyticValues(Shape::kBowl, 0, 10), std::invalid_argument);
  EXPECT_THROW(AnalyticValues(Shape::kBowl, 1, -1), std::invalid_argument);
}

// --- Surface conventions ------------------------------------------------------

// A run of ink on a row, in edge coordinates: columns [lo, hi).
struct InkRun {
  double lo;
  double hi;
  double Middle() const { return (lo + hi) / 2; }
};

std::vector<InkRun> InkRuns(const cv::Mat& row) {
  std::vector<InkRun> runs;
  for (int x = 0; x < row.cols; ++x) {
    if (row.at<uchar>(0, x) != 255) continue;
    if (runs.empty() || runs.back().hi < x) runs.push_back({static_cast<double>(x), 0});
    runs.back().hi = x + 1;
  }
  return runs;
}

// The run of `runs` nearest to edge coordinate `x`.
InkRun Nearest(const std::vector<InkRun>& runs, double x) {
  InkRun best{-1e9, -1e9};
  for (const InkRun& r : runs) {
    if (std::abs(r.Middle() - x) < std::abs(best.Middle() - x)) best = r;
  }
  return best;
}

// In kEdge a stroke lies inside the material with its outer edge on the
// surface; in kMiddle its middle lies on the surface. Checked on a cylinder
// (vertical walls, flat rim and floor), at 600 dpi (4 px strokes, a 3 px
// median line), on the row halfway down the liquid height, against the
// analytic radii and Drawing's positions.
TEST(SurfaceTest, StrokesLieWhereTheConventionSays) {
  struct Row {
    int category;
    Surface surface;
    bool mirrored;
  };
  static const Row kRows[] = {
      {2, Surface::kEdge, false},   {2, Surface::kMiddle, false}, {2, Surface::kMiddle, true},
      {1, Surface::kEdge, false},   {1, Surface::kMiddle, false}, {3, Surface::kEdge, false},
      {3, Surface::kMiddle, false},
  };
  for (const Row& row : kRows) {
    DrawOptions o;
    o.category = row.category;
    o.surface = row.surface;
    o.mirrored = row.mirrored;
    o.filled = false;
    o.dpi = 600;
    const bool middle = row.surface == Surface::kMiddle;
    SCOPED_TRACE(Describe(o) + (middle ? " middle" : " edge") + (row.mirrored ? " mirrored" : ""));
    const Drawing d = Draw(o);
    const Lines& want = middle ? d.middle : d.edge;
    EXPECT_EQ(d.surface.axis_x, want.axis_x);
    EXPECT_EQ(d.surface.rim_y, want.rim_y);
    EXPECT_EQ(d.surface.floor_y, want.floor_y);
    const double s = d.stroke_px;
    EXPECT_EQ(s, 4);
    // Where the other convention reads the rim: half a stroke lower
    // (kEdge) or higher (kMiddle).
    EXPECT_NEAR(d.middle.rim_y - d.edge.rim_y, s / 2, 1e-9);

    const cv::Mat mask = InkMask(d.image);
    const double k = PixelsPerCm(o);
    const double sign = row.mirrored ? -1 : 1;   // the section is left of the axis
    const double axis = d.surface.axis_x + 0.5;  // edge coordinates
    const double low = row.category == 3 ? d.foot_y : d.surface.floor_y;
    const int y = static_cast<int>(std::lround((d.surface.rim_y + low) / 2));
    const std::vector<InkRun> runs = InkRuns(mask.row(y));
    auto reads = [&](const InkRun& r, double outward) {  // where the convention reads a stroke
      if (middle) return r.Middle();
      return outward < 0 ? r.lo : r.hi;  // the edge away from the material
    };
    const double R = 4 * k;  // cylinder: outer radius 4 cm, inner 3.4 cm
    const double r = 3.4 * k;
    if (row.category == 3) {
      EXPECT_NEAR(reads(Nearest(runs, axis - R), -1), axis - R, 0.6);
      EXPECT_NEAR(reads(Nearest(runs, axis + R), +1), axis + R, 0.6);
      continue;
    }
    EXPECT_NEAR(reads(Nearest(runs, axis - sign * R), -sign), axis - sign * R, 0.6);
    EXPECT_NEAR(reads(Nearest(runs, axis - sign * r), sign), axis - sign * r, 0.6);
    if (row.category == 2) {
      const InkRun line = Nearest(runs, axis);
      EXPECT_NEAR(line.hi - line.lo, d.median_px, 1e-9);
      EXPECT_NEAR(reads(line, sign), axis, 0.6);
      EXPECT_NEAR(middle ? d.edge.axis_x - d.surface.axis_x : d.surface.axis_x - d.middle.axis_x,
                  sign * d.median_px / 2, 1e-9);
    } else {
      // The closing stroke, on a row of the base below the inner floor.
      const int base = static_cast<int>(std::lround(d.surface.floor_y + 0.3 * k));
      const InkRun closing = Nearest(InkRuns(mask.row(base)), axis);
      EXPECT_NEAR(closing.hi - closing.lo, s, 1e-9);
      EXPECT_NEAR(reads(closing, sign), axis, 0.6);
    }
    // The rim stroke and the floor stroke, down the middle of the wall and
    // down the interior.
    auto column_runs = [&](double x) {
      cv::Mat column = mask.col(static_cast<int>(x)).t();
      return InkRuns(column);
    };
    const std::vector<InkRun> wall = column_runs(axis - sign * (R + r) / 2);
    ASSERT_FALSE(wall.empty());
    EXPECT_NEAR(middle ? wall.front().Middle() : wall.front().lo, d.surface.rim_y + 0.5, 0.6);
    const InkRun floor = Nearest(column_runs(axis - sign * r / 2), d.surface.floor_y + 0.5);
    EXPECT_NEAR(middle ? floor.Middle() : floor.lo, d.surface.floor_y + 0.5, 0.6);
  }
}

// --- Degradations of real scans -------------------------------------------------

// The row `share` of the way from the foot up to the rim top.
int RowAt(const Drawing& d, double share) {
  return static_cast<int>(std::lround(d.foot_y - share * (d.foot_y - d.top_y)));
}

int Components(const cv::Mat& mask) {
  cv::Mat labels;
  return cv::connectedComponents(mask, labels, 8) - 1;
}

// Each degradation keeps the analytic values, changes the picture as it
// should, and gives the same picture for the same options (and a different
// one for another seed when it is random).
TEST(DegradationTest, KeepsTheTruthChangesThePictureAndFollowsTheSeed) {
  using Check = void (*)(const DrawOptions&, const Drawing& plain, const Drawing& d);
  struct Row {
    const char* name;
    int category;
    Shape shape;
    void (*apply)(DrawOptions*);
    bool seeded;
    Check check;
  };
  static const Row kRows[] = {
      {"skew 2 degrees", 2, Shape::kCylinder, [](DrawOptions* o) { o->skew_deg = 2; }, false,
       [](const DrawOptions&, const Drawing& plain, const Drawing& d) {
         EXPECT_GT(d.image.cols, plain.image.cols);
         EXPECT_GT(d.image.rows, plain.image.rows);
         // The median line follows the turned axis.
         const cv::Mat mask = InkMask(d.image);
         for (int y = d.top_y + 5; y < d.foot_y - 5; y += 40) {
           const cv::Vec2d p = d.skew * cv::Vec3d(d.middle.axis_x, y, 1);
           EXPECT_EQ(mask.at<uchar>(static_cast<int>(std::lround(p[1])),
                                    static_cast<int>(std::lround(p[0]))),
                     255)
               << "row " << y;
         }
       }},
      {"skew -3 degrees", 3, Shape::kGlobularJar, [](DrawOptions* o) { o->skew_deg = -3; }, false,
       [](const DrawOptions&, const Drawing& plain, const Drawing& d) {
         // The ink's area stays (the sheet is turned, not stretched).
         const double a = cv::countNonZero(InkMask(plain.image));
         EXPECT_NEAR(cv::countNonZero(InkMask(d.image)), a, 0.01 * a);
         const cv::Vec2d foot = d.skew * cv::Vec3d(d.surface.axis_x, d.foot_y, 1);
         const cv::Vec2d rim = d.skew * cv::Vec3d(d.surface.axis_x, d.top_y, 1);
         // Counter-clockwise as seen: the rim moves left of the foot.
         EXPECT_NEAR(std::atan2(foot[0] - rim[0], foot[1] - rim[1]) * 180 / kPi, -3, 1e-9);
       }},
      {"caption", 2, Shape::kNeckedJar, [](DrawOptions* o) { o->caption = true; }, false,
       [](const DrawOptions& o, const Drawing& plain, const Drawing& d) {
         const cv::Mat mask = InkMask(d.image);
         const int shift = d.axis_x - plain.axis_x;
         const Extents vessel = InkExtents(InkMask(plain.image));
         const double mm = o.dpi / 25.4;
         // "Fig. 12" under the foot, the number left of the vessel.
         EXPECT_GT(cv::countNonZero(mask.rowRange(d.foot_y + static_cast<int>(2 * mm), mask.rows)),
                   100);
         EXPECT_GT(cv::countNonZero(mask.colRange(0, vessel.left + shift - static_cast<int>(mm))),
                   100);
         EXPECT_EQ(d.top_y, plain.top_y);
       }},
      {"scale bar", 1, Shape::kCylinder, [](DrawOptions* o) { o->scale_bar = true; }, false,
       [](const DrawOptions& o, const Drawing&, const Drawing& d) {
         EXPECT_EQ(d.scale_bar_cm, 5);
         EXPECT_NEAR(d.scale_bar_x1 - d.scale_bar_x0, 5 * PixelsPerCm(o), 0.5);
         const cv::Mat mask = InkMask(d.image);
         const int y = static_cast<int>(d.scale_bar_y);
         EXPECT_GT(y, d.foot_y);
         const cv::Rect bar = cv::boundingRect(mask.row(y));
         EXPECT_NEAR(bar.x, d.scale_bar_x0 + 0.5, 0.5);
         EXPECT_NEAR(bar.br().x, d.scale_bar_x1 + 0.5, 0.5);
       }},
      {"specks", 2, Shape::kBowl, [](DrawOptions* o) { o->specks = 30; }, true,
       [](const DrawOptions&, const Drawing& plain, const Drawing& d) {
         const int added = Components(InkMask(d.image)) - Components(InkMask(plain.image));
         EXPECT_GE(added, 25);
         EXPECT_LE(added, 30);
         EXPECT_EQ(d.image.size(), plain.image.size());
       }},
      {"pen 0.8 mm", 2, Shape::kCylinder, [](DrawOptions* o) { o->pen_mm = 0.8; }, false,
       [](const DrawOptions& o, const Drawing&, const Drawing& d) {
         EXPECT_NEAR(d.stroke_px, 0.8 * o.dpi / 25.4, 1e-9);
         EXPECT_EQ(d.median_px, d.stroke_px);
         const std::vector<InkRun> runs = InkRuns(InkMask(d.image).row(RowAt(d, 0.5)));
         ASSERT_GE(runs.size(), 4u);
         for (const InkRun& r : runs) EXPECT_NEAR(r.hi - r.lo, d.stroke_px, 1) << r.lo;
       }},
      {"black section", 2, Shape::kCylinder,
       [](DrawOptions* o) { o->section_fill = SectionFill::kBlack; }, false,
       [](const DrawOptions& o, const Drawing& plain, const Drawing& d) {
         const double k = PixelsPerCm(o);
         const double axis = d.surface.axis_x + 0.5;
         const cv::Mat row = InkMask(d.image).row(RowAt(d, 0.5));
         const std::vector<InkRun> runs = InkRuns(row);
         const InkRun wall = Nearest(runs, axis - 3.7 * k);
         EXPECT_NEAR(wall.lo, axis - 4 * k, 0.6);  // solid from surface to surface
         EXPECT_NEAR(wall.hi, axis - 3.4 * k, 0.6);
         EXPECT_EQ(d.top_y, plain.top_y);
         EXPECT_EQ(d.floor_y, plain.floor_y);
       }},
      {"grey section", 2, Shape::kCylinder,
       [](DrawOptions* o) { o->section_fill = SectionFill::kGrey; }, false,
       [](const DrawOptions& o, const Drawing&, const Drawing& d) {
         const int x = static_cast<int>(d.surface.axis_x - 3.7 * PixelsPerCm(o));
         EXPECT_EQ(d.image.at<cv::Vec3b>(RowAt(d, 0.5), x), cv::Vec3b(160, 160, 160));
       }},
      {"hatched section", 1, Shape::kCylinder,
       [](DrawOptions* o) { o->section_fill = SectionFill::kHatched; }, false,
       [](const DrawOptions& o, const Drawing&, const Drawing& d) {
         const int x = static_cast<int>(d.surface.axis_x - 3.7 * PixelsPerCm(o));
         const cv::Mat column = InkMask(d.image).col(x).rowRange(RowAt(d, 0.8), RowAt(d, 0.3));
         const double ink = cv::countNonZero(column) / static_cast<double>(column.rows);
         EXPECT_GT(ink, 0.1);  // lines 1.2 mm apart, one stroke wide
         EXPECT_LT(ink, 0.5);
       }},
      {"breaks", 2, Shape::kCylinder, [](DrawOptions* o) { o->breaks = 3; }, true,
       [](const DrawOptions&, const Drawing& plain, const Drawing& d) {
         const cv::Mat a = InkMask(plain.image);
         const cv::Mat b = InkMask(d.image);
         EXPECT_EQ(cv::countNonZero(b & ~a), 0);  // nothing drawn, only cut
         const int cut = cv::countNonZero(a & ~b);
         EXPECT_GT(cut, 3 * 2 * 2);  // three gaps across 2 px strokes
         EXPECT_LT(cut, 3 * 10 * 12);
         EXPECT_GT(Components(b), Components(a));
       }},
      {"breaks in an outline silhouette", 3, Shape::kBeaker,
       [](DrawOptions* o) {
         o->filled = false;
         o->breaks = 2;
       },
       true,
       [](const DrawOptions&, const Drawing& plain, const Drawing& d) {
         const cv::Mat a = InkMask(plain.image);
         const cv::Mat b = InkMask(d.image);
         EXPECT_EQ(cv::countNonZero(b & ~a), 0);
         EXPECT_GT(cv::countNonZero(a & ~b), 0);
       }},
      {"JPEG quality 40", 2, Shape::kGlobularJar, [](DrawOptions* o) { o->jpeg_quality = 40; },
       false,
       [](const DrawOptions&, const Drawing& plain, const Drawing& d) {
         cv::Mat diff;
         cv::absdiff(plain.image, d.image, diff);
         EXPECT_GT(cv::norm(diff, cv::NORM_INF), 20);
         EXPECT_LT(cv::mean(diff)[0], 3);
         const cv::Mat a = InkMask(plain.image);
         cv::Mat differ;
         cv::bitwise_xor(a, InkMask(d.image), differ);
         EXPECT_LT(cv::countNonZero(differ), cv::countNonZero(a) / 10);
       }},
      {"handle", 2, Shape::kNeckedJar, [](DrawOptions* o) { o->handle = true; }, false,
       [](const DrawOptions& o, const Drawing& plain, const Drawing& d) {
         const Profile profile(o.shape, o.height_cm);
         double widest = 0;
         for (int i = 0; i <= 100; ++i) {
           widest = std::max(widest, profile.OuterRadius(o.height_cm * i / 100));
         }
         widest *= PixelsPerCm(o);
         const int y = RowAt(d, 0.675);
         const cv::Rect a = cv::boundingRect(InkMask(plain.image).row(y));
         const cv::Rect b = cv::boundingRect(InkMask(d.image).row(y));
         EXPECT_LT(a.br().x - 1 - plain.axis_x, widest);
         EXPECT_GT(b.br().x - 1 - d.axis_x, widest * 1.2);
         // The section is untouched.
         const int w = d.axis_x - static_cast<int>(widest) - 2;
         const cv::Rect left(d.axis_x - w, 0, w + 1, d.image.rows);
         const cv::Rect plain_left(plain.axis_x - w, 0, w + 1, plain.image.rows);
         EXPECT_EQ(cv::norm(d.image(left), plain.image(plain_left), cv::NORM_INF), 0);
       }},
      {"handle on a silhouette", 3, Shape::kCone, [](DrawOptions* o) { o->handle = true; }, false,
       [](const DrawOptions&, const Drawing&, const Drawing& d) {
         const cv::Rect b = cv::boundingRect(InkMask(d.image).row(RowAt(d, 0.675)));
         EXPECT_GT(b.br().x - 1 - d.axis_x, 1.2 * (d.axis_x - b.x));  // asymmetric
       }},
      {"middle surface", 2, Shape::kBowl, [](DrawOptions* o) { o->surface = Surface::kMiddle; },
       false,
       [](const DrawOptions&, const Drawing&, const Drawing& d) {
         EXPECT_EQ(d.surface.rim_y, d.middle.rim_y);
         EXPECT_EQ(d.surface.axis_x, d.middle.axis_x);
         EXPECT_LT(d.top_y, d.surface.rim_y);  // ink above the rim top
         EXPECT_NEAR(d.surface.rim_y - d.top_y, d.stroke_px / 2 - 0.5, 0.5);
       }},
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    DrawOptions o;
    o.category = row.category;
    o.shape = row.shape;
    const Drawing plain = Draw(o);
    row.apply(&o);
    const Drawing d = Draw(o);
    const Analytic& a = plain.truth;
    const Analytic& b = d.truth;
    EXPECT_EQ(b.capacity_cl, a.capacity_cl);
    EXPECT_EQ(b.total_height_cm, a.total_height_cm);
    EXPECT_EQ(b.liquid_height_cm, a.liquid_height_cm);
    EXPECT_EQ(b.opening_diameter_cm, a.opening_diameter_cm);
    EXPECT_EQ(b.base_diameter_cm, a.base_diameter_cm);
    EXPECT_EQ(b.rim_width_cm, a.rim_width_cm);
    EXPECT_TRUE(d.image.size() != plain.image.size() ||
                cv::norm(d.image, plain.image, cv::NORM_INF) > 0);
    row.check(o, plain, d);
    const cv::Mat again = Draw(o).image;
    ASSERT_EQ(again.size(), d.image.size());
    EXPECT_EQ(cv::norm(again, d.image, cv::NORM_INF), 0);
    o.seed += 1;
    const cv::Mat other = Draw(o).image;
    ASSERT_EQ(other.size(), d.image.size());
    EXPECT_EQ(cv::norm(other, d.image, cv::NORM_INF) > 0, row.seeded);
  }
}

TEST(ShapeTest, NamesRoundTrip) {
  for (Shape shape : AllShapes()) {
    Shape parsed = Shape::kCylinder;
    EXPECT_TRUE(ParseShape(ShapeName(shape), &parsed)) << ShapeName(shape);
    EXPECT_EQ(parsed, shape) << ShapeName(shape);
  }
  Shape unchanged = Shape::kCone;
  EXPECT_FALSE(ParseShape("amphora", &unchanged));
  EXPECT_EQ(unchanged, Shape::kCone);
  for (Surface surface : {Surface::kEdge, Surface::kMiddle}) {
    Surface parsed = Surface::kEdge;
    EXPECT_TRUE(ParseSurface(SurfaceName(surface), &parsed)) << SurfaceName(surface);
    EXPECT_EQ(parsed, surface);
  }
  for (SectionFill fill :
       {SectionFill::kNone, SectionFill::kBlack, SectionFill::kGrey, SectionFill::kHatched}) {
    SectionFill parsed = SectionFill::kNone;
    EXPECT_TRUE(ParseSectionFill(SectionFillName(fill), &parsed)) << SectionFillName(fill);
    EXPECT_EQ(parsed, fill);
  }
  Surface surface = Surface::kEdge;
  EXPECT_FALSE(ParseSurface("inside", &surface));
  SectionFill fill = SectionFill::kNone;
  EXPECT_FALSE(ParseSectionFill("red", &fill));
}

// --- Files
// -----------------------------------------------------------------------

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    dir_ = std::filesystem::temp_directory_path() / ("drawgen_test_" + std::to_string(random()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};

std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Le(const std::vector<unsigned char>& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + i];
  return v;
}

TEST_F(FileTest, Bitmap1ReadsBackAsTheThresholdedImage) {
  struct Row {
    const char* name;
    int width;
    int height;
    int channels;
  };
  static const Row kRows[] = {
      {"one pixel", 1, 1, 1}, {"32 wide", 32, 3, 3}, {"33 wide", 33, 7, 3},
      {"odd", 37, 5, 1},      {"drawing", 0, 0, 3},
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    cv::Mat image;
    if (row.width == 0) {
      DrawOptions o;
      o.category = 1;
      o.antialias = true;
      o.noise = true;
      image = Draw(o).image;
    } else {
      image.create(row.height, row.width, CV_8UC(row.channels));
      cv::randu(image, 0, 256);
    }
    const std::string path = Path("out.bmp");
    ASSERT_TRUE(WriteBitmap1(path, image, 300));
    cv::Mat grey = image;
    if (image.channels() == 3) cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
    cv::Mat expected;
    cv::threshold(grey, expected, 127, 255, cv::THRESH_BINARY);
    const cv::Mat read = cv::imread(path, cv::IMREAD_GRAYSCALE);
    ASSERT_EQ(read.size(), image.size());
    EXPECT_EQ(cv::norm(read, expected, cv::NORM_INF), 0);
    const std::vector<unsigned char> bytes = ReadBytes(path);
    const uint32_t stride = (image.cols + 31) / 32 * 4;
    ASSERT_EQ(bytes.size(), 62 + stride * image.rows);
    EXPECT_EQ(Le(bytes, 2, 4), bytes.size());
    EXPECT_EQ(Le(bytes, 10, 4), 62u);  // pixel data offset
    EXPECT_EQ(Le(bytes, 14, 4), 40u);  // BITMAPINFOHEADER
    EXPECT_EQ(Le(bytes, 22, 4),
              static_cast<uint32_t>(image.rows));  // bottom-up
    EXPECT_EQ(Le(bytes, 28, 2), 1u);               // bits per pixel
    EXPECT_EQ(Le(bytes, 38, 4), 11811u);           // 300 dpi in pixels per metre
    EXPECT_EQ(Le(bytes, 54, 4), 0x000000u);        // palette: black
    EXPECT_EQ(Le(bytes, 58, 4), 0xffffffu);        // then white
  }
  EXPECT_FALSE(WriteBitmap1(Path("missing/out.bmp"), cv::Mat(2, 2, CV_8UC1)));
}

TEST_F(FileTest, JpegDensityIsPatched) {
  const std::string jpeg = Path("out.jpg");
  ASSERT_TRUE(cv::imwrite(jpeg, cv::Mat(8, 8, CV_8UC1, cv::Scalar(200))));
  ASSERT_TRUE(SetJpegDensity(jpeg, 600));
  const std::vector<unsigned char> bytes = ReadBytes(jpeg);
  EXPECT_EQ(bytes[13], 1);  // dots per inch
  EXPECT_EQ(Le(bytes, 14, 1) << 8 | bytes[15], 600u);
  EXPECT_EQ(Le(bytes, 16, 1) << 8 | bytes[17], 600u);
  EXPECT_FALSE(cv::imread(jpeg, cv::IMREAD_UNCHANGED).empty());

  const std::string png = Path("out.png");
  ASSERT_TRUE(cv::imwrite(png, cv::Mat(8, 8, CV_8UC1, cv::Scalar(200))));
  EXPECT_FALSE(SetJpegDensity(png, 300));
  EXPECT_FALSE(SetJpegDensity(Path("none.jpg"), 300));
}

}  // namespace
}  // namespace orvello::drawgen
