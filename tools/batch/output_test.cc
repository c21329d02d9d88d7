#include "batch/output.h"

#include <gtest/gtest.h>

#include "support/tool_runner.h"

namespace orvello::batch {
namespace {

namespace fs = std::filesystem;
using orvello::testing::ReadFile;
using orvello::testing::TempDir;
using orvello::testing::WriteFile;

TEST(PrepareOutputFolderTest, CreatesFoldersAndRefusesFiles) {
  TempDir dir;
  EXPECT_EQ(PrepareOutputFolder(dir.path() / "a" / "b"), "");
  EXPECT_TRUE(fs::is_directory(dir.path() / "a" / "b"));
  EXPECT_TRUE(fs::is_empty(dir.path() / "a" / "b"));
  WriteFile(dir.path() / "file", "");
  EXPECT_NE(PrepareOutputFolder(dir.path() / "file"), "");
  EXPECT_NE(PrepareOutputFolder(dir.path() / "file" / "below"), "");
}

TEST(FolderLockTest, OneHolderAtATime) {
  TempDir dir;
  {
    FolderLock first;
    ASSERT_EQ(first.Take(dir.path()), "");
    FolderLock second;
    EXPECT_NE(second.Take(dir.path()).find("Another orvello-batch is writing into"),
              std::string::npos);
  }
  FolderLock after;
  EXPECT_EQ(after.Take(dir.path()), "") << "released with its holder";
}

TEST(EarlierBatchFilesTest, OnlyTheBatchsOwnFilesAreRemoved) {
  TempDir dir;
  fs::create_directories(dir.path() / "eau" / "thumbs");
  WriteFile(dir.path() / "eau" / "001-a.jpg", "x");
  for (const char* name : {"results.csv", "results.json", "report.html", ".orvello-0123.tmp",
                           "notes.txt", "results.csv.bak", kLockName}) {
    WriteFile(dir.path() / name, "x");
  }
  const std::vector<std::string> expected = {"eau", "report.html", "results.csv", "results.json"};
  EXPECT_EQ(EarlierBatchFiles(dir.path()), expected);
  EXPECT_EQ(RemoveEarlierBatch(dir.path()), "");
  EXPECT_EQ(dir.Entries(), (std::set<std::string>{kLockName, "notes.txt", "results.csv.bak"}));
}

TEST(SafeFileNameTest, OnlyPlainCharacters) {
  static const struct {
    std::string name;
    std::string safe;
  } kCases[] = {{"vase", "vase"},          {"pl. 3-b_2", "pl._3-b_2"},
                {"dessin é", "dessin___"}, {"a/b\\c\"<>&", "a_b_c____"},
                {"", "drawing"},           {std::string(250, 'x'), std::string(kLongestStem, 'x')}};
  for (const auto& c : kCases) EXPECT_EQ(SafeFileName(c.name), c.safe) << c.name;
}

}  // namespace
}  // namespace orvello::batch
