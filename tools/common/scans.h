#ifndef ORVELLO_TOOLS_COMMON_SCANS_H_
#define ORVELLO_TOOLS_COMMON_SCANS_H_

// Mask scans shared by the section tools (categories 1 and 2). A pixel is
// set when its value is exactly 255. No scan reads outside the mask.

#include <cstdint>
#include <opencv2/core.hpp>
#include <optional>

#include "common/values.h"

namespace orvello {

// The extremes of the set pixels of a mask. A scan that finds nothing
// yields 0. The right column is looked for among columns C-1 down to 1 and
// the bottom row among rows R-1 down to 1 only.
struct Extents {
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
};

// Returns the extents of `mask` (8-bit, one channel).
Extents FindExtents(const cv::Mat& mask);

// Returns the first row, from row 0 down, whose pixel in `column` is set, or
// `fallback` when there is none or the column lies outside the mask.
int FirstSetRowInColumn(const cv::Mat& mask, int column, int fallback);

// Returns the integer column of a real-valued limit that a leftward search
// starts from, when the search can test any column right of `leftmost`:
// trunc(limit) when trunc(limit) > leftmost, otherwise nothing. Safe for
// every real limit, infinite ones included.
std::optional<int> SearchStartColumn(double limit, int leftmost);

// Returns the opening column: going down from `top_row` to the last row, the
// first set pixel of a row met scanning columns `start` down to `leftmost`+1.
// Returns nothing when no row has one.
std::optional<int> FindOpeningColumn(const cv::Mat& mask, int top_row, int start, int leftmost);

// Returns the base column: the smallest set column among `start` down to
// `leftmost`+1 in `base_row`, or -1 when none is set or the row lies outside
// the mask.
int FindBaseColumn(const cv::Mat& mask, int base_row, int start, int leftmost);

// Returns the number of columns, from column 0, that lie strictly left of
// the real column `limit`: ceil(limit) for a limit above 0 (at most
// `columns`), else 0.
int ColumnsLeftOf(double limit, int columns);

// The seven values of a section results file, in their order.
struct SectionValues {
  double volume_cl = 0;
  double liquid_height_cm = 0;
  double total_height_cm = 0;
  double opening_cm = 0;
  double ratio = 0;
  double base_cm = 0;
  double rim_width_cm = 0;
};

// The offsets of the section measurements (categories 1 and 2), in pixels
// at 300 dpi: each is multiplied by the resolution factor 300 / dpi, except
// where said.
// The opening, the base and the rim width are looked for this far left of
// the axis, clear of the median line or closing stroke.
inline constexpr double kRimSearchOffset = 30;
// The base is measured on the row this many pixels (not scaled) above the
// floor row, clear of the floor's own outline.
inline constexpr int kBaseRowOffset = 15;

// What the scans of a section drawing count, in pixels.
struct SectionCounts {
  double disc_sum = 0;  // the discs of the liquid rows, square pixels
  int liquid_rows = 0;  // the liquid height
  int total_rows = 0;   // the total height
  int axis_column = 0;
  int opening_column = 0;
  int base_column = 0;
  std::int64_t rim_pixels = 0;  // the rim width summed over the liquid rows
};

// Returns the seven values of a section drawing for pixels of
// `pixel_size` cm: the volume (VolumeCl of the disc sum), the liquid and
// total heights, the opening (twice its distance to the axis, plus two
// pixels), the ratio of opening to total height, the base (twice its
// distance to the axis), and the rim width (rim pixels per liquid row).
SectionValues SectionResults(const SectionCounts& counts, double pixel_size);

// Returns the values of the results file of categories 1 and 2.
ResultValues ToValues(const SectionValues& values);

}  // namespace orvello

#endif  // ORVELLO_TOOLS_COMMON_SCANS_H_
