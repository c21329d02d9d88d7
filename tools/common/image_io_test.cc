#include "common/image_io.h"

#include <gtest/gtest.h>

#include "support/drawings.h"

namespace orvello {
namespace {

TEST(IsTruncatedJpegTest, NeedsTheEndMarkerAfterTheLastScan) {
  cv::Mat image(64, 64, CV_8UC3);
  cv::randu(image, 0, 255);
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive ? "progressive" : "baseline");
    const std::string whole = testing::JpegBytes(image, progressive);
    EXPECT_FALSE(IsTruncatedJpeg(whole));
    EXPECT_FALSE(IsTruncatedJpeg(whole + std::string(16, '\0')));  // padding after the end
    EXPECT_TRUE(IsTruncatedJpeg(whole.substr(0, whole.size() - 2)));
    EXPECT_TRUE(IsTruncatedJpeg(whole.substr(0, whole.size() / 2)));
    EXPECT_TRUE(IsTruncatedJpeg(whole.substr(0, 200)));
  }
  EXPECT_FALSE(IsTruncatedJpeg("\x89PNG\r\n\x1a\n"));
  EXPECT_FALSE(IsTruncatedJpeg(""));
}
}  // namespace
}  // namespace orvello
