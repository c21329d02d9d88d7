#include "leftedge/leftedge.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

#include "common/mask.h"

namespace orvello {

LeftEdge ChooseLeftEdge(std::vector<std::vector<cv::Point>> contours,
                        std::vector<cv::Vec4i> hierarchy, int columns) {
  LeftEdge edge;
  edge.contours = std::move(contours);
  edge.hierarchy = std::move(hierarchy);
  cv::RNG rng(12345);
  for (int i = 0; i < static_cast<int>(edge.contours.size()); ++i) {
    const int red = rng.uniform(0, 255);
    const int green = rng.uniform(0, 255);
    const int blue = rng.uniform(0, 255);
    const std::vector<cv::Point>& contour = edge.contours[i];
    if (!(cv::arcLength(contour, true) > 3000)) continue;
    std::int64_t sum_x = 0;
    for (const cv::Point& p : contour) sum_x += p.x;
    const std::int64_t mean_x = sum_x / static_cast<std::int64_t>(contour.size());
    if (mean_x < columns / 3) {
      edge.index = i;
      edge.colour = cv::Scalar(blue, green, red, 0);
      break;
    }
  }
  return edge;
}

LeftEdge FindLeftEdge(const cv::Mat& mask) {
  std::vector<std::vector<cv::Point>> contours;
  std::vector<cv::Vec4i> hierarchy;
  cv::findContours(mask, contours, hierarchy, cv::RETR_TREE, cv::CHAIN_APPROX_SIMPLE,
                   cv::Point(0, 0));
  LeftEdge edge = ChooseLeftEdge(std::move(contours), std::move(hierarchy), mask.cols);
  if (edge.index < 0) return edge;
  edge.edge_mask = cv::Mat::zeros(mask.rows, mask.cols, CV_8UC1);
  cv::drawContours(edge.edge_mask, edge.contours, edge.index, cv::Scalar(255, 255, 255, 0),
                   cv::FILLED, cv::LINE_8, edge.hierarchy, 0, cv::Point(0, 0));
  return edge;
}

cv::Mat ContourImage(const cv::Mat& drawing, const LeftEdge& edge) {
  cv::Mat image = drawing.clone();
  cv::drawContours(image, edge.contours, edge.index, edge.colour, 10, cv::LINE_8, edge.hierarchy, 0,
                   cv::Point(0, 0));
  return image;
}

EdgeScan ScanEdgeMask(const cv::Mat& edge_mask, double f) {
  EdgeScan scan;
  scan.extents = FindExtents(edge_mask);
  const Extents& e = scan.extents;
  const int axis = e.right;

  // The inner floor next to the axis; a probe left of column 0 meets nothing.
  const double probe = axis - 15 * f;
  if (probe > -1) scan.probe_column = static_cast<int>(probe);
  scan.floor_row =
      scan.probe_column ? FirstSetRowInColumn(edge_mask, *scan.probe_column, e.top) : e.top;
  scan.liquid_count = scan.floor_row - e.top;

  // The columns next to the axis (the closing stroke) are passed over.
  for (int y = e.top; y < scan.floor_row; ++y) {
    const uchar* row = edge_mask.ptr<uchar>(y);
    for (int x = axis - kClosingStrokeColumns; x >= 1; --x) {
      if (row[x] != 255) continue;
      const Segment segment{cv::Point(x, y), cv::Point(axis, y)};
      const double r = segment.length();
      scan.disc_sum += kPi * (r * r);
      scan.rows.push_back(segment);
      break;
    }
  }

  const double limit = axis - kRimSearchOffset * f;
  const std::optional<int> start = SearchStartColumn(limit, e.left);
  if (start) scan.opening_column = FindOpeningColumn(edge_mask, e.top, *start, e.left);
  if (start)
    scan.base_column = FindBaseColumn(edge_mask, scan.floor_row - kBaseRowOffset, *start, e.left);

  const int rim_columns = ColumnsLeftOf(limit, edge_mask.cols);
  if (rim_columns > 0 && scan.liquid_count > 0) {
    scan.rim_count =
        cv::countNonZero(edge_mask(cv::Rect(0, e.top, rim_columns, scan.liquid_count)) == 255);
  }
  return scan;
}

SectionValues LeftEdgeResults(const EdgeScan& scan, double p) {
  return SectionResults({.disc_sum = scan.disc_sum,
                         .liquid_rows = scan.liquid_count + 1,
                         .total_rows = scan.extents.bottom - scan.extents.top + 1,
                         .axis_column = scan.extents.right,
                         .opening_column = *scan.opening_column,
                         .base_column = scan.base_column,
                         .rim_pixels = scan.rim_count},
                        p);
}

LeftEdgeMeasurement MeasureLeftEdgeDrawing(const cv::Mat& drawing, double dpi, double scale) {
  LeftEdgeMeasurement m;
  const cv::Mat mask = Binarise(drawing, Smoothing::kNone);
  if (AllInk(mask)) {
    m.failure = Failure::kNoVessel;
    return m;
  }
  m.edge = FindLeftEdge(mask);
  if (m.edge.index < 0) {
    m.failure = Failure::kNoLeftEdge;
    return m;
  }
  m.scan = ScanEdgeMask(m.edge.edge_mask, ResolutionFactor(dpi));
  if (!m.scan.opening_column) {
    m.failure = Failure::kNoOpening;
    return m;
  }
  m.values = LeftEdgeResults(m.scan, PixelSize(dpi, scale));
  return m;
}

}  // namespace orvello
