#ifndef ORVELLO_TOOLS_BATCH_PLATES_CLI_H_
#define ORVELLO_TOOLS_BATCH_PLATES_CLI_H_

// orvello-batch --plates: whole scanned plates, each drawing found, its
// category decided, the scale bar and catalogue numbers read, and measured.

#include <filesystem>
#include <string>
#include <vector>

namespace orvello::batch {

// Returns true when `argv` asks for plates (holds "--plates").
bool WantsPlates(int argc, const char* const* argv);

// One plate to measure.
struct PlateJob {
  std::filesystem::path file;
  double dpi = 0;     // scan resolution, dots per inch
  double scale = 0;   // 0: unknown, the bar gives it
  double bar_cm = 0;  // 0: read from the bar's label
};

// Returns the plates of a manifest `text` (header with file and optional
// dpi, scale, bar columns; commas or semicolons), relative files resolved
// against `folder`, empty fields from `defaults`; sets `*error` when the
// header has no file column or a field cannot be read.
std::vector<PlateJob> ReadPlateManifest(const std::string& text,
                                        const std::filesystem::path& folder,
                                        const PlateJob& defaults, std::string* error);

// Runs `orvello-batch --plates ...`: parses the arguments, measures every
// plate, writes the output folder. Returns 0 when every drawing found was
// measured, 1 when some were refused or a plate could not be read, 2 when
// the input or output folder cannot be used.
int RunPlatesCommandLine(int argc, const char* const* argv);

}  // namespace orvello::batch

#endif  // ORVELLO_TOOLS_BATCH_PLATES_CLI_H_
