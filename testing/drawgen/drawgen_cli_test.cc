#include "drawgen/drawgen_cli.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <opencv2/imgcodecs.hpp>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace orvello::drawgen {
namespace {

std::vector<std::string> Split(const std::string& line) {
  std::istringstream in(line);
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

TEST(ParseArgsTest, ReadsEveryOption) {
  const CliArgs a =
      ParseArgs(Split("--category 2 --shape necked --dpi 600 --scale 0.5 --height-cm 12.5 "
                      "--outline --antialias --noise --seed 7 --mirror --width 1919 "
                      "--height 1696 --grey --jpeg-dpi 300 --out x.jpg"));
  EXPECT_EQ(a.draw.category, 2);
  EXPECT_EQ(a.draw.shape, Shape::kNeckedJar);
  EXPECT_EQ(a.draw.dpi, 600);
  EXPECT_EQ(a.draw.scale, 0.5);
  EXPECT_EQ(a.draw.height_cm, 12.5);
  EXPECT_FALSE(a.draw.filled);
  EXPECT_TRUE(a.draw.antialias);
  EXPECT_TRUE(a.draw.noise);
  EXPECT_EQ(a.draw.seed, 7u);
  EXPECT_TRUE(a.draw.mirrored);
  EXPECT_EQ(a.draw.width_px, 1919);
  EXPECT_EQ(a.draw.height_px, 1696);
  EXPECT_TRUE(a.grey);
  EXPECT_FALSE(a.bmp1);
  EXPECT_EQ(a.jpeg_dpi, 300);
  EXPECT_EQ(a.out, "x.jpg");

  const CliArgs b = ParseArgs(Split("--out y.bmp --bmp1 --shape bowl --category 1"));
  EXPECT_EQ(b.draw.category, 1);
  EXPECT_EQ(b.draw.shape, Shape::kBowl);
  EXPECT_TRUE(b.bmp1);
  EXPECT_EQ(b.draw.dpi, 300);  // defaults kept
  EXPECT_TRUE(b.draw.filled);
  EXPECT_EQ(b.draw.width_px, 0);
}

TEST(ParseArgsTest, ReadsTheSurfaceAndDegradations) {
  const CliArgs a = ParseArgs(
      Split("--category 2 --shape bowl --surface middle --pen-mm 0.5 --section-fill hatched "
            "--handle --breaks 3 --caption --scale-bar --specks 40 --skew -1.5 "
            "--jpeg-quality 60 --out x.png"));
  EXPECT_EQ(a.draw.surface, Surface::kMiddle);
  EXPECT_EQ(a.draw.pen_mm, 0.5);
  EXPECT_EQ(a.draw.section_fill, SectionFill::kHatched);
  EXPECT_TRUE(a.draw.handle);
  EXPECT_EQ(a.draw.breaks, 3);
  EXPECT_TRUE(a.draw.caption);
  EXPECT_TRUE(a.draw.scale_bar);
  EXPECT_EQ(a.draw.specks, 40);
  EXPECT_EQ(a.draw.skew_deg, -1.5);
  EXPECT_EQ(a.draw.jpeg_quality, 60);
  EXPECT_TRUE(a.extended);
  EXPECT_FALSE(ParseArgs(Split("--category 2 --shape bowl --out x.png")).extended);
}

TEST(ParseArgsTest, RejectsBadArguments) {
  static const char* const kRows[] = {
      "",
      "--shape bowl --out a.png",   // no category
      "--category 1 --out a.png",   // no shape
      "--category 1 --shape bowl",  // no out
      "--category 4 --shape bowl --out a.png",
      "--category one --shape bowl --out a.png",
      "--category 1 --shape amphora --out a.png",
      "--category 1 --shape bowl --dpi 0 --out a.png",
      "--category 1 --shape bowl --dpi 300x --out a.png",
      "--category 1 --shape bowl --scale -1 --out a.png",
      "--category 1 --shape bowl --height-cm 0 --out a.png",
      "--category 1 --shape bowl --width -5 --out a.png",
      "--category 1 --shape bowl --seed -1 --out a.png",
      "--category 1 --shape bowl --out a.png --dpi",     // missing value
      "--category 1 --shape bowl --out a.png --colour",  // unknown option
      "--category 1 --shape bowl --bmp1 --out a.png",
      "--category 1 --shape bowl --jpeg-dpi 300 --out a.png",
      "--category 1 --shape bowl --jpeg-dpi 0 --out a.jpg",
      "--category 1 --shape bowl --out a.unknown",
      "--category 1 --shape bowl --surface inside --out a.png",
      "--category 1 --shape bowl --pen-mm 0 --out a.png",
      "--category 1 --shape bowl --section-fill red --out a.png",
      "--category 1 --shape bowl --breaks -1 --out a.png",
      "--category 1 --shape bowl --specks x --out a.png",
      "--category 1 --shape bowl --skew 50 --out a.png",
      "--category 1 --shape bowl --jpeg-quality 0 --out a.png",
      "--category 1 --shape bowl --jpeg-quality 101 --out a.png",
  };
  for (const char* row : kRows) {
    SCOPED_TRACE(row);
    EXPECT_THROW(ParseArgs(Split(row)), std::invalid_argument);
  }
}

class MainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    dir_ =
        std::filesystem::temp_directory_path() / ("drawgen_cli_test_" + std::to_string(random()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};

std::map<std::string, std::string> KeyValues(const std::string& text) {
  std::map<std::string, std::string> values;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

TEST_F(MainTest, WritesThePictureAndPrintsTheValues) {
  struct Row {
    std::string args;
    const char* file;
    int channels;  // as read back unchanged
    size_t keys;   // lines printed
  };
  const Row kRows[] = {
      {"--category 3 --shape globular --dpi 600", "a.tiff", 3, 12},
      {"--category 2 --shape necked --grey --jpeg-dpi 300", "b.jpg", 1, 12},
      {"--category 1 --shape beaker --bmp1", "c.bmp", 1, 12},  // grey palette
      {"--category 1 --shape cone --grey", "d.png", 1, 12},
      // The sub-pixel positions, stroke, median, skew and scale bar as well.
      {"--category 2 --shape cone --surface middle --scale-bar --skew 1", "e.png", 3, 28},
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.args);
    std::vector<std::string> args = Split(row.args);
    args.push_back("--out");
    args.push_back(Path(row.file));
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(Main(args, out, err), 0) << err.str();
    EXPECT_EQ(err.str(), "");
    const std::map<std::string, std::string> v = KeyValues(out.str());
    for (const char* key : {"capacity_cl", "total_height_cm", "liquid_height_cm",
                            "opening_diameter_cm", "base_diameter_cm", "rim_width_cm", "axis_x",
                            "top_y", "floor_y", "foot_y", "width", "height"}) {
      EXPECT_EQ(v.count(key), 1u) << key;
    }
    EXPECT_EQ(v.size(), row.keys);
    if (row.keys > 12) {
      for (const char* key : {"surface_axis_x", "edge_rim_y", "middle_floor_y", "stroke_px",
                              "median_px", "skew", "scale_bar_cm", "scale_bar_x1"}) {
        EXPECT_EQ(v.count(key), 1u) << key;
      }
      EXPECT_EQ(std::stod(v.at("scale_bar_cm")), 5);
    }
    EXPECT_GT(std::stod(v.at("capacity_cl")), 10);
    EXPECT_EQ(std::stod(v.at("total_height_cm")), 10);
    const cv::Mat image = cv::imread(Path(row.file), cv::IMREAD_UNCHANGED);
    ASSERT_FALSE(image.empty());
    EXPECT_EQ(image.cols, std::stoi(v.at("width")));
    EXPECT_EQ(image.rows, std::stoi(v.at("height")));
    EXPECT_EQ(image.channels(), row.channels);
  }
}

TEST_F(MainTest, BadArgumentsGiveStatusTwoAndAMessage) {
  struct Row {
    std::string args;
    const char* message;
  };
  const Row kRows[] = {
      {"--category 5 --shape bowl --out x.png", "--category"},
      {"--category 3 --shape bowl --width 100 --out x.png", "canvas too small"},
      {"--bogus", "unknown argument"},
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.args);
    std::vector<std::string> args = Split(row.args);
    for (std::string& a : args) {
      if (a == "x.png") a = Path(a);
    }
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(Main(args, out, err), 2);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find(row.message), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("usage:"), std::string::npos);
  }
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(Main({"--category", "3", "--shape", "bowl", "--out", Path("missing/x.png")}, out, err),
            1);
  EXPECT_NE(err.str().find("cannot write"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace orvello::drawgen
