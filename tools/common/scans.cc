#include "common/scans.h"

#include <algorithm>
#include <cmath>

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

std::array<ResultLine, 7> SectionLines(const SectionValues& v) {
  return {{{"Volume : ", v.volume_cl, " cL"},
           {"Hauteur du liquide : ", v.liquid_height_cm, " cm"},
           {"Hauteur totale : ", v.total_height_cm, " cm"},
           {"Diametre ouverture : ", v.opening_cm, " cm"},
           {"Rapport Diametre de l'ouverture / Hauteur totale : ", v.ratio, ""},
           {"Diametre du fond : ", v.base_cm, " cm"},
           {"Largeur moyenne du bord :", v.rim_width_cm, " cm"}}};
}

}  // namespace orvello
