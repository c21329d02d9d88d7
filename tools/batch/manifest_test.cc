#include "batch/manifest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "support/tool_runner.h"

namespace orvello::batch {
namespace {

TEST(ParseNumberTest, WholeDecimalNumbersOnly) {
  static const struct {
    const char* text;
    double expected;  // NaN: rejected
  } kCases[] = {
      {"300", 300},       {" 0.5 ", 0.5}, {"5E-1", 0.5},     {"+2", 2},
      {"1e-300", 1e-300}, {"-1", -1},     {"inf", INFINITY}, {"1,5", NAN},
      {"300dpi", NAN},    {"abc", NAN},   {"", NAN},         {"  ", NAN},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    const double value = ParseNumber(c.text);
    if (std::isnan(c.expected)) {
      EXPECT_TRUE(std::isnan(value)) << value;
    } else {
      EXPECT_EQ(value, c.expected);
    }
  }
}

TEST(ParseScaleTest, NumbersAndRatiosAsPlatesPrintThem) {
  static const struct {
    const char* text;
    double expected;  // NaN: rejected
  } kCases[] = {
      {"0.5", 0.5},   {"1:3", 1.0 / 3},  {"1/3", 1.0 / 3}, {" 1 : 4 ", 0.25},
      {"2:1", 2},     {"1:0", INFINITY}, {"1:", NAN},      {":3", NAN},
      {"1:3:4", NAN}, {"a/b", NAN},      {"1,5", NAN},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    const double value = ParseScale(c.text);
    if (std::isnan(c.expected)) {
      EXPECT_TRUE(std::isnan(value)) << value;
    } else {
      EXPECT_DOUBLE_EQ(value, c.expected);
    }
  }
}

TEST(DetectSeparatorTest, TheHeaderLineDecides) {
  static const struct {
    const char* text;
    char expected;
  } kCases[] = {
      {"file,category,dpi,scale\n", ','},
      {"file;category;dpi;scale\n", ';'},
      {"\"a;b;c\",category,dpi,scale\n", ','},
      {"file;category;dpi;scale\na,b,c,d,e,f,g\n", ';'},
      {"", ','},
  };
  for (const auto& c : kCases) EXPECT_EQ(DetectSeparator(c.text), c.expected) << c.text;
}

TEST(ParseCategoryTest, OnlyOneTwoThree) {
  static const struct {
    const char* text;
    int expected;
  } kCases[] = {{"1", 1}, {" 2 ", 2}, {"3", 3}, {"0", 0}, {"4", 0}, {"3.0", 0}, {"", 0}, {"x", 0}};
  for (const auto& c : kCases) EXPECT_EQ(ParseCategory(c.text), c.expected) << c.text;
}

TEST(SplitCsvTest, QuotesLineEndsAndBlankLines) {
  static const struct {
    const char* name;
    std::string text;
    std::vector<CsvRecord> expected;
  } kCases[] = {
      {"plain, LF", "a,b\nc,d\n", {{1, {"a", "b"}}, {2, {"c", "d"}}}},
      {"CR LF, no final line end", "a,b\r\nc,d", {{1, {"a", "b"}}, {2, {"c", "d"}}}},
      {"byte-order mark",
       "\xEF\xBB\xBF"
       "file\nx\n",
       {{1, {"file"}}, {2, {"x"}}}},
      {"blank lines skipped", "a\n\n  \nb\n", {{1, {"a"}}, {4, {"b"}}}},
      {"comma and quote inside quotes",
       "\"a,b\",\"say \"\"hi\"\"\"\n",
       {{1, {"a,b", "say \"hi\""}}}},
      {"line end inside quotes", "\"two\nlines\",x\ny\n", {{1, {"two\nlines", "x"}}, {3, {"y"}}}},
      {"empty fields kept", ",,\n", {{1, {"", "", ""}}}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string error;
    const std::vector<CsvRecord> records = SplitCsv(c.text, &error);
    EXPECT_EQ(error, "");
    ASSERT_EQ(records.size(), c.expected.size());
    for (size_t i = 0; i < records.size(); ++i) {
      EXPECT_EQ(records[i].line, c.expected[i].line) << "record " << i;
      EXPECT_EQ(records[i].fields, c.expected[i].fields) << "record " << i;
    }
  }
}

TEST(SplitCsvTest, UnterminatedQuoteIsAnError) {
  std::string error;
  SplitCsv("file\n\"open,1\n2\n", &error);
  EXPECT_EQ(error, "line 2: a quoted field is not closed");
}

TEST(ParseManifestTest, RowsWithDefaultsMirrorAndPaths) {
  const JobDefaults defaults{"2", "300", "", true};
  const JobList list = ParseManifest(
      " Scale ,FILE,dpi,category,Mirror,note\n"
      "0.5,a.png,600,3,no,x\n"
      "1,sub/b.png,,,,\n"
      ",/abs/c.png,300,1,1\n"
      "1,d.png,300,1,maybe\n"
      "1,,300,1\n"
      "2,e.png\n",
      "/data/plates", defaults);
  ASSERT_EQ(list.error, "");
  static const struct {
    int line;
    const char* file;
    const char* path;
    const char* category;
    const char* dpi;
    const char* scale;
    bool mirror;
    const char* row_error;
  } kExpected[] = {
      {2, "a.png", "/data/plates/a.png", "3", "600", "0.5", false, ""},
      {3, "sub/b.png", "/data/plates/sub/b.png", "2", "300", "1", true, ""},
      {4, "/abs/c.png", "/abs/c.png", "1", "300", "", true, ""},
      {5, "d.png", "/data/plates/d.png", "1", "300", "1", false,
       "line 5, column mirror: must be 1, 0, yes, no, true or false, not \"maybe\""},
      {6, "", "", "1", "300", "1", true, "line 6, column file: the row names no file"},
      {7, "e.png", "/data/plates/e.png", "2", "300", "2", true, ""},
  };
  ASSERT_EQ(list.jobs.size(), std::size(kExpected));
  for (size_t i = 0; i < list.jobs.size(); ++i) {
    const Job& job = list.jobs[i];
    const auto& e = kExpected[i];
    SCOPED_TRACE("row of line " + std::to_string(e.line));
    EXPECT_EQ(job.line, e.line);
    EXPECT_EQ(job.file, e.file);
    EXPECT_EQ(job.path.string(), e.path);
    EXPECT_EQ(job.category, e.category);
    EXPECT_EQ(job.dpi, e.dpi);
    EXPECT_EQ(job.scale, e.scale);
    EXPECT_EQ(job.mirror, e.mirror);
    EXPECT_EQ(job.row_error, e.row_error);
  }
}

TEST(ParseManifestTest, ASpreadsheetsSemicolonsDecimalCommasAndExtraColumns) {
  const JobList list = ParseManifest(
      "Inventaire;FILE;Site;Category;DPI;Scale\r\n"
      "\"Inv. 12; b\";a.png;Delphes;2;300;0,5\r\n"
      "Inv. 13;b.png;;3;600,0;1:3\r\n"
      "Inv. 14;c.png\r\n",
      "/d", JobDefaults{"1", "300", "1", false});
  ASSERT_EQ(list.error, "");
  EXPECT_EQ(list.extra_columns, (std::vector<std::string>{"Inventaire", "Site"}));
  static const struct {
    const char* file;
    const char* category;
    const char* dpi;
    const char* scale;
    std::vector<std::string> extra;
  } kExpected[] = {
      {"a.png", "2", "300", "0.5", {"Inv. 12; b", "Delphes"}},
      {"b.png", "3", "600.0", "1:3", {"Inv. 13", ""}},
      {"c.png", "1", "300", "1", {"Inv. 14", ""}},
  };
  ASSERT_EQ(list.jobs.size(), std::size(kExpected));
  for (size_t i = 0; i < list.jobs.size(); ++i) {
    const Job& job = list.jobs[i];
    const auto& e = kExpected[i];
    SCOPED_TRACE(e.file);
    EXPECT_EQ(job.file, e.file);
    EXPECT_EQ(job.category, e.category);
    EXPECT_EQ(job.dpi, e.dpi);
    EXPECT_EQ(job.scale, e.scale);
    EXPECT_EQ(job.extra, e.extra);
    EXPECT_EQ(job.row_error, "");
  }
}

TEST(ParseManifestTest, UnusableManifests) {
  static const struct {
    const char* name;
    const char* text;
    const char* error;
  } kCases[] = {
      {"empty", "",
       "the manifest is empty: its first line must be the header "
       "file,category,dpi,scale"},
      {"no scale column", "file,category,dpi\na.png,1,300\n",
       "the header has no column \"scale\": it must name file, category, dpi and scale "
       "(mirror is optional)"},
      {"data without header", "a.png,1,300,1\n",
       "the header has no column \"file\": it must name file, category, dpi and scale "
       "(mirror is optional)"},
      {"open quote", "file,category,dpi,scale\n\"a.png,1,300,1\n",
       "line 2: a quoted field is not closed"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const JobList list = ParseManifest(c.text, "/m", {});
    EXPECT_EQ(list.error, c.error);
    EXPECT_TRUE(list.jobs.empty());
  }
}

TEST(ReadManifestTest, NamesTheFileInItsErrors) {
  testing::TempDir dir;
  EXPECT_EQ(ReadManifest(dir.path() / "none.csv", {}).error,
            "Cannot read the manifest: " + (dir.path() / "none.csv").string());
  testing::WriteFile(dir.path() / "m.csv", "file,dpi\n");
  EXPECT_EQ(ReadManifest(dir.path() / "m.csv", {}).error,
            (dir.path() / "m.csv").string() +
                ": the header has no column \"category\": it must name file, category, dpi "
                "and scale (mirror is optional)");
}

TEST(ListFolderTest, ImageFilesSortedWithTheDefaults) {
  testing::TempDir dir;
  for (const char* name : {"b.PNG", "a.tif", "notes.txt", "c.jpeg", "results.csv"}) {
    testing::WriteFile(dir.path() / name, "x");
  }
  std::filesystem::create_directory(dir.path() / "sub.png");
  const JobList list = ListFolder(dir.path(), {"3", "600", "0.5", true});
  ASSERT_EQ(list.error, "");
  std::vector<std::string> files;
  for (const Job& job : list.jobs) {
    files.push_back(job.file);
    EXPECT_EQ(job.path, dir.path() / job.file);
    EXPECT_EQ(job.category, "3");
    EXPECT_EQ(job.dpi, "600");
    EXPECT_EQ(job.scale, "0.5");
    EXPECT_TRUE(job.mirror);
  }
  EXPECT_EQ(files, (std::vector<std::string>{"a.tif", "b.PNG", "c.jpeg"}));
  EXPECT_NE(ListFolder(dir.path() / "none", {}).error, "");
}

}  // namespace
}  // namespace orvello::batch
