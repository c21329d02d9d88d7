#include "median/median.h"

#include <cmath>

#include "common/mask.h"

namespace orvello {
namespace {

// The axis column: the largest column of the band trunc(0.4 C) <= x < 0.7 C
// that is set in `row`; -1 when there is none.
int FindAxisColumn(const cv::Mat& mask, int row) {
  const double band_end = mask.cols * 0.7;
  const uchar* pixels = mask.ptr<uchar>(row);
  int axis = -1;
  for (int x = static_cast<int>(mask.cols * 0.4); x < band_end; ++x) {
    if (pixels[x] == 255) axis = x;
  }
  return axis;
}

// Adds one segment and disc per liquid row with a wall column: the first set
// pixel left of the axis beyond 20 f columns from it, column 0 excluded.
void ScanLiquidRows(const cv::Mat& mask, double f, MedianScan& scan) {
  const int axis = scan.axis_column;
  if (axis <= 0) return;
  // Columns at distance t = axis - x are tested when t > 20 f; the farthest
  // candidate is column 1.
  const double skip = kMedianLineOffset * f;
  if (!(static_cast<double>(axis - 1) > skip)) return;
  const int first_tested = axis - (static_cast<int>(std::floor(skip)) + 1);
  for (int y = scan.extents.top; y < scan.floor_row; ++y) {
    const uchar* row = mask.ptr<uchar>(y);
    for (int x = first_tested; x >= 1; --x) {
      if (row[x] != 255) continue;
      const Segment segment{cv::Point(x, y), cv::Point(axis, y)};
      const double r = segment.length();
      scan.disc_sum += r * r * kPi;
      scan.rows.push_back(segment);
      break;
    }
  }
}

// Returns T for one row: over the ink runs in columns x < limit, the sum
// over every run after the first of (run start - first run start + 1).
std::int64_t RowRimTotal(const uchar* row, int columns) {
  enum { kBeforeInk, kInInk, kGap } state = kBeforeInk;
  int first_start = 0;
  std::int64_t total = 0;
  for (int x = 0; x < columns; ++x) {
    if (row[x] == 255) {
      if (state == kBeforeInk) first_start = x;
      if (state == kGap) total += x - first_start + 1;
      state = kInInk;
    } else if (state == kInInk) {
      state = kGap;
    }
  }
  return total;
}

}  // namespace

MedianScan ScanMedian(const cv::Mat& mask, double f) {
  MedianScan scan;
  scan.extents = FindExtents(mask);
  const Extents& e = scan.extents;
  scan.total_height = e.bottom - e.top + 1;
  scan.probe_column = static_cast<int>((e.right - e.left + 1) * 0.45 + e.left);
  scan.floor_row = FirstSetRowInColumn(mask, scan.probe_column, e.top);
  scan.liquid_height = scan.floor_row - e.top + 1;
  scan.median_row = static_cast<int>(scan.liquid_height * 0.75 + e.top);
  scan.axis_column = FindAxisColumn(mask, scan.median_row);
  if (scan.axis_column < 0) {
    scan.failure = Failure::kNoMedianLine;
    return scan;
  }

  ScanLiquidRows(mask, f, scan);

  const double limit = scan.axis_column - kRimSearchOffset * f;
  const std::optional<int> start = SearchStartColumn(limit, e.left);
  const std::optional<int> opening =
      start ? FindOpeningColumn(mask, e.top, *start, e.left) : std::nullopt;
  if (!opening) {
    scan.failure = Failure::kNoOpening;
    return scan;
  }
  scan.opening_column = *opening;
  scan.base_column = FindBaseColumn(mask, scan.floor_row - kBaseRowOffset, *start, e.left);

  const int rim_columns = ColumnsLeftOf(limit, mask.cols);
  for (int y = e.top; y < scan.floor_row; ++y) {
    scan.rim_total += RowRimTotal(mask.ptr<uchar>(y), rim_columns);
  }
  return scan;
}

SectionValues MedianResults(const MedianScan& scan, double p) {
  return SectionResults({.disc_sum = scan.disc_sum,
                         .liquid_rows = scan.liquid_height,
                         .total_rows = scan.total_height,
                         .axis_column = scan.axis_column,
                         .opening_column = scan.opening_column,
                         .base_column = scan.base_column,
                         .rim_pixels = scan.rim_total},
                        p);
}

MedianMeasurement MeasureMedianDrawing(const cv::Mat& drawing, double dpi, double scale) {
  MedianMeasurement m;
  const cv::Mat mask = Binarise(drawing, Smoothing::kNone);
  if (AllInk(mask)) {
    m.failure = Failure::kNoVessel;
    return m;
  }
  m.scan = ScanMedian(mask, ResolutionFactor(dpi));
  m.failure = m.scan.failure;
  if (m.failure == Failure::kNone) m.values = MedianResults(m.scan, PixelSize(dpi, scale));
  return m;
}

}  // namespace orvello
