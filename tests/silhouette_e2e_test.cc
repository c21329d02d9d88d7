// End-to-end runs of orvelloCMD3 in fresh directories.

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "common/mask.h"
#include "silhouette/silhouette.h"
#include "support/drawings.h"
#include "support/tool_runner.h"

namespace orvello {
namespace {

using testing::ReadFile;
using testing::RunTool;
using testing::TempDir;

const std::string kVersion = testing::VersionText();

cv::Mat Jar() {
  cv::Mat mask = cv::Mat::zeros(240, 200, CV_8UC1);
  cv::ellipse(mask, {100, 130}, {70, 90}, 0, 0, 360, 255, cv::FILLED);
  cv::rectangle(mask, cv::Rect(70, 20, 60, 40), 255, cv::FILLED);
  return testing::InkOnPaper(mask);
}

// The results file that the in-process measurement gives for `drawing`.
std::string ExpectedResults(const cv::Mat& drawing, double dpi, double scale) {
  return FormatResults(ToValues(MeasureSilhouetteDrawing(drawing, dpi, scale).values));
}

TEST(SilhouetteToolTest, MeasuresWithArgumentsOrDefaults) {
  static const struct {
    const char* name;
    std::vector<std::string> args;
    const char* image;
    double dpi, scale;
  } kCases[] = {
      {"no arguments: vase.tiff at 600 dpi", {}, "vase.tiff", 600, 1},
      {"one argument", {"other.png"}, "vase.tiff", 600, 1},
      {"four arguments", {"other.png", "300", "1", "x"}, "vase.tiff", 600, 1},
      {"three arguments", {"other.png", "300", "0.5"}, "other.png", 300, 0.5},
      {"blanks and accents", {"mon vase é.png", "300", "1"}, "mon vase é.png", 300, 1},
      {"comma keeps the whole part", {"other.png", "150", "1,5"}, "other.png", 150, 1},
  };
  const cv::Mat drawing = Jar();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ASSERT_TRUE(cv::imwrite((dir.path() / c.image).string(), drawing));
    const auto run = RunTool(ORVELLO_CMD3, c.args, dir.path());
    EXPECT_EQ(run.out, kVersion);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.writes, (std::vector<std::string>{"gray.jpg", "eau.jpg", "results.txt"}));
    EXPECT_EQ(ReadFile(dir.path() / "results.txt"), ExpectedResults(drawing, c.dpi, c.scale));
  }
}

TEST(SilhouetteToolTest, ImagesAreTheMaskAndTheBlueRows) {
  TempDir dir;
  const cv::Mat drawing = Jar();
  ASSERT_TRUE(cv::imwrite((dir.path() / "vase.tiff").string(), drawing));
  ASSERT_EQ(RunTool(ORVELLO_CMD3, {}, dir.path()).status, 0);
  const cv::Mat mask = Binarise(drawing, Smoothing::kGaussian5x5);
  EXPECT_EQ(ReadFile(dir.path() / "gray.jpg"), testing::JpegBytes(mask));
  EXPECT_EQ(ReadFile(dir.path() / "eau.jpg"),
            testing::JpegBytes(WaterImage(drawing, ScanSilhouette(mask).rows)));
  const cv::Mat eau = cv::imread((dir.path() / "eau.jpg").string());
  const cv::Vec3b centre = eau.at<cv::Vec3b>(130, 100);
  EXPECT_GT(centre[0], 200);
  EXPECT_LT(centre[2], 60);
}

TEST(SilhouetteToolTest, FailuresWriteNothing) {
  static const struct {
    const char* name;
    std::vector<std::string> args;
    std::string message;
    int status;
  } kCases[] = {
      {"missing path", {"nothere.png", "300", "1"}, "Cannot read the image: nothere.png", 255},
      {"not an image", {"notes.txt", "300", "1"}, "Cannot read the image: notes.txt", 255},
      {"blank paper", {"blank.png", "300", "1"}, "Erreur ! Aucun vase trouvé dans l'image !", 1},
      {"dpi 0", {"jar.png", "0", "1"}, "Erreur ! Résolution ou échelle incorrecte !", 2},
      {"dpi not a number",
       {"jar.png", "abc", "1"},
       "Erreur ! Résolution ou échelle incorrecte !",
       2},
      {"negative scale",
       {"jar.png", "300", "-1"},
       "Erreur ! Résolution ou échelle incorrecte !",
       2},
      {"scale 0,5", {"jar.png", "300", "0,5"}, "Erreur ! Résolution ou échelle incorrecte !", 2},
      {"infinite dpi", {"jar.png", "inf", "1"}, "Erreur ! Résolution ou échelle incorrecte !", 2},
      {"scale nan", {"jar.png", "300", "nan"}, "Erreur ! Résolution ou échelle incorrecte !", 2},
      {"scale so small the volume overflows",
       {"jar.png", "300", "1e-106"},
       "Erreur ! Résolution ou échelle incorrecte !",
       2},
      {"bad arguments before a missing image",
       {"nothere.png", "0", "1"},
       "Erreur ! Résolution ou échelle incorrecte !",
       2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    cv::imwrite((dir.path() / "jar.png").string(), Jar());
    cv::imwrite((dir.path() / "blank.png").string(),
                cv::Mat(50, 50, CV_8UC3, cv::Scalar(255, 255, 255)));
    testing::WriteFile(dir.path() / "notes.txt", "not a picture\n");
    const auto before = dir.Entries();
    const auto run = RunTool(ORVELLO_CMD3, c.args, dir.path());
    EXPECT_EQ(run.out, kVersion + c.message + "\n");
    EXPECT_EQ(run.status, c.status);
    EXPECT_TRUE(run.writes.empty());
    EXPECT_EQ(dir.Entries(), before);
  }
}

TEST(SilhouetteToolTest, ResultsFileThatCannotBeOpened) {
  TempDir dir;
  cv::imwrite((dir.path() / "vase.tiff").string(), Jar());
  std::filesystem::create_directory(dir.path() / "results.txt");
  const auto run = RunTool(ORVELLO_CMD3, {}, dir.path());
  EXPECT_EQ(run.out, kVersion + "impossible d'ouvrir le fichier results.txt\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.writes, (std::vector<std::string>{"gray.jpg", "eau.jpg"}));
}

}  // namespace
}  // namespace orvello
