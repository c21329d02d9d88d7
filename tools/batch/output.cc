#include "batch/output.h"

#include <fstream>
#include <system_error>

namespace orvello::batch {

bool WriteWhole(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::path part = path;
  part += kPartSuffix;
  {
    std::ofstream file(part, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      std::error_code ignored;
      std::filesystem::remove(part, ignored);
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(part, path, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(part, ignored);
    return false;
  }
  return true;
}

std::string PrepareOutputFolder(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error || !std::filesystem::is_directory(folder, error)) {
    return "Cannot use the output folder " + folder.string() + ": " +
           (error ? error.message() : "it is not a folder");
  }
  const std::filesystem::path probe = folder / ".orvello-batch-probe";
  if (!WriteWhole(probe, "")) {
    return "Cannot write in the output folder " + folder.string();
  }
  std::filesystem::remove(probe, error);
  return "";
}

std::string SafeFileName(std::string_view name) {
  std::string safe;
  for (const char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '_';
    safe += plain ? c : '_';
  }
  return safe.empty() ? "drawing" : safe;
}

}  // namespace orvello::batch
