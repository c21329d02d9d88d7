#include "silhouette/silhouette.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

namespace orvello {
namespace {

constexpr double kP = 2.54 / 600;

cv::Mat Blank(int rows, int cols) { return cv::Mat::zeros(rows, cols, CV_8UC1); }

void Ink(cv::Mat& mask, int row, int from, int to) {
  mask.row(row).colRange(from, to + 1).setTo(255);
}

TEST(ScanSilhouetteTest, EmptyMaskFindsNoVessel) {
  EXPECT_FALSE(ScanSilhouette(Blank(5, 5)).found);
  cv::Mat grey = Blank(5, 5);
  grey.setTo(254);  // set means exactly 255
  EXPECT_FALSE(ScanSilhouette(grey).found);
}

TEST(ScanSilhouetteTest, SingleRows) {
  static const struct {
    const char* name;
    int cols, left, right;
  } kCases[] = {
      {"one pixel", 10, 4, 4},
      {"touching both borders", 10, 0, 9},
      {"ordinary", 50, 10, 29},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    cv::Mat mask = Blank(7, c.cols);
    Ink(mask, 3, c.left, c.right);
    const SilhouetteScan scan = ScanSilhouette(mask);
    ASSERT_TRUE(scan.found);
    EXPECT_EQ(scan.first_row, 3);
    EXPECT_EQ(scan.last_row, 3);
    ASSERT_EQ(scan.rows.size(), 1u);
    const double d = c.right - c.left;
    EXPECT_EQ(scan.disc_sum, std::pow(d * 0.5, 2.0) * 3.14159265359);
    const SilhouetteValues v = SilhouetteResults(scan, kP);
    EXPECT_EQ(v.height_cm, 1 * kP);
    EXPECT_EQ(v.opening_cm, (c.right - c.left + 1) * kP);
    EXPECT_EQ(v.volume_cl, std::pow(kP, 3.0) * scan.disc_sum / 10);
  }
}

TEST(ScanSilhouetteTest, EmptyRowsCountInHeightOnly) {
  cv::Mat mask = Blank(20, 30);
  Ink(mask, 2, 5, 15);
  Ink(mask, 9, 5, 15);
  const SilhouetteScan scan = ScanSilhouette(mask);
  EXPECT_EQ(scan.rows.size(), 2u);
  EXPECT_EQ(scan.disc_sum, 2 * 25 * 3.14159265359);
  EXPECT_EQ(SilhouetteResults(scan, kP).height_cm, 8 * kP);
}

TEST(ScanSilhouetteTest, OpeningIsTheLowestRowInclusive) {
  cv::Mat mask = Blank(60, 260);
  // Width as the scan measures it: right edge minus left edge.
  Ink(mask, 5, 30, 230);  // 200 wide at the top
  for (int y = 6; y < 40; ++y) Ink(mask, y, 60, 199);
  Ink(mask, 40, 110, 150);  // 40 wide at the bottom
  const SilhouetteScan scan = ScanSilhouette(mask);
  EXPECT_EQ(scan.opening_left, 110);
  EXPECT_EQ(scan.opening_right, 150);
  EXPECT_EQ(SilhouetteResults(scan, kP).opening_cm, 41 * kP);
  EXPECT_EQ(SilhouetteResults(scan, kP).height_cm, 36 * kP);
}

TEST(ScanSilhouetteTest, OutlineAndFilledGiveTheSameValues) {
  cv::Mat filled = Blank(80, 80);
  cv::Mat outline = Blank(80, 80);
  const std::vector<cv::Point> shape = {{20, 5}, {60, 5}, {70, 40}, {50, 75}, {30, 75}, {10, 40}};
  cv::fillPoly(filled, std::vector<std::vector<cv::Point>>{shape}, 255);
  cv::polylines(outline, std::vector<std::vector<cv::Point>>{shape}, true, 255, 1);
  const SilhouetteScan a = ScanSilhouette(filled);
  const SilhouetteScan b = ScanSilhouette(outline);
  EXPECT_EQ(a.disc_sum, b.disc_sum);
  EXPECT_EQ(a.first_row, b.first_row);
  EXPECT_EQ(a.last_row, b.last_row);
  EXPECT_EQ(a.opening_left, b.opening_left);
  EXPECT_EQ(a.opening_right, b.opening_right);
}

TEST(SilhouetteValuesTest, LabelsAndUnitsByValue) {
  EXPECT_EQ(FormatResults(ToValues(SilhouetteValues{12.5, 8.3, 10.2})),
            "Volume : 12.5 cL\nHauteur  : 8.3 cm\nDiametre ouverture : 10.2 cm\n");
}

}  // namespace
}  // namespace orvello
