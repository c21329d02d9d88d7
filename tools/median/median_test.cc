#include "median/median.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

namespace orvello {
namespace {

// A straight-walled cup drawn as a category-2 section: outer and inner
// outlines joined by the rim line, the inner floor and the base running to
// the median line, and the exterior outline on the right.
struct Cup {
  int rows = 300, cols = 400;
  int outer = 50, inner = 60;          // outline columns
  int axis_from = 200, axis_to = 200;  // median line columns
  int exterior = 350;
  int top = 20, floor = 250, bottom = 270;
};

void VLine(cv::Mat& m, int x, int y0, int y1) { m.col(x).rowRange(y0, y1 + 1).setTo(255); }
void HLine(cv::Mat& m, int y, int x0, int x1) { m.row(y).colRange(x0, x1 + 1).setTo(255); }

cv::Mat Draw(const Cup& c) {
  cv::Mat m = cv::Mat::zeros(c.rows, c.cols, CV_8UC1);
  VLine(m, c.outer, c.top, c.bottom);
  VLine(m, c.inner, c.top, c.floor);
  HLine(m, c.top, c.outer, c.inner);
  HLine(m, c.floor, c.inner, c.axis_from);
  HLine(m, c.bottom, c.outer, c.axis_from);
  for (int x = c.axis_from; x <= c.axis_to; ++x) VLine(m, x, c.top, c.bottom);
  VLine(m, c.exterior, c.top, c.bottom);
  return m;
}

TEST(ScanMedianTest, MeasuresAStraightCup) {
  const MedianScan s = ScanMedian(Draw(Cup{}), 1.0);
  ASSERT_EQ(s.failure, Failure::kNone);
  EXPECT_EQ(s.extents.left, 50);
  EXPECT_EQ(s.extents.right, 350);
  EXPECT_EQ(s.extents.top, 20);
  EXPECT_EQ(s.extents.bottom, 270);
  EXPECT_EQ(s.total_height, 251);
  EXPECT_EQ(s.probe_column, 185);  // trunc(301 * 0.45 + 50)
  EXPECT_EQ(s.floor_row, 250);
  EXPECT_EQ(s.liquid_height, 231);
  EXPECT_EQ(s.median_row, 193);  // trunc(231 * 0.75 + 20)
  EXPECT_EQ(s.axis_column, 200);
  ASSERT_EQ(s.rows.size(), 230u);  // rows 20 .. 249: the floor row is not one
  EXPECT_EQ(s.rows.front().first, cv::Point(60, 20));
  EXPECT_EQ(s.rows.back().second, cv::Point(200, 249));
  EXPECT_NEAR(s.disc_sum, 230 * (140.0 * 140.0 * 3.14159265359), 1e-6);
  EXPECT_EQ(s.opening_column, 60);
  EXPECT_EQ(s.base_column, 60);      // column 50 = xL is never tested
  EXPECT_EQ(s.rim_total, 229 * 11);  // the rim row itself is one run

  const double p = 2.54 / 300;
  const SectionValues v = MedianResults(s, p);
  EXPECT_EQ(v.volume_cl, std::pow(p, 3.0) * s.disc_sum / 10);
  EXPECT_EQ(v.liquid_height_cm, 231 * p);
  EXPECT_EQ(v.total_height_cm, 251 * p);
  EXPECT_EQ(v.opening_cm, 282 * p);
  EXPECT_EQ(v.ratio, 282 * p / p / 251);
  EXPECT_EQ(v.base_cm, 280 * p);
  EXPECT_EQ(v.rim_width_cm, 2519.0 / 231 * p);
}

TEST(ScanMedianTest, AxisColumnChoice) {
  static const struct {
    const char* name;
    Cup cup;
    int axis;  // -1: no median line
  } kCases[] = {
      {"three pixels wide at 960-962",
       {.rows = 300,
        .cols = 1600,
        .outer = 700,
        .inner = 720,
        .axis_from = 960,
        .axis_to = 962,
        .exterior = 1224},
       962},
      {"exterior inside the band takes its place",
       {.rows = 300,
        .cols = 400,
        .outer = 100,
        .inner = 110,
        .axis_from = 170,
        .axis_to = 170,
        .exterior = 240},
       240},
      {"no ink in the band",
       {.rows = 300,
        .cols = 400,
        .outer = 50,
        .inner = 60,
        .axis_from = 150,
        .axis_to = 150,
        .exterior = 300},
       -1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const MedianScan s = ScanMedian(Draw(c.cup), 1.0);
    if (c.axis < 0) {
      EXPECT_EQ(s.failure, Failure::kNoMedianLine);
    } else {
      EXPECT_EQ(s.failure, Failure::kNone);
      EXPECT_EQ(s.axis_column, c.axis);
    }
  }
}

TEST(ScanMedianTest, EmptyMaskHasNoMedianLine) {
  EXPECT_EQ(ScanMedian(cv::Mat::zeros(50, 50, CV_8UC1), 1.0).failure, Failure::kNoMedianLine);
}

TEST(ScanMedianTest, ProbeColumnWithoutInkGivesNoLiquidRows) {
  // Only the median line and the rim: the probe column meets nothing.
  cv::Mat m = cv::Mat::zeros(100, 100, CV_8UC1);
  VLine(m, 50, 10, 90);
  HLine(m, 10, 5, 15);
  const MedianScan s = ScanMedian(m, 1.0);
  ASSERT_EQ(s.failure, Failure::kNone);
  EXPECT_EQ(s.floor_row, s.extents.top);
  EXPECT_EQ(s.liquid_height, 1);
  EXPECT_EQ(s.median_row, 10);
  EXPECT_TRUE(s.rows.empty());
  const SectionValues v = MedianResults(s, 0.1);
  EXPECT_EQ(v.volume_cl, 0);
  EXPECT_EQ(v.liquid_height_cm, 0.1);
  EXPECT_EQ(v.rim_width_cm, 0);
}

TEST(ScanMedianTest, LineAcrossTheMouthMakesFloorTopAndMedianRowOne) {
  Cup cup;
  cv::Mat m = Draw(cup);
  HLine(m, cup.top, cup.outer, cup.exterior);
  const MedianScan s = ScanMedian(m, 1.0);
  ASSERT_EQ(s.failure, Failure::kNone);
  EXPECT_EQ(s.floor_row, cup.top);
  EXPECT_EQ(s.median_row, cup.top);
  EXPECT_EQ(s.liquid_height, 1);
  EXPECT_EQ(s.disc_sum, 0);
  // The line crosses the band on the top row: its last band column, 279
  // (x < 400 * 0.7), is xA.
  EXPECT_EQ(s.axis_column, 279);
}

TEST(ScanMedianTest, RimTotalOfRowRuns) {
  // Liquid rows with runs starting at 10, 20 and 40 add 11 + 31 each.
  cv::Mat m = cv::Mat::zeros(200, 400, CV_8UC1);
  for (int y = 20; y < 60; ++y) {
    HLine(m, y, 10, 12);
    HLine(m, y, 20, 20);
    HLine(m, y, 40, 45);
  }
  HLine(m, 60, 40, 200);  // floor, met by the probe column
  VLine(m, 200, 20, 70);  // median line
  VLine(m, 390, 20, 70);  // exterior, outside the band
  const MedianScan s = ScanMedian(m, 1.0);
  ASSERT_EQ(s.failure, Failure::kNone);
  EXPECT_EQ(s.floor_row, 60);
  EXPECT_EQ(s.rim_total, 40 * 42);
}

TEST(ScanMedianTest, OpeningAndBaseDiameters) {
  // xA = 500, opening column 230, base column 390: 542 and 220 pixels.
  cv::Mat m = cv::Mat::zeros(400, 1000, CV_8UC1);
  HLine(m, 50, 220, 230);   // rim
  VLine(m, 220, 50, 340);   // outer wall down to the foot
  VLine(m, 230, 50, 200);   // inner wall, ending above the base row
  HLine(m, 300, 230, 500);  // inner floor
  HLine(m, 285, 390, 395);  // foot outline 15 rows above the floor
  VLine(m, 500, 50, 340);   // median line
  VLine(m, 780, 50, 340);   // exterior
  const MedianScan s = ScanMedian(m, 1.0);
  ASSERT_EQ(s.failure, Failure::kNone);
  EXPECT_EQ(s.axis_column, 500);
  EXPECT_EQ(s.opening_column, 230);
  EXPECT_EQ(s.base_column, 390);
  const SectionValues v = MedianResults(s, 1.0);
  EXPECT_EQ(v.opening_cm, 542);
  EXPECT_EQ(v.base_cm, 220);
}

TEST(ScanMedianTest, ResolutionScalesTheOffsets) {
  static const struct {
    double dpi;
    int ignored, found;  // columns left of the axis, for the wall scan
    int limit;           // opening limit column left of the axis
  } kCases[] = {{150, 40, 41, 60}, {300, 20, 21, 30}, {600, 10, 11, 15}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.dpi);
    const int axis = 200;
    cv::Mat m = cv::Mat::zeros(300, 400, CV_8UC1);
    VLine(m, axis - c.ignored, 20, 250);  // close to the axis: skipped
    VLine(m, axis - c.found, 20, 250);    // the first tested column
    HLine(m, 20, 30, 40);                 // rim
    HLine(m, 20, axis - c.limit, axis - c.limit + 1);
    VLine(m, 30, 20, 270);
    HLine(m, 250, 30, axis);
    VLine(m, axis, 20, 270);
    VLine(m, 380, 20, 270);
    const MedianScan s = ScanMedian(m, 300 / c.dpi);
    ASSERT_EQ(s.failure, Failure::kNone);
    ASSERT_EQ(s.axis_column, axis);
    ASSERT_FALSE(s.rows.empty());
    EXPECT_EQ(s.rows.front().first.x, axis - c.found);
    EXPECT_EQ(s.rows.back().first.x, axis - c.found);
    // The opening search starts at the limit column.
    EXPECT_EQ(s.opening_column, axis - c.limit);
  }
}

TEST(ScanMedianTest, OpeningSearchSkipsColumnXLAndGoesDown) {
  // A dot above the rim becomes the top row and the leftmost column; its row
  // holds no ink in xL+1 .. v, so the rim row further down decides.
  cv::Mat m = Draw(Cup{});
  m.at<uchar>(10, 45) = 255;
  const MedianScan s = ScanMedian(m, 1.0);
  ASSERT_EQ(s.failure, Failure::kNone);
  EXPECT_EQ(s.extents.top, 10);
  EXPECT_EQ(s.extents.left, 45);
  EXPECT_EQ(s.opening_column, 60);
}

TEST(ScanMedianTest, NoOpeningIsAFailure) {
  static const struct {
    const char* name;
    double f;
  } kCases[] = {{"limit left of the leftmost column", 6.0},
                {"tiny dpi: offsets far beyond the image", 300 / 1e-300}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const MedianScan s = ScanMedian(Draw(Cup{}), c.f);
    EXPECT_EQ(s.failure, Failure::kNoOpening);
  }
}

TEST(ScanMedianTest, HugeDpiTestsEveryColumnButTheAxis) {
  const MedianScan s = ScanMedian(Draw(Cup{}), 300 / 1e300);
  ASSERT_EQ(s.failure, Failure::kNone);
  // The wall scan starts next to the axis and the opening limit is the axis.
  EXPECT_EQ(s.rows.front().first.x, 60);
  EXPECT_EQ(s.opening_column, 200);
}

TEST(ScanMedianTest, BaseRowAboveTheImageHasNoBaseColumn) {
  Cup cup;
  cup.top = 2;
  cup.floor = 12;  // base row -3
  cup.bottom = 30;
  const MedianScan s = ScanMedian(Draw(cup), 1.0);
  ASSERT_EQ(s.failure, Failure::kNone);
  EXPECT_EQ(s.floor_row, 12);
  EXPECT_EQ(s.base_column, -1);
  EXPECT_EQ(MedianResults(s, 1.0).base_cm, 2 * (200 + 1));
}

}  // namespace
}  // namespace orvello
