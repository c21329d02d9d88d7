#ifndef ORVELLO_TOOLS_BATCH_MEASURE_H_
#define ORVELLO_TOOLS_BATCH_MEASURE_H_

// The measurement of one drawing of a batch, by the same steps as its
// category's tool and with the tool's own messages.

#include <opencv2/core.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "batch/manifest.h"
#include "batch/record.h"
#include "common/discs.h"
#include "common/values.h"

namespace orvello::batch {

// What the measurement of one drawing gives.
struct Measurement {
  Status status = Status::kBadRow;
  std::string message;  // empty when measured
  int category = 0;     // 1, 2 or 3 once the category is known
  ResultValues values;  // the results file's values
  DiscProfile profile;  // the measured discs
  cv::Mat water;        // the water image, as the drawing lies
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
