#include "common/segment.h"

#include <gtest/gtest.h>

namespace orvello {
namespace {

TEST(SegmentTest, LengthIsTheDistanceOfItsPoints) {
  static const struct {
    cv::Point first, second;
    double length;
  } kCases[] = {
      {{10, 4}, {30, 4}, 20},
      {{30, 4}, {10, 4}, 20},
      {{7, 7}, {7, 7}, 0},
      {{0, 0}, {3, 4}, 5},
  };
  for (const auto& c : kCases) {
    const Segment segment{c.first, c.second};
    EXPECT_EQ(segment.length(), c.length) << c.first << " - " << c.second;
    EXPECT_EQ(distance(c.first, c.second), c.length) << c.first << " - " << c.second;
  }
}

TEST(SegmentTest, DrawLandsInTheCallersImage) {
  cv::Mat image = cv::Mat::zeros(8, 8, CV_8UC3);
  Segment{{1, 3}, {6, 3}}.draw(image, 1, cv::Scalar(255, 0, 0, 0));
  EXPECT_EQ(image.at<cv::Vec3b>(3, 1), cv::Vec3b(255, 0, 0));
  EXPECT_EQ(image.at<cv::Vec3b>(3, 6), cv::Vec3b(255, 0, 0));
  EXPECT_EQ(image.at<cv::Vec3b>(3, 7), cv::Vec3b(0, 0, 0));
  EXPECT_EQ(image.at<cv::Vec3b>(2, 3), cv::Vec3b(0, 0, 0));
}

}  // namespace
}  // namespace orvello
