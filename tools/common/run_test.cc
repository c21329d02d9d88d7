#include "common/run.h"

#include <gtest/gtest.h>

#include <limits>

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
}  // namespace
}  // namespace orvello
