#include "common/safe_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/tool_runner.h"

namespace orvello {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(WriteWholeTest, ReplacesTheFileOrLeavesItAsItWas) {
  static const struct {
    const char* name;
    const char* setup;  // what stands at the name before: "file", "link", "folder", "none"
    WriteOutcome outcome;
    const char* content;  // of the name afterwards, or "<folder>"
  } kCases[] = {
      {"a file is replaced", "file", WriteOutcome::kWritten, "new"},
      {"nothing there", "none", WriteOutcome::kWritten, "new"},
      {"a link is replaced, its target kept", "link", WriteOutcome::kWritten, "new"},
      {"a folder in the way", "folder", WriteOutcome::kCannotOpen, "<folder>"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir, outside;
    const fs::path target = outside.path() / "target";
    WriteFile(target, "keep");
    const fs::path file = dir.path() / "results.txt";
    const std::string setup = c.setup;
    if (setup == "file") WriteFile(file, "old");
    if (setup == "link") fs::create_symlink(target, file);
    if (setup == "folder") fs::create_directories(file / "inside");
    EXPECT_EQ(WriteWhole(file, "new"), c.outcome);
    EXPECT_EQ(fs::is_directory(file) ? "<folder>" : ReadFile(file), c.content);
    EXPECT_FALSE(fs::is_symlink(file));
    EXPECT_EQ(ReadFile(target), "keep");
    EXPECT_EQ(dir.Entries(), std::set<std::string>{"results.txt"}) << "no temporary file left";
  }
}

TEST(WriteWholeTest, AFolderThatTakesNoFileCannotBeOpened) {
  TempDir dir;
  EXPECT_EQ(WriteWhole(dir.path() / "none" / "x.csv", "text"), WriteOutcome::kCannotOpen);
  if (geteuid() == 0) GTEST_SKIP() << "root writes in a read-only folder";
  fs::create_directory(dir.path() / "closed");
  fs::permissions(dir.path() / "closed", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(WriteWhole(dir.path() / "closed" / "x.csv", "text"), WriteOutcome::kCannotOpen);
  fs::permissions(dir.path() / "closed", fs::perms::owner_all);
}

TEST(IsTempNameTest, OnlyTheNamesWriteWholeGives) {
  EXPECT_TRUE(IsTempName(".orvello-0123456789abcdef.tmp"));
  EXPECT_FALSE(IsTempName(".orvello-.tmp"));
  EXPECT_FALSE(IsTempName("results.csv.part"));
  EXPECT_FALSE(IsTempName("orvello-1.tmp"));
}

}  // namespace
}  // namespace orvello
