#include "batch/output.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "common/safe_file.h"

namespace orvello::batch {
namespace {

// The names a batch writes in its output folder, besides temporary files.
constexpr std::string_view kBatchNames[] = {"results.csv", "results.json", "report.html", "eau",
                                            "overlay"};

}  // namespace

std::string PrepareOutputFolder(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error || !std::filesystem::is_directory(folder, error)) {
    return "Cannot use the output folder " + folder.string() + ": " +
           (error ? error.message() : "it is not a folder");
  }
  return "";
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) close(fd_);  // releases the lock
}

std::string FolderLock::Take(const std::filesystem::path& folder) {
  const std::filesystem::path path = folder / kLockName;
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
  struct stat status;
  if (fd_ < 0 || fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
    const std::string reason = fd_ < 0 ? std::strerror(errno) : "not a regular file";
    return "Cannot write in the output folder " + folder.string() + ": lock file " + path.string() +
           ": " + reason;
  }
  if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    close(fd_);
    fd_ = -1;
    return "Another orvello-batch is writing into " + folder.string() +
           ": wait for it to end, or choose another --out";
  }
  return "";
}

std::vector<std::string> EarlierBatchFiles(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (std::find(std::begin(kBatchNames), std::end(kBatchNames), name) != std::end(kBatchNames)) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string RemoveEarlierBatch(const std::filesystem::path& folder) {
  std::vector<std::string> names = EarlierBatchFiles(folder);
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    const std::string name = entry.path().filename().string();
    if (IsTempName(name)) names.push_back(name);
  }
  for (const std::string& name : names) {
    std::error_code error;
    std::filesystem::remove_all(folder / name, error);
    if (error) return "Cannot remove " + (folder / name).string() + ": " + error.message();
  }
  return "";
}

std::string SafeFileName(std::string_view name) {
  std::string safe;
  for (const char c : name.substr(0, kLongestStem)) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '_';
    safe += plain ? c : '_';
  }
  return safe.empty() ? "drawing" : safe;
}

}  // namespace orvello::batch
