#include "leftedge/leftedge.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

namespace orvello {
namespace {

using Contour = std::vector<cv::Point>;

// The corners of a two-column bar, as a simple chain lists them: perimeter
// 2 * height.
Contour Bar(int x, int y, int height) {
  return {{x, y}, {x, y + height - 1}, {x + 1, y + height - 1}, {x + 1, y}};
}

TEST(ChooseLeftEdgeTest, PerimeterAndMeanXBounds) {
  static const struct {
    const char* name;
    int columns;
    std::vector<Contour> contours;
    int chosen;
  } kCases[] = {
      {"no contour", 300, {}, -1},
      {"long contours only in the right two thirds",
       300,
       {Bar(150, 0, 1600), Bar(250, 0, 1700)},
       -1},
      {"perimeter exactly 3000", 300, {Bar(10, 0, 1500)}, -1},
      {"perimeter just above 3000", 300, {Bar(10, 0, 1501)}, 0},
      {"mean x 99 of 300 columns", 300, {Bar(99, 0, 1600)}, 0},
      {"mean x 100 of 300 columns", 300, {Bar(100, 0, 1600)}, -1},
      {"mean x 99 of 302 columns", 302, {Bar(99, 0, 1600)}, 0},
      {"mean x 100 of 302 columns", 302, {Bar(100, 0, 1600)}, -1},
      {"the earlier of two wins, though shorter",
       300,
       {Bar(5, 0, 20), Bar(10, 0, 1600), Bar(20, 0, 2500)},
       1},
  };
  for (const auto& c : kCases) {
    const LeftEdge edge = ChooseLeftEdge(c.contours, {}, c.columns);
    EXPECT_EQ(edge.index, c.chosen) << c.name;
  }
}

TEST(FindLeftEdgeTest, BoundsOnDrawnMasks) {
  // A filled bar two columns wide and h rows high is traced as its four
  // corners: perimeter 2 h, mean x its left column (x + x + x+1 + x+1) / 4.
  static const struct {
    const char* name;
    int columns, x, height;
    bool chosen;
  } kCases[] = {
      {"perimeter exactly 3000", 300, 10, 1500, false},
      {"perimeter 3002", 300, 10, 1501, true},
      {"mean x 99 of 300 columns", 300, 99, 1600, true},
      {"mean x 100 of 300 columns", 300, 100, 1600, false},
      {"mean x 99 of 302 columns", 302, 99, 1600, true},
      {"mean x 100 of 302 columns", 302, 100, 1600, false},
  };
  for (const auto& c : kCases) {
    cv::Mat mask = cv::Mat::zeros(1700, c.columns, CV_8UC1);
    mask(cv::Rect(c.x, 20, 2, c.height)).setTo(255);
    const LeftEdge edge = FindLeftEdge(mask);
    EXPECT_EQ(edge.index >= 0, c.chosen) << c.name;
    EXPECT_EQ(edge.edge_mask.empty(), !c.chosen) << c.name;
  }
}

TEST(ChooseLeftEdgeTest, ColourDependsOnTheChosenIndexOnly) {
  static const struct {
    int index;
    cv::Scalar bgr;
  } kCases[] = {{0, {203, 143, 254, 0}}, {1, {229, 109, 176, 0}}, {2, {192, 220, 177, 0}}};
  for (const auto& c : kCases) {
    std::vector<Contour> contours(c.index, Bar(5, 0, 10));  // examined, too short
    contours.push_back(Bar(10, 0, 1600));
    contours.push_back(Bar(12, 0, 1600));
    const LeftEdge edge = ChooseLeftEdge(contours, {}, 300);
    ASSERT_EQ(edge.index, c.index);
    EXPECT_EQ(edge.colour, c.bgr) << "index " << c.index;
  }
}

TEST(FindLeftEdgeTest, FillsTheChosenOutline) {
  // A closed ring drawn in the left third, and a long bar on the right.
  cv::Mat mask = cv::Mat::zeros(1700, 1500, CV_8UC1);
  cv::rectangle(mask, cv::Rect(50, 50, 400, 1500), 255, 3);
  cv::rectangle(mask, cv::Rect(1200, 50, 10, 1500), 255, cv::FILLED);
  const LeftEdge edge = FindLeftEdge(mask);
  ASSERT_GE(edge.index, 0);
  ASSERT_EQ(edge.edge_mask.type(), CV_8UC1);
  EXPECT_EQ(edge.edge_mask.at<uchar>(800, 250), 255);  // inside the ring
  EXPECT_EQ(edge.edge_mask.at<uchar>(800, 1205), 0);   // the bar is not drawn
  EXPECT_TRUE(FindLeftEdge(cv::Mat::zeros(50, 50, CV_8UC1)).index < 0);
}

// A filled wall section: the wall from `outer` to `inner` down to the floor,
// the base from `outer` to the axis below it.
struct Section {
  int rows = 300, cols = 400;
  int outer = 40, inner = 60, axis = 200;
  int top = 20, floor = 250, bottom = 270;
};

cv::Mat Fill(const Section& s) {
  cv::Mat m = cv::Mat::zeros(s.rows, s.cols, CV_8UC1);
  m(cv::Range(s.top, s.floor), cv::Range(s.outer, s.inner + 1)).setTo(255);
  m(cv::Range(s.floor, s.bottom + 1), cv::Range(s.outer, s.axis + 1)).setTo(255);
  return m;
}

TEST(ScanEdgeMaskTest, MeasuresAFilledSection) {
  const EdgeScan s = ScanEdgeMask(Fill(Section{}), 1.0);
  EXPECT_EQ(s.extents.left, 40);
  EXPECT_EQ(s.extents.right, 200);
  EXPECT_EQ(s.extents.top, 20);
  EXPECT_EQ(s.extents.bottom, 270);
  EXPECT_EQ(s.probe_column.value_or(-1), 185);
  EXPECT_EQ(s.floor_row, 250);
  EXPECT_EQ(s.liquid_count, 230);
  ASSERT_EQ(s.rows.size(), 230u);
  EXPECT_EQ(s.rows.front().first, cv::Point(60, 20));
  EXPECT_EQ(s.rows.back().second, cv::Point(200, 249));
  EXPECT_EQ(s.opening_column.value_or(-1), 60);
  EXPECT_EQ(s.base_column, 41);  // column 40 is the leftmost: never tested
  EXPECT_EQ(s.rim_count, 230 * 21);

  const double p = 2.54 / 300;
  const SectionValues v = LeftEdgeResults(s, p);
  EXPECT_EQ(v.volume_cl, std::pow(p, 3.0) * s.disc_sum / 10);
  EXPECT_NEAR(s.disc_sum, 230 * 3.14159265359 * 140 * 140, 1e-6);
  EXPECT_EQ(v.liquid_height_cm, 231 * p);  // the floor row counts
  EXPECT_EQ(v.total_height_cm, 251 * p);
  EXPECT_EQ(v.opening_cm, 282 * p);
  EXPECT_EQ(v.ratio, 282 * p / p / 251);
  EXPECT_EQ(v.base_cm, 318 * p);
  EXPECT_EQ(v.rim_width_cm, 4830.0 / 231 * p);
}

TEST(ScanEdgeMaskTest, PixelsWithin21ColumnsOfTheAxisAreIgnored) {
  Section section;
  cv::Mat m = Fill(section);
  m(cv::Range(section.top, section.floor), cv::Range(180, 185)).setTo(255);
  const EdgeScan s = ScanEdgeMask(m, 1.0);
  ASSERT_FALSE(s.rows.empty());
  EXPECT_EQ(s.rows.front().first.x, 60);
  // Set pixels only next to the axis: the row adds nothing.
  Section narrow{.outer = 180, .inner = 184};
  const EdgeScan n = ScanEdgeMask(Fill(narrow), 1.0);
  EXPECT_TRUE(n.rows.empty());
  EXPECT_EQ(n.disc_sum, 0);
}

TEST(ScanEdgeMaskTest, OpeningAndBaseDiameters) {
  // Axis 500; opening column and base column both 200: 602 and 600 pixels.
  Section section{.rows = 400,
                  .cols = 800,
                  .outer = 190,
                  .inner = 200,
                  .axis = 500,
                  .top = 20,
                  .floor = 300,
                  .bottom = 330};
  cv::Mat m = Fill(section);
  m(cv::Range(280, 300), cv::Range(190, 200)).setTo(0);  // base row 285: 200 only
  const EdgeScan s = ScanEdgeMask(m, 1.0);
  ASSERT_EQ(s.opening_column.value_or(-1), 200);
  ASSERT_EQ(s.base_column, 200);
  const SectionValues v = LeftEdgeResults(s, 1.0);
  EXPECT_EQ(v.opening_cm, 602);
  EXPECT_EQ(v.base_cm, 600);
}

TEST(ScanEdgeMaskTest, ResolutionOffsets) {
  static const struct {
    double dpi;
    int probe, start, rim_columns;
  } kCases[] = {
      {600, 92, 85, 85},  // 100 - 7.5 = 92.5; limit 85
      {400, 88, 77, 78},  // 100 - 11.25; limit 77.5: columns 0 .. 77
      {300, 85, 70, 70},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.dpi);
    // The top row is set up to the column right of the search start.
    Section section{.rows = 200,
                    .cols = 300,
                    .outer = 0,
                    .inner = 60,
                    .axis = 100,
                    .top = 10,
                    .floor = 150,
                    .bottom = 160};
    cv::Mat m = Fill(section);
    m.row(section.top).colRange(0, c.start + 2).setTo(255);
    const EdgeScan s = ScanEdgeMask(m, 300 / c.dpi);
    EXPECT_EQ(s.probe_column.value_or(-1), c.probe);
    EXPECT_EQ(s.floor_row, 150);
    EXPECT_EQ(s.opening_column.value_or(-1), c.start);
    EXPECT_EQ(s.rim_count, c.rim_columns + 139 * 61);
  }
}

TEST(ScanEdgeMaskTest, ProbesOutsideTheMask) {
  // Axis 10 at 150 dpi: probe column 10 - 30 < 0, so the floor is the top.
  Section left{.rows = 40,
               .cols = 60,
               .outer = 0,
               .inner = 5,
               .axis = 10,
               .top = 5,
               .floor = 30,
               .bottom = 35};
  const EdgeScan a = ScanEdgeMask(Fill(left), 2.0);
  EXPECT_FALSE(a.probe_column.has_value());
  EXPECT_EQ(a.floor_row, a.extents.top);
  EXPECT_EQ(a.liquid_count, 0);
  EXPECT_FALSE(a.opening_column.has_value());  // limit -50

  // Floor row 12: the base row lies above the image.
  Section high{.rows = 100, .cols = 400, .top = 2, .floor = 12, .bottom = 40};
  const EdgeScan b = ScanEdgeMask(Fill(high), 1.0);
  EXPECT_EQ(b.floor_row, 12);
  ASSERT_TRUE(b.opening_column.has_value());
  EXPECT_EQ(b.base_column, -1);
  EXPECT_EQ(LeftEdgeResults(b, 1.0).base_cm, 2 * (200 + 1));
}

TEST(ScanEdgeMaskTest, NoOpeningColumn) {
  static const struct {
    const char* name;
    Section section;
    double f;
  } kCases[] = {
      {"limit at the leftmost column", {.outer = 170, .inner = 175}, 1.0},
      {"tiny dpi", {}, 300 / 1e-300},
  };
  for (const auto& c : kCases) {
    const EdgeScan s = ScanEdgeMask(Fill(c.section), c.f);
    EXPECT_FALSE(s.opening_column.has_value()) << c.name;
    EXPECT_EQ(s.base_column, -1) << c.name;
  }
}

TEST(ScanEdgeMaskTest, HugeDpiPutsTheLimitOnTheAxis) {
  const EdgeScan s = ScanEdgeMask(Fill(Section{}), 300 / 1e300);
  EXPECT_EQ(s.probe_column.value_or(-1), 200);
  EXPECT_EQ(s.floor_row, 250);
  EXPECT_EQ(s.opening_column.value_or(-1), 60);
  EXPECT_EQ(s.rim_count, 230 * 21);  // columns 0 .. 199
}

}  // namespace
}  // namespace orvello
