#ifndef ORVELLO_TOOLS_COMMON_MEASURE_H_
#define ORVELLO_TOOLS_COMMON_MEASURE_H_

// The measurement of a drawing by its category's algorithm, in one common
// result: what every caller (the tools, the batch, the tests, the
// benchmarks) measures through.

#include <opencv2/core.hpp>
#include <string_view>
#include <vector>

#include "common/category.h"
#include "common/discs.h"
#include "common/failure.h"
#include "common/segment.h"
#include "common/values.h"

namespace orvello {

// An image a tool writes besides the water image.
struct NamedImage {
  std::string_view name;  // one of the category's ToolImages()
  cv::Mat image;
};

// Whether a measurement also makes the tool's images other than the water
// image (the mask, the contours, the edge mask).
enum class ToolImages { kWithout, kWith };

// One drawing measured by its category's algorithm.
struct CategoryMeasurement {
  Failure failure = Failure::kNone;  // when not kNone, nothing below is set
  std::vector<Segment> rows{};       // the measured rows: the water image's
  ResultValues values{};             // the results file's values
  DiscProfile discs{};               // the measured discs
  std::vector<NamedImage> images{};  // with ToolImages::kWith, in ToolImages() order
};

// Returns the measurement of `drawing` (8-bit BGR) at `dpi` and `scale` by
// the algorithm of `category`, exactly as its tool measures.
// REQUIRES: ArgsValid for dpi and scale.
CategoryMeasurement Measure(const CategoryInfo& category, const cv::Mat& drawing, double dpi,
                            double scale, ToolImages images = ToolImages::kWithout);

}  // namespace orvello

#endif  // ORVELLO_TOOLS_COMMON_MEASURE_H_
