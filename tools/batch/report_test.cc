#include "batch/report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "common/values.h"

namespace orvello::batch {
namespace {

// A measured section record, a measured silhouette and a bad row whose file
// name and message need quoting.
std::vector<Record> SomeRecords() {
  Record section;
  section.job = {2, "plate 1/vase.jpg", "/p/plate 1/vase.jpg", "2", "300", "1", false, ""};
  section.status = Status::kMeasured;
  section.values = {{ValueId::kVolume, 33.494123456},    {ValueId::kLiquidHeight, 9.2117333},
                    {ValueId::kTotalHeight, 9.99913},    {ValueId::kOpening, 6.82413},
                    {ValueId::kRatio, 0.682472},         {ValueId::kBase, 7.95867},
                    {ValueId::kRimWidth, 0.000012345678}};
  section.fill = {{100, 33.494123456}, {90, 30.16634}, {80, 26.8076}};
  section.range = CapacityRange{33.4109, 33.5775};
  for (int p = 0; p <= 100; ++p) section.curve.push_back({p * 0.092, p * 0.33494});
  section.water_image = "eau/001-vase.jpg";
  section.thumbnail_jpeg = "\xFF\xD8\xFF";
  section.refined.attempted = true;
  profile::ProfileResult& r = section.refined.result;
  r.measured = true;
  r.capacity_cl = 33.6123456;
  r.capacity_low_cl = 33.5;
  r.capacity_high_cl = 33.7;
  r.solid_cl = 50.25;
  r.solid_low_cl = 50;
  r.solid_high_cl = 50.5;
  r.liquid_height_cm = 9.25;
  r.total_height_cm = 10;
  r.opening_cm = 6.75;
  r.rim_cm = 7.5;
  r.max_diameter_cm = 8;
  r.base_cm = 5;
  r.confidence = profile::Confidence::kOk;
  r.warnings = {"skew-corrected", "ink-ignored"};
  section.refined.overlay_image = "overlay/001-vase.png";

  Record silhouette;
  silhouette.job = {3, "c3.png", "/p/c3.png", "3", "600", "0.5", true, ""};
  silhouette.status = Status::kMeasured;
  silhouette.values = {{ValueId::kVolume, std::numeric_limits<double>::infinity()},
                       {ValueId::kHeight, 123456789.0},
                       {ValueId::kOpening, 7.5184}};
  silhouette.range = CapacityRange{48.4272, 48.6325};
  silhouette.water_image = "eau/002-c3.jpg";

  Record bad;
  bad.job = {4, "<b>\"odd\", name.png", "/p/x", "4", "abc", "1", false, ""};
  bad.status = Status::kUnknownCategory;
  bad.message = "Unknown category \"4\": it must be 1, 2 or 3";
  return {section, silhouette, bad};
}

const BatchSummary kSummary{"plates.csv", {100, 90, 80}, 0.01, 1.5};

TEST(FormatValueTest, AsTheResultsFileWritesIt) {
  static const double kValues[] = {12.5,
                                   33.494123456,
                                   1e-5,
                                   0.000123456789,
                                   123456789.0,
                                   100000,
                                   1234567,
                                   0.1 + 0.2,
                                   0,
                                   -2.5,
                                   std::numeric_limits<double>::infinity()};
  for (const double v : kValues) {
    SCOPED_TRACE(v);
    EXPECT_EQ("Volume : " + FormatValue(v) + " cL\n",
              FormatResults(ResultValues{{ValueId::kVolume, v}}));
  }
}

TEST(CsvFieldTest, QuotedOnlyWhenNeeded) {
  static const struct {
    const char* text;
    const char* field;
  } kCases[] = {{"vase.jpg", "vase.jpg"},
                {"a,b", "\"a,b\""},
                {"say \"hi\"", "\"say \"\"hi\"\"\""},
                {"two\nlines", "\"two\nlines\""},
                {"", ""}};
  for (const auto& c : kCases) EXPECT_EQ(CsvField(c.text), c.field) << c.text;
}

TEST(FormatCsvTest, OneLinePerRecordWithEveryColumn) {
  const std::string csv = FormatCsv(SomeRecords(), kSummary);
  std::istringstream lines(csv);
  std::string header, section, silhouette, bad, extra;
  std::getline(lines, header);
  std::getline(lines, section);
  std::getline(lines, silhouette);
  std::getline(lines, bad);
  EXPECT_FALSE(std::getline(lines, extra));
  // The columns of the tools come first, in place; later columns follow.
  auto ExpectColumnsFirst = [](const std::string& line, const std::string& first) {
    EXPECT_EQ(line.substr(0, first.size() + 1), first + ",");
  };
  ExpectColumnsFirst(
      header,
      "file,category,dpi,scale,mirror,status,message,volume_cl,liquid_height_cm,"
      "total_height_cm,height_cm,opening_cm,ratio,base_cm,rim_width_cm,fill_100_cl,"
      "fill_90_cl,fill_80_cl,capacity_low_cl,capacity_high_cl,water_image,"
      "refined_status,refined_capacity_cl,refined_capacity_low_cl,refined_capacity_high_cl,"
      "refined_solid_cl,refined_solid_low_cl,refined_solid_high_cl,refined_liquid_height_cm,"
      "refined_total_height_cm,refined_opening_cm,refined_rim_cm,refined_max_diameter_cm,"
      "refined_base_cm,confidence,warnings,overlay_image");
  ExpectColumnsFirst(
      section,
      "plate 1/vase.jpg,2,300,1,0,measured,,33.4941,9.21173,9.99913,,6.82413,0.682472,"
      "7.95867,1.23457e-05,33.4941,30.1663,26.8076,33.4109,33.5775,eau/001-vase.jpg,"
      "measured,33.6123,33.5,33.7,50.25,50,50.5,9.25,10,6.75,7.5,8,5,ok,"
      "skew-corrected;ink-ignored,overlay/001-vase.png");
  ExpectColumnsFirst(silhouette,
                     "c3.png,3,600,0.5,1,measured,,inf,,,1.23457e+08,7.5184,,,,,,,48.4272,48.6325,"
                     "eau/002-c3.jpg,refused,,,,,,,,,,,,,check,,");
  ExpectColumnsFirst(bad,
                     "\"<b>\"\"odd\"\", name.png\",4,abc,1,0,unknown-category,\"Unknown category "
                     "\"\"4\"\": it must be 1, 2 or 3\",,,,,,,,,,,,,,,refused,,,,,,,,,,,,,check,,");
}

TEST(FormatJsonTest, PrintedDigitsAsNumbers) {
  const nlohmann::json json = nlohmann::json::parse(FormatJson(SomeRecords(), kSummary));
  EXPECT_EQ(json["input"], "plates.csv");
  EXPECT_EQ(json["fill_levels"], nlohmann::json({100, 90, 80}));
  EXPECT_EQ(json["measured"], 2);
  EXPECT_EQ(json["failed"], 1);
  const nlohmann::json& d = json["drawings"];
  ASSERT_EQ(d.size(), 3u);
  static const struct {
    int drawing;
    const char* key;
    nlohmann::json expected;
  } kCases[] = {
      {0, "file", "plate 1/vase.jpg"},
      {0, "line", 2},
      {0, "category", 2},
      {0, "dpi", 300},
      {0, "mirror", false},
      {0, "status", "measured"},
      {0, "volume_cl", 33.4941},
      {0, "rim_width_cm", 1.23457e-05},
      {0, "fill_90_cl", 30.1663},
      {0, "capacity_low_cl", 33.4109},
      {0, "water_image", "eau/001-vase.jpg"},
      {1, "volume_cl", nullptr},
      {1, "height_cm", 1.23457e+08},
      {1, "scale", 0.5},
      {1, "mirror", true},
      {2, "category", nullptr},
      {2, "dpi", nullptr},
      {2, "status", "unknown-category"},
      {2, "message", "Unknown category \"4\": it must be 1, 2 or 3"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.drawing) + " " + c.key);
    ASSERT_TRUE(d[c.drawing].contains(c.key));
    EXPECT_EQ(d[c.drawing][c.key], c.expected);
  }
  EXPECT_FALSE(d[1].contains("liquid_height_cm"));
  EXPECT_FALSE(d[1].contains("curve"));
  EXPECT_FALSE(d[2].contains("volume_cl"));
  ASSERT_EQ(d[0]["curve"].size(), 101u);
  EXPECT_EQ(d[0]["curve"][100], nlohmann::json({9.2, 33.494}));
}

TEST(CapacityPlotSvgTest, CurveFromOriginToTheCornerWithFillMarks) {
  const Record r = SomeRecords()[0];
  const std::string svg = CapacityPlotSvg(r.curve, r.fill);
  EXPECT_EQ(svg.rfind("<svg ", 0), 0u);
  EXPECT_NE(svg.find("points=\"44.0,84.0 "), std::string::npos) << svg;
  EXPECT_NE(svg.find(" 232.0,8.0\""), std::string::npos) << svg;
  EXPECT_NE(svg.find(">90%</text>"), std::string::npos);
  EXPECT_NE(svg.find(">80%</text>"), std::string::npos);
  EXPECT_EQ(svg.find(">100%</text>"), std::string::npos);
  EXPECT_NE(svg.find(">filling height, 0 to 9.2 cm</text>"), std::string::npos);
  EXPECT_NE(svg.find(">33.494</text>"), std::string::npos);
}

TEST(FormatHtmlTest, OneRowPerRecordEscapedWithPlotsForSections) {
  const std::string html = FormatHtml(SomeRecords(), kSummary);
  const auto count = [&](const std::string& what) {
    size_t n = 0;
    for (size_t at = html.find(what); at != std::string::npos; at = html.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("<tr>"), 4u);  // the header and three records
  EXPECT_EQ(count("<svg "), 1u);
  EXPECT_EQ(count("<a href=\"eau/001-vase.jpg\"><img "), 1u);
  EXPECT_EQ(count("src=\"data:image/jpeg;base64,/9j/\""), 1u);
  EXPECT_EQ(count("<a href=\"eau/002-c3.jpg\">water image</a>"), 1u);
  EXPECT_EQ(count("&lt;b&gt;&quot;odd&quot;, name.png"), 1u);
  EXPECT_EQ(count("<b>"), 0u);
  EXPECT_EQ(count("scale within 1 %"), 1u);
}

TEST(Base64Test, KnownVectors) {
  static const struct {
    const char* bytes;
    const char* text;
  } kCases[] = {{"", ""},
                {"f", "Zg=="},
                {"fo", "Zm8="},
                {"foo", "Zm9v"},
                {"foob", "Zm9vYg=="},
                {"fooba", "Zm9vYmE="},
                {"foobar", "Zm9vYmFy"},
                {"\xFF\xD8\xFF", "/9j/"}};
  for (const auto& c : kCases) EXPECT_EQ(Base64(c.bytes), c.text) << c.bytes;
}

}  // namespace
}  // namespace orvello::batch
