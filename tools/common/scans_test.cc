#include "common/scans.h"

#include <gtest/gtest.h>

#include <limits>

namespace orvello {
namespace {

cv::Mat WithPixels(std::initializer_list<cv::Point> points) {
  cv::Mat m = cv::Mat::zeros(10, 12, CV_8UC1);
  for (const cv::Point& p : points) m.at<uchar>(p) = 255;
  return m;
}

TEST(FindExtentsTest, ScanBoundsAndFallbacks) {
  static const struct {
    const char* name;
    std::vector<cv::Point> points;  // x, y
    Extents expected;
  } kCases[] = {
      {"empty", {}, {0, 0, 0, 0}},
      {"ordinary", {{3, 2}, {8, 7}, {5, 4}}, {3, 8, 2, 7}},
      {"only column 0 and row 0", {{0, 0}}, {0, 0, 0, 0}},
      {"right border and bottom border", {{11, 9}, {2, 1}}, {2, 11, 1, 9}},
      {"column 0 is never the right column", {{0, 5}}, {0, 0, 5, 5}},
      {"row 0 is never the bottom row", {{6, 0}}, {6, 6, 0, 0}},
  };
  for (const auto& c : kCases) {
    cv::Mat m = cv::Mat::zeros(10, 12, CV_8UC1);
    for (const cv::Point& p : c.points) m.at<uchar>(p) = 255;
    const Extents e = FindExtents(m);
    EXPECT_EQ(e.left, c.expected.left) << c.name;
    EXPECT_EQ(e.right, c.expected.right) << c.name;
    EXPECT_EQ(e.top, c.expected.top) << c.name;
    EXPECT_EQ(e.bottom, c.expected.bottom) << c.name;
  }
}

TEST(FindExtentsTest, OnlyExactly255IsSet) {
  cv::Mat m = WithPixels({{5, 5}});
  m.at<uchar>(1, 1) = 254;
  const Extents e = FindExtents(m);
  EXPECT_EQ(e.left, 5);
  EXPECT_EQ(e.top, 5);
}

TEST(FirstSetRowInColumnTest, FallsBackOutsideTheMaskOrWithoutInk) {
  const cv::Mat m = WithPixels({{4, 6}, {4, 8}});
  EXPECT_EQ(FirstSetRowInColumn(m, 4, -7), 6);
  EXPECT_EQ(FirstSetRowInColumn(m, 5, -7), -7);
  EXPECT_EQ(FirstSetRowInColumn(m, -1, -7), -7);
  EXPECT_EQ(FirstSetRowInColumn(m, 12, -7), -7);
}

TEST(SearchStartColumnTest, TruncatesOnlyWhenAColumnCanBeTested) {
  const double inf = std::numeric_limits<double>::infinity();
  static const struct {
    double limit;
    int leftmost;
    int start;  // -1: none
  } kCases[] = {
      {170, 50, 170}, {170.9, 50, 170}, {51, 50, 51},   {50.99, 50, -1},
      {50, 50, -1},   {-0.5, 0, -1},    {0.99, 0, -1},  {1, 0, 1},
      {-inf, 0, -1},  {-9e303, 10, -1}, {-3e9, 10, -1},
  };
  for (const auto& c : kCases) {
    const std::optional<int> start = SearchStartColumn(c.limit, c.leftmost);
    EXPECT_EQ(start.value_or(-1), c.start) << "limit " << c.limit;
  }
}

TEST(OpeningAndBaseSearchTest, LeftmostColumnIsNeverTested) {
  const cv::Mat m = WithPixels({{2, 3}, {6, 3}, {7, 3}, {2, 5}, {4, 5}});
  EXPECT_EQ(FindOpeningColumn(m, 0, 6, 2).value_or(-1), 6);
  EXPECT_EQ(FindOpeningColumn(m, 4, 6, 2).value_or(-1), 4);
  EXPECT_FALSE(FindOpeningColumn(m, 6, 6, 2).has_value());
  EXPECT_FALSE(FindOpeningColumn(WithPixels({{2, 3}}), 0, 6, 2).has_value());
  EXPECT_EQ(FindBaseColumn(m, 3, 7, 2), 6);
  EXPECT_EQ(FindBaseColumn(m, 5, 7, 2), 4);
  EXPECT_EQ(FindBaseColumn(m, 5, 7, 4), -1);
  EXPECT_EQ(FindBaseColumn(m, -3, 7, 2), -1);
}

TEST(ColumnsLeftOfTest, CountsColumnsStrictlyLeftOfARealLimit) {
  static const struct {
    double limit;
    int count;
  } kCases[] = {{85, 85}, {84.5, 85}, {0.2, 1}, {0, 0}, {-4, 0}, {1e300, 100}};
  for (const auto& c : kCases) {
    EXPECT_EQ(ColumnsLeftOf(c.limit, 100), c.count) << "limit " << c.limit;
  }
}

TEST(SectionValuesTest, SevenLabelledLinesByValue) {
  const SectionValues v{12.5, 8.3, 9.1, 10.2, 1.12088, 6, 0.4};
  EXPECT_EQ(FormatResults(ToValues(v)),
            "Volume : 12.5 cL\n"
            "Hauteur du liquide : 8.3 cm\n"
            "Hauteur totale : 9.1 cm\n"
            "Diametre ouverture : 10.2 cm\n"
            "Rapport Diametre de l'ouverture / Hauteur totale : 1.12088\n"
            "Diametre du fond : 6 cm\n"
            "Largeur moyenne du bord :0.4 cm\n");
}

}  // namespace
}  // namespace orvello
