#ifndef ORVELLO_TOOLS_SILHOUETTE_SILHOUETTE_H_
#define ORVELLO_TOOLS_SILHOUETTE_SILHOUETTE_H_

// Measurement of a category-3 drawing: every mask row that holds ink is a
// disc one pixel high, as wide as its outermost ink pixels are apart.

#include <array>
#include <opencv2/core.hpp>
#include <vector>

#include "common/failure.h"
#include "common/segment.h"
#include "common/values.h"

namespace orvello {

// What the row scan of a silhouette mask finds, in pixels.
struct SilhouetteScan {
  bool found = false;    // some row holds a vessel pixel
  int first_row = 0;     // top-most vessel row
  int last_row = 0;      // lowest vessel row
  int opening_left = 0;  // outermost vessel pixels of the lowest row
  int opening_right = 0;
  double disc_sum = 0;        // square pixels
  std::vector<Segment> rows;  // one per vessel row, left edge to right edge
};

// Returns the scan of `mask` (8-bit, one channel; 255 is a vessel pixel).
SilhouetteScan ScanSilhouette(const cv::Mat& mask);

// The three values of the category-3 results file.
struct SilhouetteValues {
  double volume_cl = 0;
  double height_cm = 0;
  double opening_cm = 0;
};

// Returns the values of `scan` for pixels of `pixel_size` centimetres.
// REQUIRES: scan.found.
SilhouetteValues SilhouetteResults(const SilhouetteScan& scan, double pixel_size);

// Returns the values of the category-3 results file.
ResultValues ToValues(const SilhouetteValues& values);

// One category-3 drawing measured as its tool measures it.
struct SilhouetteMeasurement {
  Failure failure = Failure::kNone;  // kNoVessel: a run that ends with status 1
  cv::Mat mask;                      // the smoothed binary mask, "gray.jpg"
  SilhouetteScan scan;
  SilhouetteValues values;
};

// Returns the measurement of `drawing` (8-bit BGR) at `dpi` and `scale`.
// REQUIRES: ArgsValid for dpi and scale.
SilhouetteMeasurement MeasureSilhouetteDrawing(const cv::Mat& drawing, double dpi, double scale);

}  // namespace orvello

#endif  // ORVELLO_TOOLS_SILHOUETTE_SILHOUETTE_H_
