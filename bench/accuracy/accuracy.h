#ifndef ORVELLO_BENCH_ACCURACY_ACCURACY_H_
#define ORVELLO_BENCH_ACCURACY_ACCURACY_H_

// The accuracy of the three measurements against the analytic values of
// generated vessels: each drawing is measured in-process by its tool's own
// measurement function, and its values compared with the drawn vessel's.

#include <array>
#include <opencv2/core.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "drawgen/drawgen.h"

namespace orvello::accuracy {

// The compared values, in table order.
enum Quantity {
  kCapacity,
  kLiquidHeight,
  kTotalHeight,
  kOpening,
  kBase,
  kRimWidth,
  kQuantityCount
};

// Returns the column title of `q`, for example "capacity".
std::string_view QuantityName(Quantity q);

// One value per quantity; NaN where the category has no such value.
using Values = std::array<double, kQuantityCount>;

// What a tool reports for one drawing.
struct Measurement {
  int status = 0;       // the exit status the tool would end with
  std::string message;  // the tool's failure message; empty when measured
  // Category 3 reports capacity, total height and, as "Diametre ouverture",
  // the width of the lowest row (the foot), which is stored under kBase.
  Values values{};
};

// Returns what the tool of `category` (1, 2 or 3) reports for `drawing`
// (8-bit BGR) scanned at `dpi` and drawn at `scale`: the tool's argument
// check and its own measurement function, without writing any file.
Measurement MeasureDrawing(int category, const cv::Mat& drawing, double dpi, double scale);

// Returns the analytic values matching MeasureDrawing's for `category`.
Values TruthValues(int category, const drawgen::Analytic& truth);

// How a drawing is rendered.
enum class Rendering { kClean, kAntialiased, kNoisy, kAntialiasedNoisy };

// Returns a short name of `r`, for example "anti-aliased".
std::string_view RenderingName(Rendering r);

// One generated drawing to measure.
struct Case {
  int category = 3;
  drawgen::Shape shape = drawgen::Shape::kCylinder;
  double dpi = 300;
  double scale = 1;
  Rendering rendering = Rendering::kClean;
};

// A measured case: relative errors (measured - analytic) / analytic, NaN
// where not compared or not measured.
struct CaseResult {
  Case c;
  Measurement measurement;
  Values errors{};
};

// Returns the result of drawing and measuring `c`.
CaseResult RunCase(const Case& c);

// Returns the results of `cases`, in their order, measured on `threads`
// threads (at least 1).
std::vector<CaseResult> RunCases(const std::vector<Case>& cases, int threads);

// Returns every combination of the categories 1-3, every drawgen shape, the
// resolutions 150, 300, 600, 1200 dpi, the scales 1, 0.5, 0.25 and the four
// renderings.
std::vector<Case> AllCases();

// Median and worst (largest in magnitude, with its sign) of a set of
// relative errors.
struct Summary {
  int count = 0;
  double median = 0;
  double worst = 0;
};

// Returns the summary of the finite values of `errors`; count 0 when none.
Summary Summarise(const std::vector<double>& errors);

// Returns the Markdown report of `results`, headed by `command` (how the run
// was made) and `seconds` (its wall time).
std::string Report(const std::vector<CaseResult>& results, const std::string& command,
                   double seconds);

}  // namespace orvello::accuracy

#endif  // ORVELLO_BENCH_ACCURACY_ACCURACY_H_
