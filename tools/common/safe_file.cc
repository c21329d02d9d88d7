#include "common/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

namespace orvello {
namespace {

// Returns a name for a temporary file: the prefix, 16 random hexadecimal
// digits (a fresh random device per process, mixed with a counter), the
// suffix.
std::string TempName() {
  static std::atomic<unsigned long long> counter{0};
  static const unsigned long long seed = [] {
    std::random_device device;
    return (static_cast<unsigned long long>(device()) << 32) ^ device() ^
           static_cast<unsigned long long>(getpid());
  }();
  std::mt19937_64 mix(seed + 0x9E3779B97F4A7C15ull * ++counter);
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(mix()));
  return std::string(kTempPrefix) + digits + std::string(kTempSuffix);
}

// Returns a descriptor of a new file created exclusively in `folder`, and
// its path in `temp`; -1 when none can be created.
int CreateTemp(const std::filesystem::path& folder, std::filesystem::path& temp) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    temp = folder / TempName();
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Returns true when `path` names something a new file may not replace: a
// folder, or a file that may not be written.
bool Unwritable(const std::filesystem::path& path) {
  struct stat status;
  if (lstat(path.c_str(), &status) != 0) return false;
  if (S_ISDIR(status.st_mode)) return true;
  return S_ISREG(status.st_mode) && access(path.c_str(), W_OK) != 0;
}

void SyncFolder(const std::filesystem::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

WriteOutcome WriteWhole(const std::filesystem::path& path, std::string_view bytes) {
  if (Unwritable(path)) return WriteOutcome::kCannotOpen;
  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  std::filesystem::path temp;
  const int fd = CreateTemp(folder, temp);
  if (fd < 0) return WriteOutcome::kCannotOpen;
  struct stat status;
  bool whole = WriteAll(fd, bytes) && fsync(fd) == 0 && fstat(fd, &status) == 0 &&
               static_cast<size_t>(status.st_size) == bytes.size();
  whole &= close(fd) == 0;
  if (whole && rename(temp.c_str(), path.c_str()) == 0) {
    SyncFolder(folder);
    return WriteOutcome::kWritten;
  }
  unlink(temp.c_str());
  return WriteOutcome::kIncomplete;
}

bool IsTempName(std::string_view name) {
  return name.size() > kTempPrefix.size() + kTempSuffix.size() && name.starts_with(kTempPrefix) &&
         name.ends_with(kTempSuffix);
}

}  // namespace orvello
