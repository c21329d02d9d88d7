#include "accuracy/accuracy.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <sstream>
#include <thread>
#include <utility>

#include "common/measure.h"
#include "common/run.h"

namespace orvello::accuracy {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDpis[] = {150, 300, 600, 1200};
constexpr double kScales[] = {1, 0.5, 0.25};
constexpr Rendering kRenderings[] = {Rendering::kClean, Rendering::kAntialiased, Rendering::kNoisy,
                                     Rendering::kAntialiasedNoisy};

Values NoValues() {
  Values v;
  v.fill(kNaN);
  return v;
}

Measurement Failed(std::string_view message, int status) {
  return {status, std::string(message), NoValues()};
}

// The compared quantities of a category's values. Category 3's opening is
// the width of its lowest row, its foot, so it compares with the base.
Values Compared(const ResultValues& values) {
  Values v = NoValues();
  v[kCapacity] = values.Get(ValueId::kVolume);
  if (values.Has(ValueId::kHeight)) {
    v[kTotalHeight] = values.Get(ValueId::kHeight);
    v[kBase] = values.Get(ValueId::kOpening);
    return v;
  }
  v[kLiquidHeight] = values.Get(ValueId::kLiquidHeight);
  v[kTotalHeight] = values.Get(ValueId::kTotalHeight);
  v[kOpening] = values.Get(ValueId::kOpening);
  v[kBase] = values.Get(ValueId::kBase);
  v[kRimWidth] = values.Get(ValueId::kRimWidth);
  return v;
}

std::string Percent(double relative) {
  if (!std::isfinite(relative)) return "—";
  if (std::abs(relative) < 5e-5) return "0.00 %";
  char text[32];
  std::snprintf(text, sizeof text, "%+.2f %%", 100 * relative);
  return text;
}

std::string Number(double value, const char* format) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string CaseName(const Case& c) {
  return drawgen::ShapeName(c.shape) + " " + Number(c.dpi, "%g") + " dpi × " +
         Number(c.scale, "%g");
}

// The quantities a category reports and compares.
std::vector<Quantity> Compared(int category) {
  if (category == 3) return {kCapacity, kTotalHeight, kBase};
  return {kCapacity, kLiquidHeight, kTotalHeight, kOpening, kBase, kRimWidth};
}

std::vector<const CaseResult*> Select(const std::vector<CaseResult>& results, int category,
                                      Rendering rendering) {
  std::vector<const CaseResult*> selected;
  for (const CaseResult& r : results) {
    if (r.c.category == category && r.c.rendering == rendering) selected.push_back(&r);
  }
  return selected;
}

std::vector<double> Errors(const std::vector<const CaseResult*>& results, Quantity q) {
  std::vector<double> errors;
  for (const CaseResult* r : results) errors.push_back(r->errors[q]);
  return errors;
}

int MeasuredCount(const std::vector<const CaseResult*>& results) {
  return static_cast<int>(std::count_if(results.begin(), results.end(), [](const CaseResult* r) {
    return r->measurement.status == 0;
  }));
}

// Returns the measured result of the same drawing as `r` in `rendering`.
const CaseResult* Twin(const std::vector<CaseResult>& results, const CaseResult& r,
                       Rendering rendering) {
  for (const CaseResult& other : results) {
    const Case& o = other.c;
    if (o.category == r.c.category && o.shape == r.c.shape && o.dpi == r.c.dpi &&
        o.scale == r.c.scale && o.rendering == rendering) {
      return &other;
    }
  }
  return nullptr;
}

std::string_view ToolName(int category) { return GetCategory(category).program; }

// Returns the results of `results` whose drawing has at least `density`
// dots per inch of the real vessel (dpi × scale).
std::vector<const CaseResult*> AtLeast(const std::vector<const CaseResult*>& results,
                                       double density) {
  std::vector<const CaseResult*> selected;
  for (const CaseResult* r : results) {
    if (r->c.dpi * r->c.scale >= density) selected.push_back(r);
  }
  return selected;
}

constexpr double kFullSizeDensity = 300;  // 300 dpi at scale 1

// Where the error of each category comes from, as these drawings show it.
const char* Explanation(int category) {
  switch (category) {
    case 3:
      return "Where the error comes from: the edge rule of the row scan gives each "
             "disc the diameter right edge − left edge, one pixel less than the "
             "inclusive width of the ink, so the capacity reads low by about one pixel "
             "over the radius, which halves each time dpi × scale doubles; the 5 × 5 "
             "smoothing before the threshold rounds the corners of the foot, so the "
             "lowest row is up to a few pixels narrower than the foot on small "
             "drawings, while the height counts rows inclusively and stays within a "
             "pixel (the stroke width plays no part: only the outermost ink counts).";
    case 2:
      return "Where the error comes from: the wall column is the inner outline's first "
             "ink pixel left of the axis and the axis the median line's rightmost "
             "column, which match the inner surface and the axis to within a pixel "
             "because the strokes lie inside the material, so wherever the tool's "
             "offsets fit the drawing the capacity is within about a pixel of radius; "
             "but those offsets (20 × f columns skipped next to the axis, the opening "
             "limit 30 × f columns left of it) follow the dpi and not the drawing "
             "scale, so at 150 dpi × 0.25 the rows of a narrow neck fall inside the "
             "skipped columns and add nothing, a narrow mouth lies right of the limit "
             "and the opening is read lower down on the body (or not at all: the "
             "failures above); the base row lies a fixed 15 rows above the inner "
             "floor, above the foot on small drawings, and with a one-pixel stroke "
             "(dpi × scale up to 150) the outer outline lies on the leftmost column, "
             "which the base search never tests, so the inner surface is taken for "
             "the foot; the mean rim width runs from the outer outline's first pixel "
             "to the inner outline's first pixel and so misses the width of the inner "
             "stroke, at every resolution.";
    default:
      return "";
  }
}

// Returns how many clean drawings both section tools measure, and for how
// many of them the category-1 capacity, heights and diameters equal the
// category-2 ones.
std::pair<int, int> SectionAgreement(const std::vector<CaseResult>& results) {
  int both = 0, same = 0;
  for (const CaseResult* r : Select(results, 1, Rendering::kClean)) {
    const CaseResult* twin = nullptr;
    for (const CaseResult& other : results) {
      const Case& o = other.c;
      if (o.category == 2 && o.shape == r->c.shape && o.dpi == r->c.dpi && o.scale == r->c.scale &&
          o.rendering == Rendering::kClean) {
        twin = &other;
      }
    }
    if (twin == nullptr || r->measurement.status != 0 || twin->measurement.status != 0) continue;
    ++both;
    bool equal = true;
    for (const Quantity q : {kCapacity, kLiquidHeight, kTotalHeight, kOpening, kBase}) {
      const double a = r->measurement.values[q];
      const double b = twin->measurement.values[q];
      equal &= std::abs(a - b) <= 1e-9 * std::abs(b);
    }
    same += equal;
  }
  return {both, same};
}

std::string LeftEdgeExplanation(const std::vector<CaseResult>& results) {
  const auto [both, same] = SectionAgreement(results);
  return "Where the error comes from: the filled section outline has the inner surface "
         "as its inner edge and the closing stroke's rightmost column as its axis, and "
         "its scans are those of category 2, so where it measures at all its capacity, "
         "heights and diameters equal those of category 2 on the same vessel, "
         "resolution and scale (" +
         std::to_string(same) + " of the " + std::to_string(both) +
         " drawings both tools measured); its mean rim width counts the filled "
         "section's pixels per liquid row, so it does not miss the stroke width; and "
         "the section outline must be longer than 3000 pixels, which a 10 cm vessel "
         "reaches only from 300 dpi at scale 1 (the length grows with dpi × scale), so "
         "every smaller drawing fails with the message above.";
}

std::string Cell(const Summary& s, double value) { return Percent(s.count ? value : kNaN); }

void WriteQuantityTable(std::ostringstream& out, const std::vector<const CaseResult*>& selected,
                        int category) {
  const std::vector<const CaseResult*> large = AtLeast(selected, kFullSizeDensity);
  out << "| value | median | worst | measured | median, dpi × scale ≥ 300 | worst, dpi × "
         "scale ≥ 300 | measured, dpi × scale ≥ 300 |\n"
         "|---|---|---|---|---|---|---|\n";
  for (const Quantity q : Compared(category)) {
    const Summary s = Summarise(Errors(selected, q));
    const Summary l = Summarise(Errors(large, q));
    std::string name(QuantityName(q));
    if (category == 3 && q == kBase) name += " (the tool's \"Diametre ouverture\")";
    out << "| " << name << " | " << Cell(s, s.median) << " | " << Cell(s, s.worst) << " | "
        << s.count << " of " << selected.size() << " | " << Cell(l, l.median) << " | "
        << Cell(l, l.worst) << " | " << l.count << " of " << large.size() << " |\n";
  }
  out << "\n";
}

void WriteFailures(std::ostringstream& out, const std::vector<const CaseResult*>& selected) {
  std::map<std::string, std::vector<std::string>> by_message;
  for (const CaseResult* r : selected) {
    if (r->measurement.status != 0) {
      by_message["\"" + r->measurement.message + "\" (status " +
                 std::to_string(r->measurement.status) + ")"]
          .push_back(CaseName(r->c));
    }
  }
  if (by_message.empty()) {
    out << "Every drawing was measured.\n\n";
    return;
  }
  out << "Drawings that could not be measured at all:\n\n";
  for (const auto& [message, names] : by_message) {
    out << "- " << names.size() << " ended with " << message << ": ";
    for (size_t i = 0; i < names.size(); ++i) out << (i ? ", " : "") << names[i];
    out << ".\n";
  }
  out << "\n";
}

void WriteResolutionTable(std::ostringstream& out, const std::vector<const CaseResult*>& selected) {
  out << "Capacity error by resolution and scale (median over the six shapes, the worst "
         "in brackets, and how many shapes were measured):\n\n| dpi |";
  for (const double scale : kScales) out << " scale " << Number(scale, "%g") << " |";
  out << "\n|---|";
  for (size_t i = 0; i < std::size(kScales); ++i) out << "---|";
  out << "\n";
  for (const double dpi : kDpis) {
    out << "| " << Number(dpi, "%g") << " |";
    for (const double scale : kScales) {
      std::vector<const CaseResult*> cell;
      for (const CaseResult* r : selected) {
        if (r->c.dpi == dpi && r->c.scale == scale) cell.push_back(r);
      }
      const Summary s = Summarise(Errors(cell, kCapacity));
      if (s.count == 0) {
        out << " not measured (0 of " << cell.size() << ") |";
      } else {
        out << " " << Percent(s.median) << " (" << Percent(s.worst) << "), " << s.count << " of "
            << cell.size() << " |";
      }
    }
    out << "\n";
  }
  out << "\n";
}

// Returns the relative changes of the capacity of the drawings of `category`
// in `rendering` against the same drawings clean.
std::vector<double> CapacityChanges(const std::vector<CaseResult>& results, int category,
                                    Rendering rendering) {
  std::vector<double> changes;
  for (const CaseResult* r : Select(results, category, rendering)) {
    const CaseResult* clean = Twin(results, *r, Rendering::kClean);
    if (clean == nullptr) continue;
    const double a = r->measurement.values[kCapacity];
    const double b = clean->measurement.values[kCapacity];
    changes.push_back((a - b) / b);
  }
  return changes;
}

void WriteRenderingTable(std::ostringstream& out, const std::vector<CaseResult>& results,
                         int category) {
  out << "Category " << category
      << ":\n\n| rendering | measured | capacity median | capacity worst | "
         "total height median | "
      << (category == 3 ? "foot width median" : "opening median")
      << " | capacity change against the clean drawing: median | worst |\n"
         "|---|---|---|---|---|---|---|---|\n";
  const Quantity width = category == 3 ? kBase : kOpening;
  for (const Rendering rendering : kRenderings) {
    const std::vector<const CaseResult*> selected = Select(results, category, rendering);
    const Summary capacity = Summarise(Errors(selected, kCapacity));
    const Summary height = Summarise(Errors(selected, kTotalHeight));
    const Summary opening = Summarise(Errors(selected, width));
    const Summary change = Summarise(CapacityChanges(results, category, rendering));
    out << "| " << RenderingName(rendering) << " | " << MeasuredCount(selected) << " of "
        << selected.size() << " | " << Cell(capacity, capacity.median) << " | "
        << Cell(capacity, capacity.worst) << " | " << Cell(height, height.median) << " | "
        << Cell(opening, opening.median) << " | " << Cell(change, change.median) << " | "
        << Cell(change, change.worst) << " |\n";
  }
  out << "\n";
}

// Returns the largest magnitude of the capacity changes of `rendering` over
// every category.
double LargestChange(const std::vector<CaseResult>& results, Rendering rendering) {
  double largest = 0;
  for (const int category : {1, 2, 3}) {
    const Summary s = Summarise(CapacityChanges(results, category, rendering));
    if (s.count) largest = std::max(largest, std::abs(s.worst));
  }
  return largest;
}

void WriteHeadline(std::ostringstream& out, const std::vector<CaseResult>& results) {
  out << "## In short\n\n| category | capacity, dpi × scale ≥ 300: median | worst | "
         "capacity, all drawings: median | worst | not measured |\n"
         "|---|---|---|---|---|---|\n";
  for (const int category : {3, 2, 1}) {
    const std::vector<const CaseResult*> clean = Select(results, category, Rendering::kClean);
    const Summary l = Summarise(Errors(AtLeast(clean, kFullSizeDensity), kCapacity));
    const Summary s = Summarise(Errors(clean, kCapacity));
    out << "| " << category << " (`" << ToolName(category) << "`) | " << Cell(l, l.median) << " | "
        << Cell(l, l.worst) << " | " << Cell(s, s.median) << " | " << Cell(s, s.worst) << " | "
        << clean.size() - MeasuredCount(clean) << " of " << clean.size() << " |\n";
  }
  out << "\n";
}

}  // namespace

std::string_view QuantityName(Quantity q) {
  static constexpr std::string_view kNames[] = {"capacity",      "liquid height",
                                                "total height",  "opening diameter",
                                                "base diameter", "mean rim width"};
  return kNames[q];
}

std::string_view RenderingName(Rendering r) {
  switch (r) {
    case Rendering::kClean:
      return "clean";
    case Rendering::kAntialiased:
      return "anti-aliased";
    case Rendering::kNoisy:
      return "scan noise";
    case Rendering::kAntialiasedNoisy:
      return "anti-aliased and scan noise";
  }
  return "";
}

Measurement MeasureDrawing(int category, const cv::Mat& drawing, double dpi, double scale) {
  if (!ArgsValid({"", dpi, scale})) return Failed(kBadArgumentsMessage, kStatusBadArguments);
  const CategoryMeasurement m = Measure(GetCategory(category), drawing, dpi, scale);
  if (m.failure != Failure::kNone) return Failed(FailureMessage(m.failure), kStatusNoReference);
  return {kStatusDone, "", Compared(m.values)};
}

Values TruthValues(int category, const drawgen::Analytic& truth) {
  Values v = NoValues();
  v[kCapacity] = truth.capacity_cl;
  v[kTotalHeight] = truth.total_height_cm;
  v[kBase] = truth.base_diameter_cm;
  if (category != 3) {
    v[kLiquidHeight] = truth.liquid_height_cm;
    v[kOpening] = truth.opening_diameter_cm;
    v[kRimWidth] = truth.rim_width_cm;
  }
  return v;
}

CaseResult RunCase(const Case& c) {
  drawgen::DrawOptions options;
  options.category = c.category;
  options.shape = c.shape;
  options.dpi = c.dpi;
  options.scale = c.scale;
  options.antialias =
      c.rendering == Rendering::kAntialiased || c.rendering == Rendering::kAntialiasedNoisy;
  options.noise = c.rendering == Rendering::kNoisy || c.rendering == Rendering::kAntialiasedNoisy;
  const drawgen::Drawing drawing = drawgen::Draw(options);
  CaseResult result{c, MeasureDrawing(c.category, drawing.image, c.dpi, c.scale), NoValues()};
  const Values truth = TruthValues(c.category, drawing.truth);
  for (int q = 0; q < kQuantityCount; ++q) {
    result.errors[q] = (result.measurement.values[q] - truth[q]) / truth[q];
  }
  return result;
}

std::vector<CaseResult> RunCases(const std::vector<Case>& cases, int threads) {
  // The largest drawings go first, so that no thread is left with one at the end.
  std::vector<size_t> order(cases.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  auto work = [&](size_t i) {
    const Case& c = cases[i];
    const bool antialias =
        c.rendering == Rendering::kAntialiased || c.rendering == Rendering::kAntialiasedNoisy;
    return c.dpi * c.scale * c.dpi * c.scale * (antialias ? 9 : 1);
  };
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return work(a) > work(b); });

  std::vector<CaseResult> results(cases.size());
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t k = next++; k < order.size(); k = next++) {
      results[order[k]] = RunCase(cases[order[k]]);
    }
  };
  std::vector<std::thread> pool;
  for (int t = 0; t < std::max(1, threads); ++t) pool.emplace_back(worker);
  for (std::thread& t : pool) t.join();
  return results;
}

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (const Rendering rendering : kRenderings) {
    for (const int category : {3, 2, 1}) {
      for (const drawgen::Shape shape : drawgen::AllShapes()) {
        for (const double dpi : kDpis) {
          for (const double scale : kScales) {
            cases.push_back({category, shape, dpi, scale, rendering});
          }
        }
      }
    }
  }
  return cases;
}

Summary Summarise(const std::vector<double>& errors) {
  std::vector<double> finite;
  for (const double e : errors) {
    if (std::isfinite(e)) finite.push_back(e);
  }
  Summary s;
  s.count = static_cast<int>(finite.size());
  if (finite.empty()) return s;
  std::sort(finite.begin(), finite.end());
  const size_t n = finite.size();
  s.median = n % 2 ? finite[n / 2] : (finite[n / 2 - 1] + finite[n / 2]) / 2;
  s.worst = std::abs(finite.front()) > std::abs(finite.back()) ? finite.front() : finite.back();
  return s;
}

std::string Report(const std::vector<CaseResult>& results, const std::string& command,
                   double seconds) {
  std::ostringstream out;
  out << "# Accuracy of the measurements\n\n"
         "Made by `orvello_accuracy` (bench/accuracy), run from the top of the repository "
         "as\n\n```sh\n"
         "cmake -S . -B build-acc -G Ninja -DORVELLO_BUILD_FRONTEND=OFF "
         "-DORVELLO_BUILD_TESTS=OFF\n"
         "cmake --build build-acc -j2 --target orvello_accuracy\n"
      << command << "\n```\n\nwhich measured " << results.size() << " drawings in "
      << Number(seconds, "%.0f")
      << " s (the second argument is the number of threads). Every figure below comes "
         "from that run.\n\n"
         "Each drawing is made by the drawing generator (`testing/drawgen`): a vessel "
         "10 cm tall of each of the six shapes (cylinder, bowl, globular, necked, beaker, "
         "cone), in each category, at 150, 300, 600 and 1200 dpi and at the scales 1, "
         "0.5 and 0.25, so 72 drawings per category and rendering, together with the "
         "analytic values of the drawn vessel, computed from its profile and never from "
         "the picture. Each drawing is measured in-process by the tool's own "
         "measurement function, the one its main() calls after the argument check "
         "(`MeasureSilhouetteDrawing`, `MeasureMedianDrawing`, `MeasureLeftEdgeDrawing`), "
         "on the image as generated "
         "(no file is written or read, so there is no JPEG loss). The category-3 "
         "silhouettes are filled; an outline gives the same values.\n\n"
         "The relative error is (measured − analytic) ÷ analytic. A median is that of "
         "the signed errors of the drawings measured; the worst error is the one "
         "largest in magnitude, with its sign. Capacity is the interior capacity from "
         "the rim top to the inner floor (categories 1 and 2) or the volume of the "
         "exterior silhouette (category 3); the mean rim width is compared with the "
         "mean horizontal wall thickness over the liquid height. \"dpi × scale ≥ 300\" "
         "selects the drawings with at least 300 dots per inch of the real vessel "
         "(300 dpi at full size, 600 dpi at half size, 1200 dpi at quarter size).\n\n";
  WriteHeadline(out, results);

  for (const int category : {3, 2, 1}) {
    const std::vector<const CaseResult*> clean = Select(results, category, Rendering::kClean);
    out << "## Category " << category << " (`" << ToolName(category) << "`)\n\n";
    if (category == 3) {
      out << "The category-3 tool reports as \"Diametre ouverture\" the width of the "
             "lowest row of the silhouette, the foot, so it is compared with the "
             "analytic base diameter; it reports no liquid height.\n\n";
    }
    out << "Clean drawings:\n\n";
    WriteQuantityTable(out, clean, category);
    WriteFailures(out, clean);
    WriteResolutionTable(out, clean);
    out << (category == 1 ? LeftEdgeExplanation(results) : Explanation(category)) << "\n\n";
  }

  out << "## Anti-aliasing and scan noise\n\n"
         "The same drawings (same shapes, resolutions and scales) rendered four ways: "
         "clean (a pixel is ink when its centre lies in the drawn shape), anti-aliased "
         "(each pixel the mean of 3 × 3 samples), with light scan noise (grey paper, "
         "Gaussian grain of standard deviation 6 grey levels, a few light specks), and "
         "both. The capacity change compares each drawing with its clean twin.\n\n";
  for (const int category : {3, 2, 1}) WriteRenderingTable(out, results, category);
  const double antialias = LargestChange(results, Rendering::kAntialiased);
  const double noise = LargestChange(results, Rendering::kNoisy);
  out << "Anti-aliasing leaves half-covered grey pixels on every edge, which the Otsu "
         "threshold puts on the ink side or the paper side, so an edge moves by at most "
         "about half a pixel: it changed the capacity of no drawing by more than "
      << Percent(antialias).substr(1)
      << ", the largest changes on the smallest drawings, and it makes the category-3 "
         "foot less ragged. The grain of the scan noise lies far from the threshold "
         "between paper (grey 230) and ink, and its specks are lighter than the "
         "threshold, so it "
      << (noise == 0 ? std::string("changed no capacity at all.")
                     : "changed no capacity by more than " + Percent(noise).substr(1) + ".")
      << "\n";
  return out.str();
}

}  // namespace orvello::accuracy
