#include "common/scans.h"

#include <algorithm>
#include <cmath>

#include "common/mask.h"

namespace orvello {

Extents FindExtents(const cv::Mat& mask) {
  Extents e;
  bool any_left = false, any_right = false, any_top = false;
  for (int y = 0; y < mask.rows; ++y) {
    const uchar* row = mask.ptr<uchar>(y);
    const uchar* end = row + mask.cols;
    const uchar* first = std::find(row, end, 255);
    if (first == end) continue;
    const int x_first = static_cast<int>(first - row);
    int x_last = mask.cols - 1;
    while (row[x_last] != 255) --x_last;
    if (!any_left || x_first < e.left) e.left = x_first;
    any_left = true;
    if (x_last >= 1 && (!any_right || x_last > e.right)) {
      e.right = x_last;
      any_right = true;
    }
    if (!any_top) e.top = y;
    any_top = true;
    if (y >= 1) e.bottom = y;
  }
  return e;
}

int FirstSetRowInColumn(const cv::Mat& mask, int column, int fallback) {
  if (column < 0 || column >= mask.cols) return fallback;
  for (int y = 0; y < mask.rows; ++y) {
    if (mask.at<uchar>(y, column) == 255) return y;
  }
  return fallback;
}

std::optional<int> SearchStartColumn(double limit, int leftmost) {
  // trunc(limit) > leftmost exactly when limit >= leftmost + 1, since
  // leftmost >= 0; comparing first keeps the conversion in range.
  if (!(limit >= static_cast<double>(leftmost) + 1)) return std::nullopt;
  return static_cast<int>(limit);
}

std::optional<int> FindOpeningColumn(const cv::Mat& mask, int top_row, int start, int leftmost) {
  start = std::min(start, mask.cols - 1);
  for (int y = std::max(top_row, 0); y < mask.rows; ++y) {
    const uchar* row = mask.ptr<uchar>(y);
    for (int x = start; x > leftmost; --x) {
      if (row[x] == 255) return x;
    }
  }
  return std::nullopt;
}

int FindBaseColumn(const cv::Mat& mask, int base_row, int start, int leftmost) {
  if (base_row < 0 || base_row >= mask.rows) return -1;
  start = std::min(start, mask.cols - 1);
  const uchar* row = mask.ptr<uchar>(base_row);
  int base = -1;
  for (int x = start; x > leftmost; --x) {
    if (row[x] == 255) base = x;
  }
  return base;
}

int ColumnsLeftOf(double limit, int columns) {
  if (!(limit > 0)) return 0;
  if (limit >= columns) return columns;
  return static_cast<int>(std::ceil(limit));
}

SectionValues SectionResults(const SectionCounts& c, double p) {
  SectionValues v;
  v.volume_cl = VolumeCl(p, c.disc_sum);
  v.liquid_height_cm = static_cast<double>(c.liquid_rows) * p;
  v.total_height_cm = static_cast<double>(c.total_rows) * p;
  v.opening_cm = static_cast<double>(2 * (c.axis_column - c.opening_column) + 2) * p;
  v.ratio = v.opening_cm / p / static_cast<double>(c.total_rows);
  v.base_cm = static_cast<double>(2 * (c.axis_column - c.base_column)) * p;
  v.rim_width_cm = static_cast<double>(c.rim_pixels) / static_cast<double>(c.liquid_rows) * p;
  return v;
}

ResultValues ToValues(const SectionValues& v) {
  ResultValues values;
  values.Set(ValueId::kVolume, v.volume_cl);
  values.Set(ValueId::kLiquidHeight, v.liquid_height_cm);
  values.Set(ValueId::kTotalHeight, v.total_height_cm);
  values.Set(ValueId::kOpening, v.opening_cm);
  values.Set(ValueId::kRatio, v.ratio);
  values.Set(ValueId::kBase, v.base_cm);
  values.Set(ValueId::kRimWidth, v.rim_width_cm);
  return values;
}

}  // namespace orvello
