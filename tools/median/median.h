#ifndef ORVELLO_TOOLS_MEDIAN_MEDIAN_H_
#define ORVELLO_TOOLS_MEDIAN_MEDIAN_H_

// Measurement of a category-2 drawing: the wall section left of a drawn
// median line, whose column is the vessel's axis.

#include <cstdint>
#include <opencv2/core.hpp>
#include <vector>

#include "common/failure.h"
#include "common/scans.h"
#include "common/segment.h"

namespace orvello {

// Liquid rows are measured from the first ink this far left of the axis
// (times 300 / dpi), clear of the median line.
inline constexpr double kMedianLineOffset = 20;

// What the scans of a category-2 mask find, in pixels.
struct MedianScan {
  Failure failure = Failure::kNone;  // kNone, kNoMedianLine or kNoOpening
  Extents extents;                   // xL, xR, yT, yB
  int total_height = 0;              // HT = yB - yT + 1
  int probe_column = 0;              // xP
  int floor_row = 0;                 // yF
  int liquid_height = 0;             // HL = yF - yT + 1
  int median_row = 0;                // yM
  int axis_column = 0;               // xA, when the median line is found
  std::vector<Segment> rows;         // one per liquid row with a wall column
  double disc_sum = 0;               // S, square pixels
  int opening_column = 0;            // xO, when found
  int base_column = -1;              // xB
  std::int64_t rim_total = 0;        // T
};

// Returns the scans of `mask` (8-bit, one channel; 255 is ink) for a
// resolution factor `f` = 300 / dpi. Stops at the first failure: with
// Failure::kNoMedianLine only the extents, floor and median row are set;
// with Failure::kNoOpening everything but the opening, base and rim values.
// REQUIRES: f > 0.
MedianScan ScanMedian(const cv::Mat& mask, double f);

// Returns the seven values of `scan` for pixels of `pixel_size` cm.
// REQUIRES: scan.failure == Failure::kNone.
SectionValues MedianResults(const MedianScan& scan, double pixel_size);

// One category-2 drawing measured as its tool measures it.
struct MedianMeasurement {
  Failure failure = Failure::kNone;  // a run that ends with status 1
  MedianScan scan;
  SectionValues values;
};

// Returns the measurement of `drawing` (8-bit BGR) at `dpi` and `scale`.
// REQUIRES: ArgsValid for dpi and scale.
MedianMeasurement MeasureMedianDrawing(const cv::Mat& drawing, double dpi, double scale);

}  // namespace orvello

#endif  // ORVELLO_TOOLS_MEDIAN_MEDIAN_H_
