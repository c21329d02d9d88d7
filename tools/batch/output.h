#ifndef ORVELLO_TOOLS_BATCH_OUTPUT_H_
#define ORVELLO_TOOLS_BATCH_OUTPUT_H_

// Files of the output folder, written whole or not at all.

#include <filesystem>
#include <string>
#include <string_view>

namespace orvello::batch {

// The suffix of a file being written; it is renamed when complete.
inline constexpr std::string_view kPartSuffix = ".part";

// Writes `bytes` to `path` + kPartSuffix and renames it to `path` once it
// is complete and closed, replacing any file there. Returns false, leaving
// no file behind and `path` as it was, when writing or renaming fails.
bool WriteWhole(const std::filesystem::path& path, std::string_view bytes);

// Creates `folder` and its parents when missing, and checks that files can
// be written in it. Returns "" or the reason it cannot be used.
std::string PrepareOutputFolder(const std::filesystem::path& folder);

// Returns `name` with every character other than ASCII letters, digits, '.',
// '-' and '_' replaced by '_', so that it is safe as a file name and in a
// link; "drawing" when it is empty.
std::string SafeFileName(std::string_view name);

}  // namespace orvello::batch

#endif  // ORVELLO_TOOLS_BATCH_OUTPUT_H_
