#include "common/image_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "support/drawings.h"
#include "support/tool_runner.h"

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
TEST(ReadDrawingTest, ValidFilesDecodeExactlyAsTheImageLibraryReadsThem) {
  // Many kinds of valid files: baseline and progressive JPEG at several
  // qualities and subsamplings, grey JPEG, restart markers, and the lossless
  // formats; random pixels and a drawing.
  cv::Mat noise(97, 131, CV_8UC3);
  cv::randu(noise, 0, 256);
  const cv::Mat drawing = testing::SilhouetteDrawing();
  cv::Mat grey;
  cv::cvtColor(drawing, grey, cv::COLOR_BGR2GRAY);
  const cv::Mat* const images[] = {&noise, &drawing, &grey};
  const struct {
    const char* name;
    const char* extension;
    std::vector<int> parameters;
  } kKinds[] = {
      {"baseline", ".jpg", {}},
      {"progressive", ".jpg", {cv::IMWRITE_JPEG_PROGRESSIVE, 1}},
      {"quality 30, optimised",
       ".jpg",
       {cv::IMWRITE_JPEG_QUALITY, 30, cv::IMWRITE_JPEG_OPTIMIZE, 1}},
      {"quality 100", ".jpg", {cv::IMWRITE_JPEG_QUALITY, 100}},
      {"restart markers", ".jpg", {cv::IMWRITE_JPEG_RST_INTERVAL, 3}},
      {"png", ".png", {}},
      {"bmp", ".bmp", {}},
      {"tiff", ".tiff", {}},
  };
  testing::TempDir dir;
  int files = 0;
  for (const auto& kind : kKinds) {
    for (const cv::Mat* image : images) {
      SCOPED_TRACE(std::string(kind.name) + ", " + std::to_string(image->channels()) + " channels");
      const std::string path =
          (dir.path() / ("f" + std::to_string(++files) + kind.extension)).string();
      ASSERT_TRUE(cv::imwrite(path, *image, kind.parameters));
      const LoadedDrawing loaded = ReadDrawing(path);
      EXPECT_EQ(loaded.reason, "");
      const cv::Mat expected = cv::imread(path, cv::IMREAD_COLOR);
      ASSERT_EQ(loaded.drawing.size(), expected.size());
      EXPECT_EQ(cv::norm(loaded.drawing, expected, cv::NORM_INF), 0);
    }
  }
}

TEST(ReadDrawingTest, RefusedWithAReason) {
  testing::TempDir dir;
  const cv::Mat drawing = testing::SilhouetteDrawing();
  const std::string jpeg = testing::JpegBytes(drawing);
  std::string flipped = jpeg;
  for (size_t i = flipped.size() / 2; i < flipped.size() / 2 + 40; i += 5) flipped[i] ^= 0x5A;
  std::string png;
  {
    std::vector<uchar> bytes;
    cv::imencode(".png", drawing, bytes);
    png.assign(bytes.begin(), bytes.end());
  }
  std::string huge = png;
  const char kSize[] = {0, 0, '\xea', '\x60', 0, 0, '\xea', '\x60'};  // 60000 x 60000
  huge.replace(16, 8, std::string(kSize, 8));
  mkfifo((dir.path() / "fifo").c_str(), 0600);
  testing::WriteFile(dir.path() / "flipped.jpg", flipped);
  testing::WriteFile(dir.path() / "huge.png", huge);
  testing::WriteFile(dir.path() / "d.png", png);
  testing::WriteFile(dir.path() / "cut.jpg", jpeg.substr(0, jpeg.size() / 2));
  static const struct {
    const char* file;
    uint64_t max_pixels;
    const char* reason;
    bool read;
  } kCases[] = {
      {"fifo", kDefaultMaxPixels, "not a regular file", false},
      {"/dev/null", kDefaultMaxPixels, "not a regular file", false},
      {"flipped.jpg", kDefaultMaxPixels, "corrupt JPEG data", false},
      {"huge.png", kDefaultMaxPixels, "60000 x 60000 pixels, above the limit of 400000000", false},
      {"d.png", 240 * 300 - 1, "240 x 300 pixels, above the limit of 71999", false},
      {"d.png", 240 * 300, "", true},
      {"cut.jpg", kDefaultMaxPixels, "", false},
      {"missing.png", kDefaultMaxPixels, "", false},
      {".", kDefaultMaxPixels, "", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.file);
    const std::string path = c.file[0] == '/' ? c.file : (dir.path() / c.file).string();
    const LoadedDrawing loaded = ReadDrawing(path, c.max_pixels);
    EXPECT_EQ(loaded.reason, c.reason);
    EXPECT_EQ(loaded.drawing.empty(), !c.read);
  }
}

TEST(DeclaredSizeTest, FromTheHeaderOfEachFormat) {
  const cv::Mat image(37, 53, CV_8UC3, cv::Scalar::all(128));
  for (const char* extension : {".png", ".jpg", ".bmp", ".tiff"}) {
    SCOPED_TRACE(extension);
    std::vector<uchar> bytes;
    ASSERT_TRUE(cv::imencode(extension, image, bytes));
    const auto size =
        DeclaredSize(std::string_view(reinterpret_cast<char*>(bytes.data()), bytes.size()));
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->width, 53u);
    EXPECT_EQ(size->height, 37u);
  }
  EXPECT_FALSE(DeclaredSize("not an image").has_value());
}

TEST(MaxPixelsTest, FromTheEnvironmentWhenAWholeNumber) {
  static const struct {
    const char* value;
    uint64_t max;
  } kCases[] = {{nullptr, kDefaultMaxPixels}, {"1000", 1000},
                {"0", kDefaultMaxPixels},     {"-5", kDefaultMaxPixels},
                {"12x", kDefaultMaxPixels},   {"", kDefaultMaxPixels}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.value ? c.value : "unset");
    if (c.value) {
      setenv("ORVELLO_MAX_PIXELS", c.value, 1);
    } else {
      unsetenv("ORVELLO_MAX_PIXELS");
    }
    EXPECT_EQ(MaxPixels(), c.max);
  }
  unsetenv("ORVELLO_MAX_PIXELS");
}

}  // namespace
}  // namespace orvello
