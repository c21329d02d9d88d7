#ifndef ORVELLO_TOOLS_BATCH_RECORD_H_
#define ORVELLO_TOOLS_BATCH_RECORD_H_

// What a batch knows about one drawing once it is done with it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/capacity.h"
#include "batch/manifest.h"
#include "common/values.h"

namespace orvello::batch {

// How the measurement of one drawing ended.
enum class Status {
  kMeasured,         // measured, values and water image written
  kBadRow,           // the manifest row itself is unusable
  kUnknownCategory,  // the category is not 1, 2 or 3
  kBadArguments,     // dpi or scale not a finite number above 0
  kMissingFile,      // no file at the drawing's path
  kUnreadable,       // the file is not an image the library reads
  kNoReference,      // the tool finds no vessel, median line, edge or opening
  kImageNotWritten,  // measured, but the water image could not be written
  kError,            // the image library or the memory failed
};

// Returns the status as the results files write it: "measured", "bad-row",
// "unknown-category", "bad-arguments", "missing-file", "unreadable",
// "no-reference", "image-not-written" or "error".
std::string_view StatusName(Status status);

// The capacity filled to one level.
struct FillLevel {
  int percent = 100;
  double capacity_cl = 0;
};

// Everything the results files say about one drawing.
struct Record {
  Job job{};
  Status status = Status::kBadRow;
  std::string message{};
  ResultValues values{};                 // the results file's values
  std::vector<FillLevel> fill{};         // categories 1 and 2
  std::optional<CapacityRange> range{};  // when measured
  std::vector<CurvePoint> curve{};       // categories 1 and 2
  std::string water_image{};             // relative to the output folder, "/" separated
  std::string thumbnail_jpeg{};          // JPEG bytes of a small water image
};

}  // namespace orvello::batch

#endif  // ORVELLO_TOOLS_BATCH_RECORD_H_
