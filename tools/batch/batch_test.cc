// The batch against the tools, run as processes on the same drawings, and
// the batch program's exit statuses and output folder.

#include "batch/batch.h"

#include <gtest/gtest.h>

#include <charconv>
#include <map>
#include <nlohmann/json.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "batch/measure.h"
#include "common/category.h"
#include "common/mask.h"
#include "common/values.h"
#include "drawgen/drawgen.h"
#include "support/drawings.h"
#include "support/tool_runner.h"

namespace orvello::batch {
namespace {

using orvello::testing::ReadFile;
using orvello::testing::RunTool;
using orvello::testing::TempDir;
using orvello::testing::WriteFile;
namespace fs = std::filesystem;

const std::string kVersion = testing::VersionText();

std::string ToolOf(int category) {
  return std::string(ORVELLO_TOOLS_DIR) + "/" + std::string(GetCategory(category).program);
}

// The value texts of a tool's results file, by column.
std::map<std::string, std::string> ToolValues(int category, const std::string& results) {
  std::map<std::string, std::string> values;
  size_t at = 0;
  size_t lines = 0;
  for (const ValueSpec& spec : kValueSchema) {
    if (!spec.In(category)) continue;
    ++lines;
    const size_t end = results.find('\n', at);
    if (end == std::string::npos) break;
    const std::string_view line = std::string_view(results).substr(at, end - at);
    at = end + 1;
    EXPECT_TRUE(line.starts_with(spec.label) && line.ends_with(spec.unit)) << line;
    values[std::string(spec.key)] = std::string(
        line.substr(spec.label.size(), line.size() - spec.label.size() - spec.unit.size()));
  }
  EXPECT_EQ(values.size(), lines) << results;
  return values;
}

// The records of a results.csv by column name.
std::vector<std::map<std::string, std::string>> ReadCsv(const fs::path& path) {
  std::string error;
  const std::vector<CsvRecord> records = SplitCsv(ReadFile(path), &error);
  EXPECT_EQ(error, "");
  std::vector<std::map<std::string, std::string>> rows;
  for (size_t r = 1; r < records.size(); ++r) {
    EXPECT_EQ(records[r].fields.size(), records[0].fields.size()) << "line " << records[r].line;
    std::map<std::string, std::string> row;
    for (size_t i = 0; i < records[r].fields.size() && i < records[0].fields.size(); ++i) {
      row[records[0].fields[i]] = records[r].fields[i];
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

double Number(const std::string& text) {
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// A drawing for the batch and the tool. A mirrored drawing is handed to
// the tool flipped, as the tool cannot flip it itself.
struct ToolCase {
  std::string name;
  fs::path image;
  int category;
  std::string dpi, scale;
  bool mirror = false;
  int tool_status = 0;  // 1: no reference found; 255: unreadable
};

// Runs one batch over `cases` and each case's tool, and checks that both
// give the same values to the printed digit, or fail with the same message.
void ExpectBatchEqualsTools(const std::vector<ToolCase>& cases) {
  TempDir dir;
  std::string manifest = "file,category,dpi,scale,mirror\n";
  for (const ToolCase& c : cases) {
    manifest += CsvField(c.image.string()) + "," + std::to_string(c.category) + "," + c.dpi + "," +
                c.scale + "," + (c.mirror ? "1" : "0") + "\n";
  }
  WriteFile(dir.path() / "m.csv", manifest);
  const auto batch = RunTool(ORVELLO_BATCH, {"m.csv", "--out", "out", "--quiet"}, dir.path());
  ASSERT_TRUE(batch.status == 0 || batch.status == 1) << batch.status << batch.err;
  const auto rows = ReadCsv(dir.path() / "out" / kCsvName);
  const nlohmann::json json =
      nlohmann::json::parse(ReadFile(dir.path() / "out" / kJsonName))["drawings"];
  ASSERT_EQ(rows.size(), cases.size());
  ASSERT_EQ(json.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    const ToolCase& c = cases[i];
    SCOPED_TRACE(c.name);
    fs::path tool_image = c.image;
    if (c.mirror) {
      cv::Mat flipped;
      cv::flip(cv::imread(c.image.string(), cv::IMREAD_COLOR), flipped, 1);
      tool_image = dir.path() / ("flipped-" + std::to_string(i) + ".png");
      ASSERT_TRUE(cv::imwrite(tool_image.string(), flipped));
    }
    const fs::path tool_dir = dir.path() / ("tool-" + std::to_string(i));
    fs::create_directory(tool_dir);
    const auto tool = RunTool(ToolOf(c.category), {tool_image.string(), c.dpi, c.scale}, tool_dir);
    const auto& row = rows[i];
    EXPECT_EQ(tool.status, c.tool_status) << tool.out;
    if (tool.status != 0) {
      EXPECT_EQ(row.at("status"), tool.status == 1 ? "no-reference" : "unreadable");
      EXPECT_EQ(tool.out, kVersion + row.at("message") + "\n");
      EXPECT_EQ(json[i]["message"], row.at("message"));
      continue;
    }
    EXPECT_EQ(row.at("status"), "measured") << row.at("message");
    EXPECT_EQ(json[i]["status"], "measured");
    for (const auto& [key, text] : ToolValues(c.category, ReadFile(tool_dir / "results.txt"))) {
      EXPECT_EQ(row.at(key), text) << key;
      ASSERT_TRUE(json[i].contains(key)) << key;
      EXPECT_EQ(json[i][key].get<double>(), Number(text)) << key;
    }
    if (!c.mirror) {
      EXPECT_EQ(ReadFile(dir.path() / "out" / row.at("water_image")),
                ReadFile(tool_dir / "eau.jpg"))
          << "water image";
    }
  }
}

TEST(BatchEqualsToolTest, BundledSamples) {
  const fs::path samples = ORVELLO_SAMPLES;
  const std::vector<ToolCase> cases = {
      {"vase.tiff", samples / "vase.tiff", 3, "600", "1"},
      {"vase.jpg", samples / "vase.jpg", 2, "300", "1"},
      {"25.bmp", samples / "25.bmp", 1, "300", "1"},
  };
  for (const ToolCase& c : cases) {
    if (!fs::exists(c.image)) GTEST_SKIP() << "no bundled sample " << c.image;
  }
  ExpectBatchEqualsTools(cases);
}

TEST(BatchEqualsToolTest, GeneratedDrawingsAndFailures) {
  TempDir dir;
  static const struct {
    const char* name;
    drawgen::Shape shape;
    int category;
    const char* dpi;
    const char* scale;
    bool filled, antialias, noise, mirrored;
  } kDrawings[] = {
      {"3 globular 300 dpi", drawgen::Shape::kGlobularJar, 3, "300", "1", true, false, false,
       false},
      {"3 necked outline 600 dpi", drawgen::Shape::kNeckedJar, 3, "600", "0.5", false, true, true,
       false},
      {"2 cylinder 300 dpi", drawgen::Shape::kCylinder, 2, "300", "1", true, false, false, false},
      {"2 bowl 400 dpi", drawgen::Shape::kBowl, 2, "400", "0.5", true, true, true, false},
      {"2 beaker mirrored", drawgen::Shape::kBeaker, 2, "300", "1", true, false, false, true},
      {"1 beaker 300 dpi", drawgen::Shape::kBeaker, 1, "300", "1", true, false, false, false},
      {"1 cone 600 dpi", drawgen::Shape::kCone, 1, "600", "0.5", true, true, true, false},
      {"1 globular mirrored", drawgen::Shape::kGlobularJar, 1, "300", "1", true, false, false,
       true},
  };
  std::vector<ToolCase> cases;
  for (const auto& d : kDrawings) {
    drawgen::DrawOptions options;
    options.shape = d.shape;
    options.category = d.category;
    options.dpi = ParseNumber(d.dpi);
    options.scale = ParseNumber(d.scale);
    options.filled = d.filled;
    options.antialias = d.antialias;
    options.noise = d.noise;
    options.mirrored = d.mirrored;
    const fs::path image = dir.path() / (std::to_string(cases.size()) + ".png");
    ASSERT_TRUE(cv::imwrite(image.string(), drawgen::Draw(options).image)) << d.name;
    cases.push_back({d.name, image, d.category, d.dpi, d.scale, d.mirrored});
  }
  // Drawings every tool refuses: blank paper, an all-dark scan, a JPEG cut
  // short.
  ASSERT_TRUE(cv::imwrite((dir.path() / "blank.png").string(),
                          cv::Mat(600, 900, CV_8UC3, cv::Scalar(255, 255, 255))));
  ASSERT_TRUE(cv::imwrite((dir.path() / "dark.png").string(),
                          cv::Mat(600, 900, CV_8UC3, cv::Scalar(20, 20, 20))));
  std::vector<uchar> jpeg;
  cv::imencode(".jpg", cv::imread(cases.front().image.string()), jpeg);
  WriteFile(dir.path() / "cut.jpg", std::string(jpeg.begin(), jpeg.begin() + jpeg.size() / 2));
  for (int category = 1; category <= 3; ++category) {
    const std::string suffix = ", category " + std::to_string(category);
    cases.push_back({"blank" + suffix, dir.path() / "blank.png", category, "300", "1", false, 1});
    cases.push_back({"all dark" + suffix, dir.path() / "dark.png", category, "300", "1", false, 1});
    cases.push_back(
        {"cut JPEG" + suffix, dir.path() / "cut.jpg", category, "300", "1", false, 255});
  }
  ExpectBatchEqualsTools(cases);
}

// Returns the measurement of a generated drawing saved as PNG.
Measurement MeasureGenerated(const drawgen::DrawOptions& options, const fs::path& dir,
                             drawgen::Analytic* truth) {
  const drawgen::Drawing drawing = drawgen::Draw(options);
  *truth = drawing.truth;
  const fs::path image = dir / "d.png";
  cv::imwrite(image.string(), drawing.image);
  Job job;
  job.file = "d.png";
  job.path = image;
  job.category = std::to_string(options.category);
  job.dpi = std::to_string(options.dpi);
  job.scale = std::to_string(options.scale);
  return Measure(job);
}

TEST(FillLevelsTest, CylinderFillsInProportionAndTheRangeHoldsItsCapacity) {
  static const struct {
    int category;
    double dpi, scale;
  } kCases[] = {{1, 300, 1}, {2, 300, 1}, {1, 600, 0.5}, {2, 150, 2}};
  TempDir dir;
  for (const auto& c : kCases) {
    SCOPED_TRACE("category " + std::to_string(c.category) + ", " + std::to_string(c.dpi) +
                 " dpi, scale " + std::to_string(c.scale));
    drawgen::DrawOptions options;
    options.category = c.category;
    options.dpi = c.dpi;
    options.scale = c.scale;
    drawgen::Analytic truth;
    const Measurement m = MeasureGenerated(options, dir.path(), &truth);
    ASSERT_EQ(m.status, Status::kMeasured) << m.message;
    const CapacityRange range = CapacityRangeOf(m.profile, 0);
    EXPECT_LE(range.low_cl, truth.capacity_cl);
    EXPECT_GE(range.high_cl, truth.capacity_cl);
    const double full = FillCapacity(m.profile, 100);
    EXPECT_EQ(full, m.values.Get(ValueId::kVolume));  // the volume of the results file
    double widest = 0;
    for (const double r : m.profile.radii) widest = std::max(widest, r);
    const double one_row = VolumeCl(m.profile.pixel_size, widest * widest * kPi);
    for (const int percent : {90, 80}) {
      SCOPED_TRACE(std::to_string(percent) + " %");
      EXPECT_NEAR(FillCapacity(m.profile, percent), full * percent / 100, one_row);
    }
  }
}

TEST(BatchProgramTest, BadRowsAreReportedAndTheBatchGoesOn) {
  TempDir dir;
  drawgen::DrawOptions options;
  options.shape = drawgen::Shape::kBowl;
  ASSERT_TRUE(cv::imwrite((dir.path() / "good3.png").string(), drawgen::Draw(options).image));
  options.category = 2;
  ASSERT_TRUE(cv::imwrite((dir.path() / "good2.png").string(), drawgen::Draw(options).image));
  WriteFile(dir.path() / "notes.txt", "not a drawing\n");
  WriteFile(dir.path() / "m.csv",
            "file,category,dpi,scale\n"
            "good3.png,3,300,1\n"
            "missing.png,2,300,1\n"
            "notes.txt,2,300,1\n"
            "good2.png,7,300,1\n"
            "good2.png,2,0,1\n"
            "good2.png,2,300,1\n");
  const auto run = RunTool(ORVELLO_BATCH, {"m.csv", "-o", "out"}, dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "6 drawings: 2 measured, 4 failed. Results in out\n");
  static const struct {
    const char* status;
    std::string message;
  } kExpected[] = {
      {"measured", ""},
      {"missing-file", "Cannot read the image: missing.png"},
      {"unreadable", "Cannot read the image: notes.txt"},
      {"unknown-category", "Unknown category \"7\": it must be 1, 2 or 3"},
      {"bad-arguments", "Erreur ! Résolution ou échelle incorrecte !"},
      {"measured", ""},
  };
  const auto rows = ReadCsv(dir.path() / "out" / kCsvName);
  const nlohmann::json json =
      nlohmann::json::parse(ReadFile(dir.path() / "out" / kJsonName))["drawings"];
  ASSERT_EQ(rows.size(), std::size(kExpected));
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i + 1));
    EXPECT_EQ(rows[i].at("status"), kExpected[i].status);
    EXPECT_EQ(rows[i].at("message"), kExpected[i].message);
    EXPECT_EQ(json[i]["message"], kExpected[i].message);
    EXPECT_EQ(rows[i].at("volume_cl").empty(), kExpected[i].message != "");
    // The profile measurement beside the tool's: measured where the tool
    // measured these clean drawings, close to its value; refused where the
    // drawing could not be read.
    const bool measured = kExpected[i].message.empty();
    EXPECT_EQ(rows[i].at("refined_status"), measured ? "measured" : "refused");
    EXPECT_EQ(json[i]["refined_status"], measured ? "measured" : "refused");
    if (measured) {
      const std::string key = i == 0 ? "refined_solid_cl" : "refined_capacity_cl";
      EXPECT_NEAR(std::stod(rows[i].at(key)) / std::stod(rows[i].at("volume_cl")), 1, 0.02);
      EXPECT_EQ(rows[i].at("confidence"), "ok");
      EXPECT_FALSE(rows[i].at("overlay_image").empty());
    }
    // Progress lines on standard error name each drawing's outcome.
    EXPECT_NE(run.err.find("] " + rows[i].at("file") + ": " + kExpected[i].status),
              std::string::npos)
        << run.err;
  }
  // Whole files only: no temporary left, one water image per measured drawing.
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir.path() / "out")) {
    files.insert(fs::relative(entry.path(), dir.path() / "out").string());
  }
  EXPECT_EQ(files,
            (std::set<std::string>{"eau", "eau/001-good3.jpg", "eau/006-good2.jpg", "overlay",
                                   "overlay/001-good3.png", "overlay/006-good2.png", "report.html",
                                   "results.csv", "results.json"}));
}

TEST(BatchProgramTest, UnusableInputOrOutputEndsWithStatusTwo) {
  TempDir dir;
  WriteFile(dir.path() / "header.csv", "file,category,dpi\nx.png,1,300\n");
  WriteFile(dir.path() / "empty.csv", "file,category,dpi,scale\n");
  WriteFile(dir.path() / "good.csv", "file,category,dpi,scale\nx.png,1,300,1\n");
  WriteFile(dir.path() / "a-file", "");
  fs::create_directory(dir.path() / "drawings");
  static const struct {
    const char* name;
    std::vector<std::string> args;
    std::string error;  // the start of standard error
  } kCases[] = {
      {"no manifest", {"none.csv", "-o", "out"}, "No manifest or folder none.csv\n"},
      {"header without scale",
       {"header.csv", "-o", "out"},
       "header.csv: the header has no column \"scale\""},
      {"no rows", {"empty.csv", "-o", "out"}, "No drawing to measure in empty.csv\n"},
      {"output folder is a file",
       {"good.csv", "-o", "a-file"},
       "Cannot use the output folder a-file"},
      {"output folder below a file",
       {"good.csv", "-o", "a-file/out"},
       "Cannot use the output folder a-file/out"},
      {"folder without category",
       {"drawings", "--dpi", "300", "--scale", "1", "-o", "out"},
       "A folder of drawings needs --category, --dpi and --scale\n"},
      {"folder without drawings",
       {"drawings", "--category", "1", "--dpi", "300", "--scale", "1", "-o", "out"},
       "No drawing to measure in drawings\n"},
      {"scale error of 1", {"good.csv", "--scale-error", "1", "-o", "out"}, "--scale-error: "},
      {"category 4", {"drawings", "--category", "4", "-o", "out"}, "--category: "},
      {"dpi 0", {"drawings", "--dpi", "0", "-o", "out"}, "--dpi: "},
      {"no input", {"-o", "out"}, "input is required"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const auto run = RunTool(ORVELLO_BATCH, c.args, dir.path());
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(c.error, 0), 0u) << run.err;
    EXPECT_FALSE(fs::exists(dir.path() / "out"));
  }
}

TEST(BatchProgramTest, FolderOfDrawingsWithOneSetOfParameters) {
  TempDir dir;
  fs::create_directory(dir.path() / "plates");
  drawgen::DrawOptions options;
  options.category = 1;
  for (const char* name : {"b.png", "a.png"}) {
    ASSERT_TRUE(cv::imwrite((dir.path() / "plates" / name).string(), drawgen::Draw(options).image));
  }
  WriteFile(dir.path() / "plates" / "readme.txt", "two plates\n");
  const auto run =
      RunTool(ORVELLO_BATCH, {"plates", "--category", "1", "--dpi", "300", "--scale", "1", "-q"},
              dir.path());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, "2 drawings: 2 measured, 0 failed. Results in orvello-results\n");
  const auto rows = ReadCsv(dir.path() / "orvello-results" / kCsvName);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].at("file"), "a.png");
  EXPECT_EQ(rows[1].at("file"), "b.png");
  EXPECT_EQ(rows[0].at("volume_cl"), rows[1].at("volume_cl"));
  EXPECT_EQ(rows[0].at("water_image"), "eau/001-a.jpg");
}

// Renders `page` in the headless browser; returns the screenshot.
cv::Mat Screenshot(const fs::path& page, const fs::path& png) {
  const auto run =
      RunTool("/usr/bin/timeout",
              {"120", ORVELLO_CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu",
               "--disable-quic", "--no-first-run", "--disable-background-networking",
               "--disable-component-update", "--disable-sync",
               "--user-data-dir=" + (png.parent_path() / "profile").string(), "--hide-scrollbars",
               "--window-size=1300,900", "--screenshot=" + png.string(), "file://" + page.string()},
              png.parent_path());
  EXPECT_EQ(run.status, 0) << run.err;
  return cv::imread(png.string(), cv::IMREAD_COLOR);
}

// Returns the number of pixels of `image` within `tolerance` of `bgr`.
int CountColour(const cv::Mat& image, cv::Scalar bgr, int tolerance) {
  cv::Mat match;
  const cv::Scalar t(tolerance, tolerance, tolerance);
  cv::inRange(image, bgr - t, bgr + t, match);
  return cv::countNonZero(match);
}

TEST(ReportInBrowserTest, RendersTheTableThumbnailsAndPlots) {
  if (std::string(ORVELLO_CHROMIUM).empty() || !fs::exists(ORVELLO_CHROMIUM)) {
    GTEST_SKIP() << "no chromium to render the report";
  }
  TempDir dir;
  std::string manifest = "file,category,dpi,scale\n";
  const drawgen::Shape shapes[] = {drawgen::Shape::kGlobularJar, drawgen::Shape::kBowl,
                                   drawgen::Shape::kCone};
  for (int category = 1; category <= 3; ++category) {
    drawgen::DrawOptions options;
    options.category = category;
    options.shape = shapes[category - 1];
    const std::string name = "d" + std::to_string(category) + ".png";
    ASSERT_TRUE(cv::imwrite((dir.path() / name).string(), drawgen::Draw(options).image));
    manifest += name + "," + std::to_string(category) + ",300,1\n";
  }
  WriteFile(dir.path() / "m.csv", manifest);
  ASSERT_EQ(RunTool(ORVELLO_BATCH, {"m.csv", "-q"}, dir.path()).status, 0);
  const cv::Mat shot =
      Screenshot(dir.path() / "orvello-results" / kReportName, dir.path() / "shot.png");
  ASSERT_FALSE(shot.empty());
  // The header row's background, the plots' curves and the water blue of
  // the thumbnails each cover part of the page.
  EXPECT_GT(CountColour(shot, cv::Scalar(247, 242, 237), 2), 5000) << "table header";
  EXPECT_GT(CountColour(shot, cv::Scalar(176, 108, 43), 30), 200) << "capacity curves";
  // The overlays' thumbnails: the vessel's ink in blue on faded paper.
  int bluish = 0;
  for (int y = 0; y < shot.rows; ++y) {
    for (int x = 0; x < shot.cols; ++x) {
      const cv::Vec3b p = shot.at<cv::Vec3b>(y, x);
      bluish += p[0] > p[2] + 40;
    }
  }
  EXPECT_GT(bluish, 300) << "overlay thumbnails";
  EXPECT_GT(CountColour(shot, cv::Scalar(213, 246, 198), 2), 300) << "measured badges";
}

}  // namespace
}  // namespace orvello::batch
