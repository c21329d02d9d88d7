#ifndef ORVELLO_BENCH_ROBUSTNESS_ROBUSTNESS_H_
#define ORVELLO_BENCH_ROBUSTNESS_ROBUSTNESS_H_

// The robustness of the measurements against the degradations of real
// scans: generated vessels of known capacity, drawn clean and degraded (skew,
// captions, scale bars, specks, pens, filled sections, breaks, JPEG, handles,
// the middle-of-stroke surface convention), each measured by its tool's own
// measurement function and by the profile measurement; and, when given, real
// drawings with a capacity traced by hand.

#include <opencv2/core.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "drawgen/drawgen.h"

namespace orvello::robustness {

// A degradation of the drawing, applied by the drawing generator.
struct Degradation {
  std::string_view name;                 // short, for the tables
  bool categories[3];                    // applies to categories 1, 2, 3
  void (*apply)(drawgen::DrawOptions*);  // changes the options of a clean drawing
};

// Returns every degradation, "clean" first, in table order.
const std::vector<Degradation>& Degradations();

// One generated drawing to measure.
struct Case {
  int category = 2;
  drawgen::Shape shape = drawgen::Shape::kCylinder;
  double dpi = 300;
  double scale = 1;
  int degradation = 0;  // index into Degradations()
};

// Returns the options that draw `c`.
drawgen::DrawOptions OptionsOf(const Case& c);

// Returns a short description of `c`'s drawing, for example
// "category 2, necked, 300 dpi x 0.5, skew 1 deg".
std::string Describe(const Case& c);

// What one measurement gives for a drawing: the capacity (category 3: the
// solid's volume) and its range, NaN when not measured or not given.
struct Outcome {
  bool measured = false;
  bool ok = false;  // the measurement vouches for its value: a tool that
                    // reports success, the profile's confidence `ok`
  double value_cl = 0;
  double low_cl = 0;
  double high_cl = 0;
  std::string note;  // a tool's failure message; the profile's refusal or warnings
};

// Returns what the tool of `category` reports for `drawing` (8-bit BGR) at
// `dpi` and `scale`: its own measurement function, and the range of
// orvello-batch (every measured radius half a pixel shorter and longer).
Outcome MeasureWithTool(int category, const cv::Mat& drawing, double dpi, double scale);

// Returns what the profile measurement reports for `drawing`, drawn with
// strokes after the convention `surface`, with the section right of the axis
// when `mirror`.
Outcome MeasureWithProfile(int category, const cv::Mat& drawing, double dpi, double scale,
                           bool mirror, drawgen::Surface surface);

// A measured case.
struct CaseResult {
  Case c;
  double truth_cl = 0;
  Outcome tool;
  Outcome profile;
  double seconds_tool = 0;  // time of each measurement on its thread
  double seconds_profile = 0;
};

// Returns the result of drawing and measuring `c`.
CaseResult RunCase(const Case& c);

// Returns the results of `cases`, in their order, measured on `threads`
// threads (at least 1); prints a dot per hundred drawings to `progress`
// when it is not null.
std::vector<CaseResult> RunCases(const std::vector<Case>& cases, int threads, std::FILE* progress);

// Returns the grid: every category, every drawgen shape, 150, 300, 600 and
// 1200 dpi, the scales 1, 0.5 and 0.25, and every degradation that applies
// to the category; with `subset` > 1 about one in `subset` of them, chosen
// by a hash of their place in the grid so that every shape, resolution,
// scale and degradation keeps its share.
std::vector<Case> Grid(int subset);

// Statistics of one set of measurements against the truth.
struct Stats {
  int drawings = 0;
  int measured = 0;
  double median_error = 0;       // of |value / truth - 1| over the measured
  double worst_error = 0;        // largest in magnitude, signed
  int within_1 = 0;              // measured within 1 % of the truth
  int ranged = 0;                // measured with a range
  int range_holds = 0;           // range holds the truth
  double median_half_width = 0;  // (high - low) / 2 / value, over the ranged
  int off_3 = 0;                 // measured more than 3 % off
  int off_3_ok = 0;              // of which said `ok`
};

// Returns the statistics of `outcomes` against `truths` (same order).
Stats Summarise(const std::vector<Outcome>& outcomes, const std::vector<double>& truths);

// A real drawing with a capacity traced by hand.
struct RealDrawing {
  std::string id;
  std::string file;  // absolute path
  int category = 2;
  bool mirror = false;
  double dpi = 300;
  double scale = 1;
  bool measurable = true;
  double truth_cl = 0;
  double tolerance = 0.05;
  Outcome tool;
  Outcome profile;
};

// Returns the drawings of `folder`/truth.json with their files under
// `folder`/files; empty when the folder or its truth cannot be read.
std::vector<RealDrawing> LoadRealDrawings(const std::string& folder);

// Measures each of `drawings` with its tool and the profile measurement.
void MeasureRealDrawings(std::vector<RealDrawing>* drawings);

// Returns the Markdown report of `results` and `real` (the real drawings,
// or a note that `real_folder` was absent when it is empty), headed by
// `command` and the run's `seconds` on `threads` threads.
std::string Report(const std::vector<CaseResult>& results, const std::vector<RealDrawing>& real,
                   const std::string& real_folder, const std::string& command, double seconds,
                   int threads);

}  // namespace orvello::robustness

#endif  // ORVELLO_BENCH_ROBUSTNESS_ROBUSTNESS_H_
