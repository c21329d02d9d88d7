#ifndef ORVELLO_TOOLS_BATCH_MEASURE_H_
#define ORVELLO_TOOLS_BATCH_MEASURE_H_

// The measurement of one drawing of a batch, by the same steps as its
// category's tool and with the tool's own messages.

#include <array>
#include <opencv2/core.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "batch/capacity.h"
#include "batch/manifest.h"

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

// One value of a results file and the column that holds it.
struct NamedValue {
  std::string_view key;  // one of kValueKeys
  double value = 0;
};

// The columns of the results-file values of all categories: the seven of
// categories 1 and 2, with "height_cm" for the height of category 3.
inline constexpr std::array<std::string_view, 8> kValueKeys = {
    "volume_cl", "liquid_height_cm", "total_height_cm", "height_cm", "opening_cm",
    "ratio",     "base_cm",          "rim_width_cm"};

// What the measurement of one drawing gives.
struct Measurement {
  Status status = Status::kBadRow;
  std::string message;             // empty when measured
  int category = 0;                // 1, 2 or 3 once the category is known
  std::vector<NamedValue> values;  // the results file's values, in its order
  DiscProfile profile;             // the measured discs
  cv::Mat water;                   // the water image, as the drawing lies
  cv::Mat drawing;                 // the drawing as loaded (not mirrored), once it could be read
  double dpi = 0;                  // the dpi and scale read from the job, once valid
  double scale = 0;
};

// Measures `job` as its category's tool measures its arguments: the
// category is checked first, then dpi and scale (the tool's validation),
// then the file is loaded (LoadDrawing; mirrored when job.mirror) and
// measured by the tool's own measurement function; a failure ends it with
// the tool's message. The water image of a mirrored drawing is mirrored
// back.
Measurement Measure(const Job& job);

}  // namespace orvello::batch

#endif  // ORVELLO_TOOLS_BATCH_MEASURE_H_
