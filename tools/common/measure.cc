#include "common/measure.h"

#include "common/mask.h"
#include "leftedge/leftedge.h"
#include "median/median.h"
#include "silhouette/silhouette.h"

namespace orvello {
namespace {

CategoryMeasurement MeasureLeftEdge(const cv::Mat& drawing, double dpi, double scale,
                                    ToolImages images) {
  LeftEdgeMeasurement m = MeasureLeftEdgeDrawing(drawing, dpi, scale);
  if (m.failure != Failure::kNone) return {.failure = m.failure};
  CategoryMeasurement result{
      .values = ToValues(m.values),
      .discs = SectionProfile(m.scan.rows, m.scan.floor_row, m.scan.liquid_count + 1,
                              m.scan.disc_sum, PixelSize(dpi, scale))};
  if (images == ToolImages::kWith) {
    result.images.push_back({"contours.jpg", ContourImage(drawing, m.edge)});
    result.images.push_back({"bord.jpg", std::move(m.edge.edge_mask)});
  }
  result.rows = std::move(m.scan.rows);
  return result;
}

CategoryMeasurement MeasureMedian(const cv::Mat& drawing, double dpi, double scale, ToolImages) {
  MedianMeasurement m = MeasureMedianDrawing(drawing, dpi, scale);
  if (m.failure != Failure::kNone) return {.failure = m.failure};
  CategoryMeasurement result{
      .values = ToValues(m.values),
      .discs = SectionProfile(m.scan.rows, m.scan.floor_row, m.scan.liquid_height, m.scan.disc_sum,
                              PixelSize(dpi, scale))};
  result.rows = std::move(m.scan.rows);
  return result;
}

CategoryMeasurement MeasureSilhouette(const cv::Mat& drawing, double dpi, double scale,
                                      ToolImages images) {
  SilhouetteMeasurement m = MeasureSilhouetteDrawing(drawing, dpi, scale);
  if (m.failure != Failure::kNone) return {.failure = m.failure};
  CategoryMeasurement result{
      .values = ToValues(m.values),
      .discs = SilhouetteProfile(m.scan.rows, m.scan.first_row, m.scan.last_row, m.scan.disc_sum,
                                 PixelSize(dpi, scale))};
  if (images == ToolImages::kWith) result.images.push_back({"gray.jpg", std::move(m.mask)});
  result.rows = std::move(m.scan.rows);
  return result;
}

using MeasureFunction = CategoryMeasurement (*)(const cv::Mat&, double, double, ToolImages);

// The measurement of each category, in the order of kCategories.
constexpr MeasureFunction kMeasures[] = {MeasureLeftEdge, MeasureMedian, MeasureSilhouette};
static_assert(std::size(kMeasures) == kCategories.size());

}  // namespace

CategoryMeasurement Measure(const CategoryInfo& category, const cv::Mat& drawing, double dpi,
                            double scale, ToolImages images) {
  return kMeasures[&category - kCategories.data()](drawing, dpi, scale, images);
}

}  // namespace orvello
