#include "common/mask.h"

#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/imgproc.hpp>

namespace orvello {
namespace {

TEST(PixelSizeTest, DependsOnDpiTimesScale) {
  EXPECT_EQ(PixelSize(300, 1), 2.54 / 300);
  EXPECT_EQ(PixelSize(600, 0.5), PixelSize(300, 1));
  EXPECT_EQ(PixelSize(600, 1), 2.54 / 600);
  EXPECT_EQ(ResolutionFactor(600), 0.5);
  EXPECT_EQ(ResolutionFactor(150), 2);
}

TEST(VolumeClTest, IsCubeTimesDiscSumOverTen) {
  const double p = 2.54 / 300;
  EXPECT_DOUBLE_EQ(VolumeCl(p, 1000), std::pow(p, 3.0) * 1000 / 10);
  EXPECT_EQ(VolumeCl(2, 5), 4);
}

TEST(BinariseTest, InkBecomes255AndPaper0) {
  cv::Mat drawing(40, 40, CV_8UC3, cv::Scalar(230, 230, 230));
  cv::rectangle(drawing, cv::Rect(10, 10, 20, 20), cv::Scalar(20, 20, 20), cv::FILLED);
  for (Smoothing smoothing : {Smoothing::kNone, Smoothing::kGaussian5x5}) {
    const cv::Mat mask = Binarise(drawing, smoothing);
    ASSERT_EQ(mask.type(), CV_8UC1);
    EXPECT_EQ(mask.at<uchar>(20, 20), 255);
    EXPECT_EQ(mask.at<uchar>(2, 2), 0);
    EXPECT_EQ(cv::countNonZero(mask == 0) + cv::countNonZero(mask == 255), 1600);
  }
  // Smoothing rounds the square's corners; without it the corner stays ink.
  EXPECT_EQ(Binarise(drawing, Smoothing::kNone).at<uchar>(10, 10), 255);
  EXPECT_EQ(Binarise(drawing, Smoothing::kGaussian5x5).at<uchar>(10, 10), 0);
}

TEST(DrawWaterRowTest, SamePixelsAsTheLineDrawing) {
  static const struct {
    const char* name;
    cv::Size size;
    int y;
  } kImages[] = {{"inside", {40, 9}, 4},
                 {"top row", {40, 9}, 0},
                 {"bottom row", {40, 9}, 8},
                 {"one row", {40, 1}, 0},
                 {"one column", {1, 5}, 2}};
  for (const auto& image : kImages) {
    for (int from = 0; from < image.size.width; ++from) {
      for (int to = 0; to < image.size.width; ++to) {
        cv::Mat expected(image.size, CV_8UC3, cv::Scalar(200, 200, 200));
        cv::Mat drawn = expected.clone();
        const Segment row{{from, image.y}, {to, image.y}};
        row.draw(expected, 2, kWaterBlue);
        DrawWaterRow(drawn, row);
        ASSERT_EQ(cv::norm(expected, drawn, cv::NORM_INF), 0)
            << image.name << " from " << from << " to " << to;
      }
    }
  }
  // A slanted segment takes the general line drawing.
  cv::Mat expected = cv::Mat::zeros(20, 20, CV_8UC3), drawn = expected.clone();
  Segment{{2, 3}, {15, 12}}.draw(expected, 2, kWaterBlue);
  DrawWaterRow(drawn, Segment{{2, 3}, {15, 12}});
  EXPECT_EQ(cv::norm(expected, drawn, cv::NORM_INF), 0);
}

TEST(WaterImageTest, DrawsRowsInBlueOnADeepCopy) {
  cv::Mat drawing(10, 20, CV_8UC3, cv::Scalar(255, 255, 255));
  const cv::Mat water = WaterImage(drawing, {Segment{{2, 5}, {15, 5}}});
  EXPECT_EQ(drawing.at<cv::Vec3b>(5, 8), cv::Vec3b(255, 255, 255));
  EXPECT_EQ(water.at<cv::Vec3b>(5, 8), cv::Vec3b(255, 0, 0));
  EXPECT_EQ(water.at<cv::Vec3b>(0, 8), cv::Vec3b(255, 255, 255));
}

TEST(OnWhitePaperTest, TransparentBecomesWhiteOpaqueStays) {
  const cv::Mat colour(1, 3, CV_8UC3, cv::Scalar(10, 20, 30));
  cv::Mat alpha = (cv::Mat_<uchar>(1, 3) << 0, 255, 128);
  const cv::Mat paper = OnWhitePaper(colour, alpha);
  EXPECT_EQ(paper.at<cv::Vec3b>(0, 0), cv::Vec3b(255, 255, 255));
  EXPECT_EQ(paper.at<cv::Vec3b>(0, 1), cv::Vec3b(10, 20, 30));
  EXPECT_EQ(paper.at<cv::Vec3b>(0, 2), cv::Vec3b(132, 137, 142));
}

TEST(AllInkTest, OnlyAMaskWithoutPaper) {
  EXPECT_TRUE(AllInk(cv::Mat(3, 3, CV_8UC1, cv::Scalar(255))));
  cv::Mat mask(3, 3, CV_8UC1, cv::Scalar(255));
  mask.at<uchar>(2, 2) = 0;
  EXPECT_FALSE(AllInk(mask));
  EXPECT_FALSE(AllInk(cv::Mat::zeros(3, 3, CV_8UC1)));
}
}  // namespace
}  // namespace orvello
