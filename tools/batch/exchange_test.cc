// The batch's profiles out and back in, the clay's weight and the
// provenance of the results, through the program.

#include "batch/exchange.h"

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <numbers>
#include <opencv2/imgcodecs.hpp>

#include "batch/batch.h"
#include "batch/manifest.h"
#include "drawgen/drawgen.h"
#include "exchange/provenance.h"
#include "support/tool_runner.h"

namespace orvello::batch {
namespace {

using orvello::testing::ReadFile;
using orvello::testing::RunTool;
using orvello::testing::TempDir;
using orvello::testing::WriteFile;
namespace fs = std::filesystem;

// The records of a results.csv by column name.
std::vector<std::map<std::string, std::string>> ReadCsv(const fs::path& path) {
  std::string error;
  const std::vector<CsvRecord> records = SplitCsv(ReadFile(path), &error);
  EXPECT_EQ(error, "");
  std::vector<std::map<std::string, std::string>> rows;
  for (size_t i = 1; i < records.size(); ++i) {
    std::map<std::string, std::string> row;
    for (size_t c = 0; c < records[0].fields.size() && c < records[i].fields.size(); ++c) {
      row[records[0].fields[c]] = records[i].fields[c];
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

// The capacity of an exported CSV by a sum of frustums of its own, apart
// from the library's: the interior's points, rim to floor.
double CsvCapacityCl(const std::string& csv) {
  std::vector<std::pair<double, double>> inner;
  std::string error;
  for (const CsvRecord& r : SplitCsv(csv, &error)) {
    if (r.fields.size() == 3 && r.fields[0] == "inner") {
      inner.emplace_back(std::stod(r.fields[1]), std::stod(r.fields[2]));
    }
  }
  double sum = 0;
  for (size_t i = 1; i < inner.size(); ++i) {
    const double a = inner[i - 1].second, b = inner[i].second;
    sum += std::abs(inner[i - 1].first - inner[i].first) * (a * a + a * b + b * b);
  }
  return std::numbers::pi * sum / 30;
}

TEST(BatchExchangeTest, ExportedProfilesMeasureAlikeWhenImported) {
  TempDir dir;
  const struct {
    const char* file;
    int category;
    drawgen::Shape shape;
  } kDrawings[] = {{"jar.png", 2, drawgen::Shape::kGlobularJar},
                   {"bowl.png", 1, drawgen::Shape::kBowl},
                   {"cone.png", 3, drawgen::Shape::kCone}};
  std::string manifest = "file,category,dpi,scale\n";
  for (const auto& d : kDrawings) {
    drawgen::DrawOptions options;
    options.category = d.category;
    options.shape = d.shape;
    ASSERT_TRUE(cv::imwrite((dir.path() / d.file).string(), drawgen::Draw(options).image));
    manifest += std::string(d.file) + "," + std::to_string(d.category) + ",300,1\n";
  }
  WriteFile(dir.path() / "m.csv", manifest);
  const auto run = RunTool(ORVELLO_BATCH,
                           {"m.csv", "-o", "out", "-q", "--export", "csv,svg,dxf", "--surface",
                            "edge", "--density", "2"},
                           dir.path());
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const auto rows = ReadCsv(dir.path() / "out" / "results.csv");
  ASSERT_EQ(rows.size(), std::size(kDrawings));

  std::string imports = "file,category,dpi,scale\n";
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& row = rows[i];
    SCOPED_TRACE(row.at("file"));
    ASSERT_EQ(row.at("refined_status"), "measured");
    const std::string stem = row.at("overlay_image").substr(0, row.at("overlay_image").rfind('.'));
    EXPECT_EQ(row.at("export_files"), stem + ".csv;" + stem + ".svg;" + stem + ".dxf");
    EXPECT_EQ(row.at("sha256"), exchange::Sha256File((dir.path() / row.at("file")).string()));
    EXPECT_EQ(row.at("program_version"), exchange::ProgramVersion());
    EXPECT_NE(row.at("run_parameters").find("density=2; export=csv,svg,dxf"), std::string::npos);
    const std::string csv = ReadFile(dir.path() / "out" / (stem + ".csv"));
    if (kDrawings[i].category == 3) {
      // A silhouette without a wall: no interior, no body.
      EXPECT_EQ(row.at("refined_capacity_cl"), "");
      EXPECT_EQ(row.at("refined_body_cl"), "");
    } else {
      const double capacity = std::stod(row.at("refined_capacity_cl"));
      EXPECT_NEAR(CsvCapacityCl(csv), capacity, 5e-6 * capacity);
      const double body = std::stod(row.at("refined_body_cl"));
      EXPECT_GT(body, 0);
      EXPECT_NEAR(std::stod(row.at("refined_weight_g")), body * 10 * 2, 1e-4 * body * 20);
      EXPECT_NEAR(std::stod(row.at("refined_full_weight_g")), body * 20 + capacity * 10,
                  1e-4 * (body * 20 + capacity * 10));
    }
    for (const char* ext : {".csv", ".svg", ".dxf"}) {
      imports += "out/" + stem + ext + ",profile,,\n";
    }
  }
  imports += "out/none.csv,profile,,\nm.csv,Profile,,\n";
  WriteFile(dir.path() / "imports.csv", imports);
  const auto back = RunTool(ORVELLO_BATCH, {"imports.csv", "-o", "back", "-q"}, dir.path());
  EXPECT_EQ(back.status, 1);
  const auto imported = ReadCsv(dir.path() / "back" / "results.csv");
  ASSERT_EQ(imported.size(), 3 * rows.size() + 2);
  for (size_t i = 0; i < 3 * rows.size(); ++i) {
    const auto& row = imported[i];
    const auto& original = rows[i / 3];
    SCOPED_TRACE(row.at("file"));
    EXPECT_EQ(row.at("status"), "measured");
    EXPECT_EQ(row.at("sha256"), exchange::Sha256File((dir.path() / row.at("file")).string()));
    // Six significant digits, as the results files write them.
    for (const char* key : {"refined_capacity_cl", "refined_solid_cl", "refined_liquid_height_cm",
                            "refined_total_height_cm", "refined_opening_cm", "refined_base_cm"}) {
      EXPECT_EQ(row.at(key), original.at(key)) << key;
    }
    if (!original.at("refined_body_cl").empty()) {
      // The density of the import is the default.
      const double body = std::stod(original.at("refined_body_cl"));
      EXPECT_EQ(row.at("refined_body_cl"), original.at("refined_body_cl"));
      EXPECT_NEAR(std::stod(row.at("refined_weight_g")), body * 10 * exchange::kEarthenwareDensity,
                  1e-4 * body * 18);
      EXPECT_FALSE(row.at("fill_90_cl").empty());
    }
  }
  EXPECT_EQ(imported[3 * rows.size()].at("status"), "missing-file");
  EXPECT_EQ(imported[3 * rows.size() + 1].at("status"), "unreadable");

  const nlohmann::json json = nlohmann::json::parse(ReadFile(dir.path() / "back" / "results.json"));
  EXPECT_EQ(json["version"], exchange::ProgramVersion());
  EXPECT_EQ(json["parameters"]["density"], "1.8");
  EXPECT_EQ(json["drawings"][0]["category"], "profile");
  EXPECT_FALSE(json["drawings"][0]["refined_outer_profile"].empty());
}

TEST(BatchExchangeTest, VersionAndBadOptions) {
  TempDir dir;
  const auto version = RunTool(ORVELLO_BATCH, {"--version"}, dir.path());
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "orvello-batch " + std::string(exchange::ProgramVersion()) + "\n");
  const std::vector<std::string> kBad[] = {
      {"m.csv", "--export", "pdf"}, {"m.csv", "--density", "0"}, {"m.csv", "--density", "x"}};
  for (const auto& args : kBad) {
    EXPECT_EQ(RunTool(ORVELLO_BATCH, args, dir.path()).status, kBatchUnusable) << args[2];
  }
}

TEST(ProfileCategoryTest, Names) {
  const struct {
    const char* text;
    bool profile;
  } kCases[] = {{"profile", true},   {" Profile ", true}, {"PROFILE", true},
                {"profiles", false}, {"2", false},        {"", false}};
  for (const auto& c : kCases) EXPECT_EQ(IsProfileCategory(c.text), c.profile) << c.text;
}

}  // namespace
}  // namespace orvello::batch
