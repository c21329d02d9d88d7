#include "batch/output.h"

#include <gtest/gtest.h>

#include "support/tool_runner.h"

namespace orvello::batch {
namespace {

namespace fs = std::filesystem;
using orvello::testing::ReadFile;
using orvello::testing::TempDir;
using orvello::testing::WriteFile;

TEST(WriteWholeTest, ReplacesTheFileOrLeavesItAsItWas) {
  TempDir dir;
  const fs::path file = dir.path() / "results.csv";
  WriteFile(file, "old");
  ASSERT_TRUE(WriteWhole(file, "new,content\n"));
  EXPECT_EQ(ReadFile(file), "new,content\n");
  // A folder in the way: the rename fails and nothing is left behind.
  fs::create_directories(dir.path() / "busy" / "inside");
  EXPECT_FALSE(WriteWhole(dir.path() / "busy", "text"));
  EXPECT_TRUE(fs::is_directory(dir.path() / "busy" / "inside"));
  // A folder that does not exist: nothing can be written.
  EXPECT_FALSE(WriteWhole(dir.path() / "none" / "x.csv", "text"));
  std::set<std::string> expected = {"busy", "results.csv"};
  EXPECT_EQ(dir.Entries(), expected);
}

TEST(PrepareOutputFolderTest, CreatesFoldersAndRefusesFiles) {
  TempDir dir;
  EXPECT_EQ(PrepareOutputFolder(dir.path() / "a" / "b"), "");
  EXPECT_TRUE(fs::is_directory(dir.path() / "a" / "b"));
  EXPECT_TRUE(fs::is_empty(dir.path() / "a" / "b"));
  WriteFile(dir.path() / "file", "");
  EXPECT_NE(PrepareOutputFolder(dir.path() / "file"), "");
  EXPECT_NE(PrepareOutputFolder(dir.path() / "file" / "below"), "");
}

TEST(SafeFileNameTest, OnlyPlainCharacters) {
  static const struct {
    const char* name;
    const char* safe;
  } kCases[] = {{"vase", "vase"},
                {"pl. 3-b_2", "pl._3-b_2"},
                {"dessin é", "dessin___"},
                {"a/b\\c\"<>&", "a_b_c____"},
                {"", "drawing"}};
  for (const auto& c : kCases) EXPECT_EQ(SafeFileName(c.name), c.safe) << c.name;
}

}  // namespace
}  // namespace orvello::batch
