#ifndef ORVELLO_TOOLS_BATCH_OUTPUT_H_
#define ORVELLO_TOOLS_BATCH_OUTPUT_H_

// The output folder of a batch: held by one batch at a time, never mixing
// two batches' files. Its files are written whole or not at all
// (common/safe_file.h).

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orvello::batch {

// The lock file of the output folder.
inline constexpr char kLockName[] = ".orvello-batch.lock";

// The longest drawing stem kept in a water image's name.
inline constexpr size_t kLongestStem = 100;

// Creates `folder` and its parents when missing. Returns "" or the reason it
// cannot be used.
std::string PrepareOutputFolder(const std::filesystem::path& folder);

// An exclusive lock (flock) on the file kLockName of an output folder, held
// until destruction. The lock file stays in the folder.
class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Takes the lock of `folder`, creating the lock file when missing (never
  // through a link). Returns "", or why not: another batch holds it, or the
  // lock file cannot be created.
  std::string Take(const std::filesystem::path& folder);

 private:
  int fd_ = -1;
};

// Returns the names, in `folder`, of the files a batch writes that are
// there already: results.csv, results.json, report.html and the water image
// folder "eau"; sorted.
std::vector<std::string> EarlierBatchFiles(const std::filesystem::path& folder);

// Removes the files EarlierBatchFiles names and the temporary files of
// unfinished writes (common/safe_file.h) left in `folder`; a link is
// removed, not its target. Returns "" or the first problem.
std::string RemoveEarlierBatch(const std::filesystem::path& folder);

// Returns `name` with every character other than ASCII letters, digits, '.',
// '-' and '_' replaced by '_', and cut to kLongestStem characters, so that
// it is safe as a file name and in a link; "drawing" when it is empty.
std::string SafeFileName(std::string_view name);

}  // namespace orvello::batch

#endif  // ORVELLO_TOOLS_BATCH_OUTPUT_H_
