// Bad and unusual inputs, run through the three tools: each ends with a
// clear message and its status, and no results file claims values that the
// run did not measure.

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "support/drawings.h"
#include "support/tool_runner.h"

namespace orvello {
namespace {

using testing::ReadFile;
using testing::RunTool;
using testing::TempDir;

const std::string kVersion = testing::VersionText();
const char* const kTools[] = {ORVELLO_CMD3, ORVELLO_CMD, ORVELLO_CMD2};

TEST(RobustnessTest, UnreadableInputs) {
  static const struct {
    const char* name;
    const char* file;
  } kCases[] = {
      {"truncated JPEG", "cut.jpg"},
      {"zero-byte file", "empty.png"},
      {"directory given as the image", "folder.png"},
      {"text file", "notes.jpg"},
  };
  for (const char* tool : kTools) {
    for (const auto& c : kCases) {
      SCOPED_TRACE(std::string(tool) + ": " + c.name);
      TempDir dir;
      const std::string whole = testing::JpegBytes(testing::SilhouetteDrawing());
      testing::WriteFile(dir.path() / "cut.jpg", whole.substr(0, whole.size() * 2 / 3));
      testing::WriteFile(dir.path() / "empty.png", "");
      testing::WriteFile(dir.path() / "notes.jpg", "not a picture");
      std::filesystem::create_directory(dir.path() / "folder.png");
      const auto before = dir.Entries();
      const auto run = RunTool(tool, {c.file, "300", "1"}, dir.path());
      EXPECT_EQ(run.out, kVersion + "Cannot read the image: " + c.file + "\n");
      EXPECT_EQ(run.status, 255);
      EXPECT_EQ(dir.Entries(), before);
    }
  }
}

TEST(RobustnessTest, ImagesWithoutADrawing) {
  static const struct {
    const char* name;
    cv::Size size;
    cv::Scalar colour;
  } kCases[] = {
      {"all white", {300, 200}, {255, 255, 255}},
      {"all black", {300, 200}, {0, 0, 0}},
      {"one white pixel", {1, 1}, {255, 255, 255}},
      {"one black pixel", {1, 1}, {0, 0, 0}},
  };
  // All black has no paper; all white has no ink, which each tool reports
  // with its own message.
  static const std::string kNoInk[] = {"Erreur ! Aucun vase trouvé dans l'image !",
                                       "Erreur ! Impossible de déterminer la ligne médiane !",
                                       "erreur ! impossible de déterminer le bord gauche !"};
  for (const auto& c : kCases) {
    for (int t = 0; t < 3; ++t) {
      SCOPED_TRACE(std::string(kTools[t]) + ": " + c.name);
      TempDir dir;
      cv::imwrite((dir.path() / "d.png").string(), cv::Mat(c.size, CV_8UC3, c.colour));
      const auto run = RunTool(kTools[t], {"d.png", "300", "1"}, dir.path());
      const bool black = c.colour[0] == 0;
      EXPECT_EQ(
          run.out,
          kVersion + (black ? "Erreur ! Aucun vase trouvé dans l'image !" : kNoInk[t]) + "\n");
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(dir.Entries(), std::set<std::string>{"d.png"});
    }
  }
}

TEST(RobustnessTest, PngVariantsMeasureLikeThePlainDrawing) {
  const cv::Mat plain = testing::SilhouetteDrawing();
  cv::Mat grey;
  cv::cvtColor(plain, grey, cv::COLOR_BGR2GRAY);
  // Ink opaque, paper transparent with a hidden black colour.
  cv::Mat rgba(plain.size(), CV_8UC4, cv::Scalar(0, 0, 0, 0));
  rgba.setTo(cv::Scalar(0, 0, 0, 255), grey < 128);
  cv::Mat deep;
  plain.convertTo(deep, CV_16UC3, 257);
  static const struct {
    const char* name;
    const cv::Mat* image;
  } kCases[] = {{"RGBA on transparent paper", &rgba}, {"16-bit", &deep}};
  TempDir reference;
  cv::imwrite((reference.path() / "d.png").string(), plain);
  ASSERT_EQ(RunTool(ORVELLO_CMD3, {"d.png", "300", "1"}, reference.path()).status, 0);
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ASSERT_TRUE(cv::imwrite((dir.path() / "d.png").string(), *c.image));
    const auto run = RunTool(ORVELLO_CMD3, {"d.png", "300", "1"}, dir.path());
    EXPECT_EQ(run.out, kVersion);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(ReadFile(dir.path() / "results.txt"), ReadFile(reference.path() / "results.txt"));
  }
}

TEST(RobustnessTest, AnImageThatCannotBeWritten) {
  // A directory in the way of each output image in turn (the tests run as
  // root, so permissions would not stop the write).
  static const struct {
    const char* tool;
    const char* blocked;
    std::vector<std::string> written;
  } kCases[] = {
      {ORVELLO_CMD3, "gray.jpg", {"eau.jpg", "results.txt"}},
      {ORVELLO_CMD3, "eau.jpg", {"gray.jpg", "results.txt"}},
      {ORVELLO_CMD2, "contours.jpg", {"bord.jpg", "eau.jpg", "results.txt"}},
      {ORVELLO_CMD2, "bord.jpg", {"contours.jpg", "eau.jpg", "results.txt"}},
      {ORVELLO_CMD, "eau.jpg", {"results.txt"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.tool) + ", " + c.blocked);
    TempDir dir;
    const std::string tool = c.tool;
    const cv::Mat drawing = tool == ORVELLO_CMD3  ? testing::SilhouetteDrawing()
                            : tool == ORVELLO_CMD ? testing::MedianDrawing()
                                                  : testing::LeftEdgeDrawing();
    cv::imwrite((dir.path() / "d.png").string(), drawing);
    std::filesystem::create_directory(dir.path() / c.blocked);
    const auto run = RunTool(c.tool, {"d.png", "300", "1"}, dir.path());
    EXPECT_EQ(run.out, kVersion + "impossible d'écrire le fichier " + c.blocked + "\n");
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.writes, c.written);
  }
}

TEST(RobustnessTest, AVeryLargeImage) {
  // 20000 x 15000 pixels: a filled rectangle 12000 rows high, so that the
  // height is known exactly.
  TempDir dir;
  {
    cv::Mat drawing(15000, 20000, CV_8UC3, cv::Scalar(255, 255, 255));
    cv::rectangle(drawing, cv::Rect(4000, 1000, 12000, 12000), cv::Scalar(0, 0, 0), cv::FILLED);
    ASSERT_TRUE(
        cv::imwrite((dir.path() / "big.png").string(), drawing, {cv::IMWRITE_PNG_COMPRESSION, 1}));
  }
  const auto run = RunTool(ORVELLO_CMD3, {"big.png", "1200", "1"}, dir.path());
  EXPECT_EQ(run.out, kVersion);
  EXPECT_EQ(run.status, 0);
  std::ostringstream height;
  height << "Hauteur  : " << 12000 * (2.54 / 1 / 1200) << " cm\n";
  EXPECT_NE(ReadFile(dir.path() / "results.txt").find(height.str()), std::string::npos)
      << ReadFile(dir.path() / "results.txt");
}

}  // namespace
}  // namespace orvello
