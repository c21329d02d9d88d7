#include "common/frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace orvello {
namespace {

double ConvertArg(const char* text) {
  const char* argv[] = {"tool", "image.png", text, text};
  return TakeArgs(4, argv, {}).dpi;
}

TEST(TakeArgsTest, ConvertsLikeAtofInTheCLocale) {
  static const struct {
    const char* text;
    double value;
  } kCases[] = {
      {"300", 300},  {"  300", 300}, {"300dpi", 300}, {"1,5", 1}, {"0,5", 0},     {"0.5", 0.5},
      {"5E-1", 0.5}, {"abc", 0},     {"", 0},         {"-2", -2}, {"1e3x", 1000},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(ConvertArg(c.text), c.value) << "text \"" << c.text << "\"";
  }
}

TEST(TakeArgsTest, UsesAllDefaultsUnlessExactlyThreeArguments) {
  const RunArgs defaults{"vase.tiff", 600, 1};
  const char* argv[] = {"tool", "a.png", "150", "0.5", "extra"};
  for (int argc : {1, 2, 3, 5}) {
    const RunArgs args = TakeArgs(argc, argv, defaults);
    EXPECT_EQ(args.image_path, "vase.tiff") << "argc " << argc;
    EXPECT_EQ(args.dpi, 600) << "argc " << argc;
    EXPECT_EQ(args.scale, 1) << "argc " << argc;
  }
  const RunArgs args = TakeArgs(4, argv, defaults);
  EXPECT_EQ(args.image_path, "a.png");
  EXPECT_EQ(args.dpi, 150);
  EXPECT_EQ(args.scale, 0.5);
}

TEST(ArgsValidTest, AcceptsOnlyFiniteValuesAboveZero) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  static const struct {
    double dpi, scale;
    bool valid;
  } kCases[] = {
      {300, 1, true},      {1e300, 1e-300, true}, {1e-40, 1e-40, true}, {1e-300, 1, false},
      {1e300, 1, false},   {300, 1e-310, false},  {300, 1e-106, false}, {1e300, 1e300, false},
      {2.54e-90, 1, true}, {2.54e-91, 1, false},  {2.54e90, 1, true},   {2.54e91, 1, false},
      {0, 1, false},       {300, 0, false},       {-300, 1, false},     {300, -0.5, false},
      {inf, 1, false},     {300, inf, false},     {nan, 1, false},      {300, nan, false},
      {-0.0, 1, false},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(ArgsValid({"x", c.dpi, c.scale}), c.valid) << "dpi " << c.dpi << " scale " << c.scale;
  }
}

TEST(VersionLineTest, NamesMajorAndMinorVersion) {
  EXPECT_EQ(VersionLine(), "opencv version : " + std::to_string(CV_VERSION_MAJOR) + "." +
                               std::to_string(CV_VERSION_MINOR));
}

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

TEST(FormatResultsTest, WritesLabelValueUnitWithSixSignificantDigits) {
  const ResultLine example[] = {{"Volume : ", 12.5, " cL"},
                                {"Hauteur  : ", 8.3, " cm"},
                                {"Diametre ouverture : ", 10.2, " cm"}};
  EXPECT_EQ(FormatResults(example),
            "Volume : 12.5 cL\nHauteur  : 8.3 cm\nDiametre ouverture : 10.2 cm\n");

  static const struct {
    double value;
    const char* text;
  } kCases[] = {
      {1234567.0, "1.23457e+06"},
      {123456.7, "123457"},
      {0.0001234567, "0.000123457"},
      {0.00001234567, "1.23457e-05"},
      {2.0, "2"},
      {0.1 + 0.2, "0.3"},
      {0, "0"},
  };
  for (const auto& c : kCases) {
    const ResultLine line[] = {{"Rapport : ", c.value, ""}};
    EXPECT_EQ(FormatResults(line), std::string("Rapport : ") + c.text + "\n")
        << "value " << c.value;
  }
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

}  // namespace
}  // namespace orvello

namespace orvello {
namespace {

std::string JpegBytes(const cv::Mat& image, bool progressive = false) {
  std::vector<uchar> bytes;
  cv::imencode(".jpg", image, bytes, {cv::IMWRITE_JPEG_PROGRESSIVE, progressive ? 1 : 0});
  return std::string(bytes.begin(), bytes.end());
}

TEST(IsTruncatedJpegTest, NeedsTheEndMarkerAfterTheLastScan) {
  cv::Mat image(64, 64, CV_8UC3);
  cv::randu(image, 0, 255);
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive ? "progressive" : "baseline");
    const std::string whole = JpegBytes(image, progressive);
    EXPECT_FALSE(IsTruncatedJpeg(whole));
    EXPECT_FALSE(IsTruncatedJpeg(whole + std::string(16, '\0')));  // padding after the end
    EXPECT_TRUE(IsTruncatedJpeg(whole.substr(0, whole.size() - 2)));
    EXPECT_TRUE(IsTruncatedJpeg(whole.substr(0, whole.size() / 2)));
    EXPECT_TRUE(IsTruncatedJpeg(whole.substr(0, 200)));
  }
  EXPECT_FALSE(IsTruncatedJpeg("\x89PNG\r\n\x1a\n"));
  EXPECT_FALSE(IsTruncatedJpeg(""));
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
