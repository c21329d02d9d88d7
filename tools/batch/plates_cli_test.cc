#include "batch/plates_cli.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace orvello::batch {
namespace {

TEST(ReadPlateManifestTest, ReadsFilesResolutionsScalesAndBars) {
  struct Row {
    const char* name;
    const char* text;
    bool error;
    size_t jobs;
    double dpi, scale, bar_cm;  // of the first job
    const char* file;
  };
  const Row rows[] = {
      {"file only", "file\nplate.png\n", false, 1, 300, 0, 0, "/plates/plate.png"},
      {"all columns", "file,dpi,scale,bar\na.tif,600,1:3,5cm\nb.tif,,,\n", false, 2, 600, 1.0 / 3,
       5, "/plates/a.tif"},
      {"semicolons and decimal commas", "File;DPI;Scale;Bar\n/abs/a.png;400;0,5;2,5 cm\n", false, 1,
       400, 0.5, 2.5, "/abs/a.png"},
      {"bar in millimetres", "file,bar\na.png,50mm\n", false, 1, 300, 0, 5, "/plates/a.png"},
      {"no file column", "image,dpi\na.png,300\n", true, 0, 0, 0, 0, ""},
      {"bad dpi", "file,dpi\na.png,high\n", true, 0, 0, 0, 0, ""},
      {"bad bar", "file,bar\na.png,long\n", true, 0, 0, 0, 0, ""},
  };
  PlateJob defaults;
  defaults.dpi = 300;
  for (const Row& row : rows) {
    std::string error;
    const std::vector<PlateJob> jobs = ReadPlateManifest(row.text, "/plates", defaults, &error);
    EXPECT_EQ(!error.empty(), row.error) << row.name << ": " << error;
    ASSERT_EQ(jobs.size(), row.jobs) << row.name;
    if (jobs.empty()) continue;
    EXPECT_EQ(jobs[0].file.string(), row.file) << row.name;
    EXPECT_DOUBLE_EQ(jobs[0].dpi, row.dpi) << row.name;
    EXPECT_DOUBLE_EQ(jobs[0].scale, row.scale) << row.name;
    EXPECT_DOUBLE_EQ(jobs[0].bar_cm, row.bar_cm) << row.name;
  }
}

TEST(WantsPlatesTest, OnlyWithThePlatesFlag) {
  struct Row {
    std::vector<const char*> argv;
    bool plates;
  };
  const Row rows[] = {
      {{"orvello-batch", "--plates", "a.png"}, true},
      {{"orvello-batch", "a.png", "--plates"}, true},
      {{"orvello-batch", "catalogue.csv"}, false},
      {{"orvello-batch", "--plates-x"}, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(WantsPlates(static_cast<int>(row.argv.size()), row.argv.data()), row.plates)
        << row.argv.back();
  }
}

}  // namespace
}  // namespace orvello::batch
