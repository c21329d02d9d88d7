#ifndef ORVELLO_TOOLS_LEFTEDGE_LEFTEDGE_H_
#define ORVELLO_TOOLS_LEFTEDGE_LEFTEDGE_H_

// Measurement of a category-1 drawing: the wall section's outline is the
// first long contour in the left third of the sheet; filled, it is the edge
// mask whose rightmost column is the axis of revolution.

#include <cstdint>
#include <opencv2/core.hpp>
#include <optional>
#include <vector>

#include "common/failure.h"
#include "common/scans.h"
#include "common/segment.h"

namespace orvello {

// Liquid rows are measured from the first ink this many columns (not
// scaled) left of the axis, clear of the closing stroke.
inline constexpr int kClosingStrokeColumns = 21;

// The contours of a binary mask and the one chosen as the left edge.
struct LeftEdge {
  std::vector<std::vector<cv::Point>> contours;
  std::vector<cv::Vec4i> hierarchy;
  int index = -1;     // the left-edge contour; -1 when none qualifies
  cv::Scalar colour;  // its outline colour: blue, green, red, 0
  cv::Mat edge_mask;  // the contour filled with 255 on 0; empty when none
};

// Returns the contour choice for `contours` in a sheet of `columns` columns:
// the first contour, in list order, whose closed perimeter exceeds 3000 and
// whose integer mean x is below columns / 3. Every contour examined draws
// its colour (red, green, blue from cv::RNG(12345)). Sets index and colour.
LeftEdge ChooseLeftEdge(std::vector<std::vector<cv::Point>> contours,
                        std::vector<cv::Vec4i> hierarchy, int columns);

// Returns the left edge of `mask` (8-bit, one channel; 255 is ink): its
// contours (tree, simple chains), the choice, and the filled edge mask.
LeftEdge FindLeftEdge(const cv::Mat& mask);

// Returns a copy of `drawing` with the left-edge contour outlined in its
// colour at thickness 10. REQUIRES: edge.index >= 0.
cv::Mat ContourImage(const cv::Mat& drawing, const LeftEdge& edge);

// What the scans of an edge mask find, in pixels.
struct EdgeScan {
  Extents extents;                  // leftmost, axis (right), top, bottom
  std::optional<int> probe_column;  // nothing when left of column 0
  int floor_row = 0;
  int liquid_count = 0;               // floor row - top row
  std::vector<Segment> rows;          // one per liquid row with a wall column
  double disc_sum = 0;                // square pixels
  std::optional<int> opening_column;  // nothing: the run cannot go on
  int base_column = -1;
  std::int64_t rim_count = 0;  // set pixels of the liquid rows left of the limit
};

// Returns the scans of `edge_mask` for a resolution factor `f` = 300 / dpi.
// REQUIRES: f > 0.
EdgeScan ScanEdgeMask(const cv::Mat& edge_mask, double f);

// Returns the seven values of `scan` for pixels of `pixel_size` cm.
// REQUIRES: scan.opening_column.
SectionValues LeftEdgeResults(const EdgeScan& scan, double pixel_size);

// One category-1 drawing measured as its tool measures it.
struct LeftEdgeMeasurement {
  Failure failure = Failure::kNone;  // a run that ends with status 1
  LeftEdge edge;                     // its edge mask is "bord.jpg"
  EdgeScan scan;
  SectionValues values;
};

// Returns the measurement of `drawing` (8-bit BGR) at `dpi` and `scale`.
// REQUIRES: ArgsValid for dpi and scale.
LeftEdgeMeasurement MeasureLeftEdgeDrawing(const cv::Mat& drawing, double dpi, double scale);

}  // namespace orvello

#endif  // ORVELLO_TOOLS_LEFTEDGE_LEFTEDGE_H_
