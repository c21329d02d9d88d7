#ifndef ORVELLO_TOOLS_COMMON_SAFE_FILE_H_
#define ORVELLO_TOOLS_COMMON_SAFE_FILE_H_

// Output files written whole or not at all, never through a link: the
// tools' and the batch's only way to write a file.

#include <filesystem>
#include <string_view>

namespace orvello {

// How writing a file ended.
enum class WriteOutcome {
  kWritten,     // the file holds the bytes
  kCannotOpen,  // nothing written: the folder cannot take a new file, or
                // the name is a folder or a file that may not be written
  kIncomplete,  // the bytes could not all be written, flushed or put in
                // place (disk full included); the file is as it was
};

// The prefix and suffix of the temporary files of WriteWhole, which live in
// the folder of the file they become.
inline constexpr std::string_view kTempPrefix = ".orvello-";
inline constexpr std::string_view kTempSuffix = ".tmp";

// Writes `bytes` to `path`: creates a new temporary file in the same folder
// (exclusively and without following links, under a name no other run
// uses), writes every byte, flushes it to the disk (fsync), checks its
// size, then renames it over `path`. A link at `path` is replaced, never
// followed; a reader sees either the old file or the whole new one.
// Returns kWritten, kCannotOpen or kIncomplete; on failure the temporary
// file is removed and `path` is as it was.
WriteOutcome WriteWhole(const std::filesystem::path& path, std::string_view bytes);

// Returns true when `name` is a name WriteWhole gives its temporary files.
bool IsTempName(std::string_view name);

}  // namespace orvello

#endif  // ORVELLO_TOOLS_COMMON_SAFE_FILE_H_
