#ifndef ORVELLO_TESTING_SUPPORT_TOOL_RUNNER_H_
#define ORVELLO_TESTING_SUPPORT_TOOL_RUNNER_H_

// Runs a built tool as a process in a directory of its own, for the
// end-to-end tests.

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace orvello::testing {

struct ToolRun {
  int status = -1000;               // exit status 0..255, or -signal
  std::string out;                  // everything written on standard output
  std::string err;                  // everything written on standard error
  std::vector<std::string> writes;  // files closed after writing, in order
};

// Runs `program` with `args` (argv[1..]) in `directory` and waits for it.
ToolRun RunTool(const std::string& program, const std::vector<std::string>& args,
                const std::filesystem::path& directory);

// A fresh empty directory, removed with its content on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // Returns the names of the entries of the directory.
  std::set<std::string> Entries() const;

 private:
  std::filesystem::path path_;
};

// Returns the content of a file, or "<missing>".
std::string ReadFile(const std::filesystem::path& path);

// Writes `text` to `path`.
void WriteFile(const std::filesystem::path& path, const std::string& text);

}  // namespace orvello::testing

#endif  // ORVELLO_TESTING_SUPPORT_TOOL_RUNNER_H_
