// End-to-end runs of the section tools orvelloCMD (median line) and
// orvelloCMD2 (left edge) in fresh directories.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "common/mask.h"
#include "leftedge/leftedge.h"
#include "median/median.h"
#include "support/drawings.h"
#include "support/tool_runner.h"

namespace orvello {
namespace {

using testing::LeftEdgeDrawing;
using testing::MedianDrawing;
using testing::ReadFile;
using testing::RunTool;
using testing::TempDir;

const std::string kVersion = testing::VersionText();

// The results file and water image the in-process measurement gives for the
// drawing stored at `path`, as the tool reads it.
struct Expected {
  std::string results;
  std::string water_jpeg;
};

Expected ExpectedMedian(const std::filesystem::path& path, double dpi, double scale) {
  const cv::Mat drawing = cv::imread(path.string(), cv::IMREAD_COLOR);
  const MedianMeasurement m = MeasureMedianDrawing(drawing, dpi, scale);
  return {FormatResults(ToValues(m.values)), testing::JpegBytes(WaterImage(drawing, m.scan.rows))};
}

Expected ExpectedLeftEdge(const std::filesystem::path& path, double dpi, double scale) {
  const cv::Mat drawing = cv::imread(path.string(), cv::IMREAD_COLOR);
  const LeftEdgeMeasurement m = MeasureLeftEdgeDrawing(drawing, dpi, scale);
  return {FormatResults(ToValues(m.values)), testing::JpegBytes(WaterImage(drawing, m.scan.rows))};
}

struct ToolCase {
  const char* name;
  std::vector<std::string> args;
  const char* image;  // where the drawing is stored
  double dpi, scale;  // what the tool should measure with
};

TEST(MedianToolTest, MeasuresWithArgumentsOrDefaults) {
  static const ToolCase kCases[] = {
      {"no arguments: vase.jpg at 300 dpi", {}, "vase.jpg", 300, 1},
      {"five arguments", {"a.png", "600", "1", "x", "y"}, "vase.jpg", 300, 1},
      {"three arguments", {"mon dessin é.png", "600", "0.5"}, "mon dessin é.png", 600, 0.5},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ASSERT_TRUE(cv::imwrite((dir.path() / c.image).string(), MedianDrawing()));
    const Expected expected = ExpectedMedian(dir.path() / c.image, c.dpi, c.scale);
    const auto run = RunTool(ORVELLO_CMD, c.args, dir.path());
    EXPECT_EQ(run.out, kVersion);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.writes, (std::vector<std::string>{"eau.jpg", "results.txt"}));
    EXPECT_EQ(ReadFile(dir.path() / "results.txt"), expected.results);
    EXPECT_EQ(ReadFile(dir.path() / "eau.jpg"), expected.water_jpeg);
  }
}

TEST(MedianToolTest, SevenLinesWithTheirLabels) {
  TempDir dir;
  cv::imwrite((dir.path() / "vase.jpg").string(), MedianDrawing());
  ASSERT_EQ(RunTool(ORVELLO_CMD, {}, dir.path()).status, 0);
  std::istringstream results(ReadFile(dir.path() / "results.txt"));
  static const char* const kPatterns[] = {
      "Volume : [0-9.e+-]+ cL",
      "Hauteur du liquide : [0-9.e+-]+ cm",
      "Hauteur totale : [0-9.e+-]+ cm",
      "Diametre ouverture : [0-9.e+-]+ cm",
      "Rapport Diametre de l'ouverture / Hauteur totale : [0-9.e+-]+",
      "Diametre du fond : [0-9.e+-]+ cm",
      "Largeur moyenne du bord :[0-9.e+-]+ cm",
  };
  std::string line;
  for (const char* pattern : kPatterns) {
    ASSERT_TRUE(std::getline(results, line)) << pattern;
    EXPECT_THAT(line, ::testing::MatchesRegex(pattern));
  }
  EXPECT_FALSE(std::getline(results, line));
}

TEST(LeftEdgeToolTest, MeasuresWithArgumentsOrDefaults) {
  static const ToolCase kCases[] = {
      {"no arguments: 25.bmp at 300 dpi", {}, "25.bmp", 300, 1},
      {"two arguments", {"a.png", "600"}, "25.bmp", 300, 1},
      {"three arguments", {"dessin 1 é.png", "600", "2"}, "dessin 1 é.png", 600, 2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ASSERT_TRUE(cv::imwrite((dir.path() / c.image).string(), LeftEdgeDrawing()));
    const Expected expected = ExpectedLeftEdge(dir.path() / c.image, c.dpi, c.scale);
    const auto run = RunTool(ORVELLO_CMD2, c.args, dir.path());
    EXPECT_EQ(run.out, kVersion);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.writes,
              (std::vector<std::string>{"contours.jpg", "bord.jpg", "eau.jpg", "results.txt"}));
    EXPECT_EQ(ReadFile(dir.path() / "results.txt"), expected.results);
    EXPECT_EQ(ReadFile(dir.path() / "eau.jpg"), expected.water_jpeg);
  }
}

TEST(LeftEdgeToolTest, OutlineColourOfTheChosenIndex) {
  static const struct {
    int blobs;
    int index;
    cv::Vec3b bgr;
  } kCases[] = {{0, 0, {203, 143, 254}}, {1, 1, {229, 109, 176}}, {2, 2, {192, 220, 177}}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.index);
    TempDir dir;
    const cv::Mat drawing = LeftEdgeDrawing(c.blobs);
    cv::imwrite((dir.path() / "25.bmp").string(), drawing);
    const LeftEdge edge = FindLeftEdge(Binarise(drawing, Smoothing::kNone));
    ASSERT_EQ(edge.index, c.index);  // the fixture puts the outline there
    ASSERT_EQ(RunTool(ORVELLO_CMD2, {}, dir.path()).status, 0);
    const cv::Mat contours = cv::imread((dir.path() / "contours.jpg").string());
    const std::vector<cv::Point>& outline = edge.contours[edge.index];
    const cv::Point on_line = (outline[0] + outline[1]) / 2;
    const cv::Vec3b read = contours.at<cv::Vec3b>(on_line);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(read[k], c.bgr[k], 12) << "channel " << k;
  }
}

TEST(SectionToolsTest, FailuresKeepEarlierOutputs) {
  cv::Mat blank(400, 400, CV_8UC3, cv::Scalar(255, 255, 255));
  cv::Mat no_median = MedianDrawing();
  no_median(cv::Rect(390, 0, 20, 700)).setTo(cv::Scalar(255, 255, 255));
  cv::Mat section = LeftEdgeDrawing();
  cv::Mat right_only = LeftEdgeDrawing();
  right_only(cv::Rect(0, 0, 800, 1700)).setTo(cv::Scalar(255, 255, 255));
  static const struct {
    const char* name;
    const char* program;
    const cv::Mat* drawing;
    std::vector<std::string> args;
    std::string message;
    int status;
  } kCases[] = {
      {"median line missing",
       ORVELLO_CMD,
       &no_median,
       {"d.png", "300", "1"},
       "Erreur ! Impossible de déterminer la ligne médiane !",
       1},
      {"blank sheet, median tool",
       ORVELLO_CMD,
       &blank,
       {"d.png", "300", "1"},
       "Erreur ! Impossible de déterminer la ligne médiane !",
       1},
      {"median tool, dpi 0",
       ORVELLO_CMD,
       &blank,
       {"d.png", "0", "1"},
       "Erreur ! Résolution ou échelle incorrecte !",
       2},
      {"median tool, missing image",
       ORVELLO_CMD,
       &blank,
       {"none.png", "300", "1"},
       "Cannot read the image: none.png",
       255},
      {"blank sheet, left-edge tool",
       ORVELLO_CMD2,
       &blank,
       {"d.png", "300", "1"},
       "erreur ! impossible de déterminer le bord gauche !",
       1},
      {"long outlines only in the right two thirds",
       ORVELLO_CMD2,
       &right_only,
       {"d.png", "300", "1"},
       "erreur ! impossible de déterminer le bord gauche !",
       1},
      {"no opening at 15 dpi, left-edge tool",
       ORVELLO_CMD2,
       &section,
       {"d.png", "15", "1"},
       "Erreur ! Impossible de déterminer l'ouverture !",
       1},
      {"tiny dpi, pixel size too large",
       ORVELLO_CMD2,
       &section,
       {"d.png", "1e-300", "1"},
       "Erreur ! Résolution ou échelle incorrecte !",
       2},
      {"huge dpi, pixel size too small",
       ORVELLO_CMD,
       &section,
       {"d.png", "1e300", "1"},
       "Erreur ! Résolution ou échelle incorrecte !",
       2},
      {"subnormal scale",
       ORVELLO_CMD,
       &section,
       {"d.png", "300", "1e-310"},
       "Erreur ! Résolution ou échelle incorrecte !",
       2},
      {"left-edge tool, scale inf",
       ORVELLO_CMD2,
       &blank,
       {"d.png", "300", "inf"},
       "Erreur ! Résolution ou échelle incorrecte !",
       2},
      {"left-edge tool, missing image",
       ORVELLO_CMD2,
       &blank,
       {"none.png", "300", "1"},
       "Cannot read the image: none.png",
       255},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    cv::imwrite((dir.path() / "d.png").string(), *c.drawing);
    for (const char* name : {"eau.jpg", "results.txt", "contours.jpg", "bord.jpg"}) {
      testing::WriteFile(dir.path() / name, std::string("earlier ") + name);
    }
    const auto run = RunTool(c.program, c.args, dir.path());
    EXPECT_EQ(run.out, kVersion + c.message + "\n");
    EXPECT_EQ(run.status, c.status);
    EXPECT_TRUE(run.writes.empty());
    for (const char* name : {"eau.jpg", "results.txt", "contours.jpg", "bord.jpg"}) {
      EXPECT_EQ(ReadFile(dir.path() / name), std::string("earlier ") + name);
    }
  }
}

TEST(MedianToolTest, NoOpeningAtALowDpi) {
  // At 30 dpi the opening limit lies 300 columns left of the axis at 400,
  // left of the leftmost ink.
  TempDir dir;
  cv::imwrite((dir.path() / "d.png").string(), MedianDrawing());
  const auto run = RunTool(ORVELLO_CMD, {"d.png", "30", "1"}, dir.path());
  EXPECT_EQ(run.out, kVersion + "Erreur ! Impossible de déterminer l'ouverture !\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(dir.Entries() == std::set<std::string>{"d.png"});
}

}  // namespace
}  // namespace orvello
