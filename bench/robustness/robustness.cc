#include "robustness/robustness.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <sstream>
#include <thread>
#include <utility>

#include "batch/capacity.h"
#include "common/measure.h"
#include "common/run.h"
#include "profile/profile.h"

namespace orvello::robustness {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDpis[] = {150, 300, 600, 1200};
constexpr double kScales[] = {1, 0.5, 0.25};
// The goals hold for drawings with at least this many dots per real inch.
constexpr double kLeastDensity = 75;

using drawgen::DrawOptions;

const Degradation kDegradations[] = {
    {"clean", {true, true, true}, [](DrawOptions*) {}},
    {"scan (anti-aliased, noise)",
     {true, true, true},
     [](DrawOptions* o) {
       o->antialias = true;
       o->noise = true;
     }},
    {"middle-of-stroke surface",
     {true, true, true},
     [](DrawOptions* o) {
       o->surface = drawgen::Surface::kMiddle;
       o->filled = false;  // category 3: an outline, whose middle is the surface
     }},
    {"outline silhouette", {false, false, true}, [](DrawOptions* o) { o->filled = false; }},
    {"skew 1°", {true, true, true}, [](DrawOptions* o) { o->skew_deg = 1; }},
    {"skew −3°", {true, true, true}, [](DrawOptions* o) { o->skew_deg = -3; }},
    {"caption and number", {true, true, true}, [](DrawOptions* o) { o->caption = true; }},
    {"scale bar", {true, true, true}, [](DrawOptions* o) { o->scale_bar = true; }},
    {"specks (40)", {true, true, true}, [](DrawOptions* o) { o->specks = 40; }},
    {"pen 0.5 mm", {true, true, true}, [](DrawOptions* o) { o->pen_mm = 0.5; }},
    {"pen 1 mm", {true, true, true}, [](DrawOptions* o) { o->pen_mm = 1; }},
    {"black section",
     {true, true, false},
     [](DrawOptions* o) { o->section_fill = drawgen::SectionFill::kBlack; }},
    {"grey section",
     {true, true, false},
     [](DrawOptions* o) { o->section_fill = drawgen::SectionFill::kGrey; }},
    {"hatched section",
     {true, true, false},
     [](DrawOptions* o) { o->section_fill = drawgen::SectionFill::kHatched; }},
    {"breaks (3)",
     {true, true, true},
     [](DrawOptions* o) {
       o->breaks = 3;
       o->filled = false;  // category 3: only an outline can break
     }},
    {"JPEG quality 50", {true, true, true}, [](DrawOptions* o) { o->jpeg_quality = 50; }},
    {"handle", {true, true, true}, [](DrawOptions* o) { o->handle = true; }},
    {"plate (all of caption, bar, specks, skew 0.7°, middle surface, scan, JPEG 75)",
     {true, true, true},
     [](DrawOptions* o) {
       o->caption = true;
       o->scale_bar = true;
       o->specks = 20;
       o->skew_deg = 0.7;
       o->surface = drawgen::Surface::kMiddle;
       o->filled = false;
       o->antialias = true;
       o->noise = true;
       o->jpeg_quality = 75;
     }},
};

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Percent(double relative) {
  if (!std::isfinite(relative)) return "—";
  return Format("%+.2f %%", 100 * relative);
}

std::string Share(int part, int whole) {
  if (whole == 0) return "—";
  return std::to_string(part) + "/" + std::to_string(whole);
}

double Median(std::vector<double> values) {
  if (values.empty()) return kNaN;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

Outcome Refused(std::string_view note) {
  Outcome o;
  o.note = note;
  o.value_cl = o.low_cl = o.high_cl = kNaN;
  return o;
}

std::string_view ToolName(int category) { return GetCategory(category).program; }

}  // namespace

const std::vector<Degradation>& Degradations() {
  static const std::vector<Degradation> kAll(std::begin(kDegradations), std::end(kDegradations));
  return kAll;
}

DrawOptions OptionsOf(const Case& c) {
  DrawOptions o;
  o.category = c.category;
  o.shape = c.shape;
  o.dpi = c.dpi;
  o.scale = c.scale;
  o.seed = static_cast<unsigned>(1 + c.degradation * 97 + static_cast<int>(c.shape) * 13 +
                                 static_cast<int>(c.dpi) + static_cast<int>(100 * c.scale));
  Degradations()[c.degradation].apply(&o);
  return o;
}

std::string Describe(const Case& c) {
  return "category " + std::to_string(c.category) + ", " + drawgen::ShapeName(c.shape) + ", " +
         Format("%g", c.dpi) + " dpi × " + Format("%g", c.scale) + ", " +
         std::string(Degradations()[c.degradation].name);
}

Outcome MeasureWithTool(int category, const cv::Mat& drawing, double dpi, double scale) {
  if (!ArgsValid({"", dpi, scale})) return Refused(kBadArgumentsMessage);
  const CategoryMeasurement m = Measure(GetCategory(category), drawing, dpi, scale);
  if (m.failure != Failure::kNone) return Refused(FailureMessage(m.failure));
  const batch::CapacityRange range = batch::CapacityRangeOf(m.discs, 0);
  Outcome o;
  o.measured = true;
  o.ok = true;  // a tool that measures ends with status 0
  o.value_cl = m.values.Get(ValueId::kVolume);
  o.low_cl = range.low_cl;
  o.high_cl = range.high_cl;
  return o;
}

Outcome MeasureWithProfile(int category, const cv::Mat& drawing, double dpi, double scale,
                           bool mirror, drawgen::Surface surface) {
  profile::ProfileParams params;
  params.dpi = dpi;
  params.scale = scale;
  params.category = category;
  params.mirror = mirror;
  params.surface =
      surface == drawgen::Surface::kMiddle ? profile::Surface::kMiddle : profile::Surface::kEdge;
  const profile::ProfileResult r = profile::MeasureProfile(drawing, params);
  Outcome o;
  std::string warnings;
  for (const std::string& w : r.warnings) warnings += (warnings.empty() ? "" : ";") + w;
  const double value = category == 3 ? r.solid_cl : r.capacity_cl;
  if (!r.measured || !std::isfinite(value)) {
    o = Refused(r.measured ? "measured without a value" : r.refusal);
    if (!warnings.empty()) o.note += " [" + warnings + "]";
    return o;
  }
  o.measured = true;
  o.ok = r.confidence == profile::Confidence::kOk;
  o.value_cl = value;
  o.low_cl = category == 3 ? r.solid_low_cl : r.capacity_low_cl;
  o.high_cl = category == 3 ? r.solid_high_cl : r.capacity_high_cl;
  o.note = warnings;
  return o;
}

CaseResult RunCase(const Case& c) {
  const DrawOptions options = OptionsOf(c);
  const drawgen::Drawing drawing = drawgen::Draw(options);
  CaseResult r;
  r.c = c;
  r.truth_cl = drawing.truth.capacity_cl;
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  r.tool = MeasureWithTool(c.category, drawing.image, c.dpi, c.scale);
  const auto middle = Clock::now();
  r.profile = MeasureWithProfile(c.category, drawing.image, c.dpi, c.scale, options.mirrored,
                                 options.surface);
  const auto end = Clock::now();
  r.seconds_tool = std::chrono::duration<double>(middle - start).count();
  r.seconds_profile = std::chrono::duration<double>(end - middle).count();
  return r;
}

std::vector<CaseResult> RunCases(const std::vector<Case>& cases, int threads, std::FILE* progress) {
  // The largest drawings first, so that no thread is left with one at the end.
  std::vector<size_t> order(cases.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  auto work = [&](size_t i) { return cases[i].dpi * cases[i].scale; };
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return work(a) > work(b); });
  std::vector<CaseResult> results(cases.size());
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t k = next++; k < order.size(); k = next++) {
      results[order[k]] = RunCase(cases[order[k]]);
      if (progress != nullptr && k % 100 == 99) {
        std::fputc('.', progress);
        std::fflush(progress);
      }
    }
  };
  std::vector<std::thread> pool;
  for (int t = 0; t < std::max(1, threads); ++t) pool.emplace_back(worker);
  for (std::thread& t : pool) t.join();
  if (progress != nullptr) std::fputc('\n', progress);
  return results;
}

std::vector<Case> Grid(int subset) {
  std::vector<Case> cases;
  int index = 0;
  for (int category : {1, 2, 3}) {
    for (int d = 0; d < static_cast<int>(Degradations().size()); ++d) {
      if (!Degradations()[d].categories[category - 1]) continue;
      for (const drawgen::Shape shape : drawgen::AllShapes()) {
        for (const double dpi : kDpis) {
          for (const double scale : kScales) {
            // A hash of the position spreads the kept drawings over every
            // shape, resolution and scale, whatever the subset.
            uint64_t h = static_cast<uint64_t>(index++) * 0x9e3779b97f4a7c15ull;
            h ^= h >> 31;
            const bool keep = subset <= 1 || h % static_cast<uint64_t>(subset) == 0;
            if (keep) cases.push_back({category, shape, dpi, scale, d});
          }
        }
      }
    }
  }
  return cases;
}

Stats Summarise(const std::vector<Outcome>& outcomes, const std::vector<double>& truths) {
  Stats s;
  std::vector<double> errors;
  std::vector<double> widths;
  for (size_t i = 0; i < outcomes.size(); ++i) {
    const Outcome& o = outcomes[i];
    const double truth = truths[i];
    ++s.drawings;
    if (!o.measured) continue;
    ++s.measured;
    const double error = o.value_cl / truth - 1;
    errors.push_back(std::abs(error));
    if (std::abs(error) > std::abs(s.worst_error) || s.measured == 1) s.worst_error = error;
    s.within_1 += std::abs(error) <= 0.01;
    if (std::abs(error) > 0.03) {
      ++s.off_3;
      s.off_3_ok += o.ok;
    }
    if (std::isfinite(o.low_cl) && std::isfinite(o.high_cl) && o.value_cl > 0) {
      ++s.ranged;
      s.range_holds += o.low_cl <= truth && truth <= o.high_cl;
      widths.push_back((o.high_cl - o.low_cl) / 2 / o.value_cl);
    }
  }
  s.median_error = Median(errors);
  s.median_half_width = Median(widths);
  return s;
}

std::vector<RealDrawing> LoadRealDrawings(const std::string& folder) {
  std::vector<RealDrawing> drawings;
  std::ifstream in(std::filesystem::path(folder) / "truth.json");
  if (!in) return drawings;
  nlohmann::json doc;
  try {
    doc = nlohmann::json::parse(in);
    for (const nlohmann::json& d : doc.at("drawings")) {
      RealDrawing r;
      r.id = d.at("id").get<std::string>();
      r.file = (std::filesystem::path(folder) / "files" / d.at("file").get<std::string>()).string();
      r.category = d.at("category").get<int>();
      r.mirror = d.contains("mirror") && d.at("mirror").is_boolean() && d.at("mirror").get<bool>();
      r.dpi = d.at("dpi").get<double>();
      r.scale = d.at("scale").get<double>();
      r.measurable = !d.contains("measurable") || !d.at("measurable").is_boolean() ||
                     d.at("measurable").get<bool>();
      const char* key = r.category == 3 ? "solid_cl" : "capacity_cl";
      r.truth_cl =
          r.measurable && d.contains(key) && d.at(key).is_number() ? d.at(key).get<double>() : kNaN;
      if (d.contains("tolerance") && d.at("tolerance").is_number()) {
        r.tolerance = d.at("tolerance").get<double>();
      }
      drawings.push_back(r);
    }
  } catch (const nlohmann::json::exception&) {
    return {};
  }
  return drawings;
}

void MeasureRealDrawings(std::vector<RealDrawing>* drawings) {
  for (RealDrawing& r : *drawings) {
    cv::Mat image = cv::imread(r.file, cv::IMREAD_COLOR);
    if (image.empty()) {
      r.tool = r.profile = Refused("cannot read " + r.file);
      continue;
    }
    // The tools see the section on the left, as orvello-batch's mirror gives it.
    cv::Mat for_tool = image;
    if (r.mirror) cv::flip(image, for_tool, 1);
    r.tool = MeasureWithTool(r.category, for_tool, r.dpi, r.scale);
    // Real plates: strokes follow the surface.
    r.profile =
        MeasureWithProfile(r.category, image, r.dpi, r.scale, r.mirror, drawgen::Surface::kMiddle);
  }
}

namespace {

std::vector<const CaseResult*> Select(const std::vector<CaseResult>& results, int category,
                                      int degradation, bool large) {
  std::vector<const CaseResult*> selected;
  for (const CaseResult& r : results) {
    if (r.c.category != category) continue;
    if (degradation >= 0 && r.c.degradation != degradation) continue;
    if ((r.c.dpi * r.c.scale >= kLeastDensity) != large) continue;
    selected.push_back(&r);
  }
  return selected;
}

Stats StatsOf(const std::vector<const CaseResult*>& results, bool profile) {
  std::vector<Outcome> outcomes;
  std::vector<double> truths;
  for (const CaseResult* r : results) {
    outcomes.push_back(profile ? r->profile : r->tool);
    truths.push_back(r->truth_cl);
  }
  return Summarise(outcomes, truths);
}

std::string StatsCells(const Stats& s) {
  const bool any = s.measured > 0;
  return Share(s.measured, s.drawings) + " | " +
         (any ? Format("%.2f %%", 100 * s.median_error) : "—") + " | " +
         (any ? Percent(s.worst_error) : "—") + " | " + Share(s.within_1, s.measured) + " | " +
         Share(s.range_holds, s.ranged) + " | " +
         (s.ranged ? Format("%.2f %%", 100 * s.median_half_width) : "—") + " | " +
         Share(s.off_3_ok, s.off_3);
}

constexpr const char* kStatsHeader =
    "| degradation | measured | median error | worst error | within 1 % | range holds the truth "
    "| median range half-width | > 3 % off yet `ok` |\n|---|---|---|---|---|---|---|---|\n";

void WriteCategory(std::ostringstream& out, const std::vector<CaseResult>& results, int category,
                   bool profile) {
  out << kStatsHeader;
  for (int d = 0; d < static_cast<int>(Degradations().size()); ++d) {
    if (!Degradations()[d].categories[category - 1]) continue;
    const auto selected = Select(results, category, d, true);
    if (selected.empty()) continue;
    out << "| " << Degradations()[d].name << " | " << StatsCells(StatsOf(selected, profile))
        << " |\n";
  }
  const auto all = Select(results, category, -1, true);
  out << "| **all** | " << StatsCells(StatsOf(all, profile)) << " |\n\n";
}

// The most common notes (failure messages, refusals) of a set.
std::string CommonNotes(const std::vector<const CaseResult*>& results, bool profile, bool failed) {
  std::map<std::string, int> counts;
  for (const CaseResult* r : results) {
    const Outcome& o = profile ? r->profile : r->tool;
    if (o.measured == failed) continue;
    if (!o.note.empty()) ++counts[o.note];
  }
  std::vector<std::pair<int, std::string>> sorted;
  for (const auto& [note, count] : counts) sorted.emplace_back(count, note);
  std::sort(sorted.rbegin(), sorted.rend());
  std::string text;
  for (size_t i = 0; i < sorted.size() && i < 4; ++i) {
    text += (i ? "; " : "") + std::to_string(sorted[i].first) + " × \"" + sorted[i].second + "\"";
  }
  return text;
}

void WriteWorstCases(std::ostringstream& out, const std::vector<CaseResult>& results) {
  std::vector<const CaseResult*> bad;
  for (const CaseResult& r : results) {
    if (r.c.dpi * r.c.scale < kLeastDensity || !r.profile.measured) continue;
    if (std::abs(r.profile.value_cl / r.truth_cl - 1) > 0.01) bad.push_back(&r);
  }
  std::sort(bad.begin(), bad.end(), [](const CaseResult* a, const CaseResult* b) {
    if (a->profile.ok != b->profile.ok) return a->profile.ok;
    return std::abs(a->profile.value_cl / a->truth_cl - 1) >
           std::abs(b->profile.value_cl / b->truth_cl - 1);
  });
  out << "## The profile measurement's largest errors\n\n"
         "Drawings of at least 75 dots per real inch that the profile measurement got more "
         "than 1 % wrong, those it said `ok` for first, then by the size of the error "
         "(at most 25; "
      << bad.size()
      << " in all). Each can be redrawn with `drawgen` and the options of its degradation.\n\n";
  if (bad.empty()) {
    out << "None.\n\n";
    return;
  }
  out << "| drawing | truth cL | profile cL | error | confidence | range | warnings |\n"
         "|---|---|---|---|---|---|---|\n";
  for (size_t i = 0; i < bad.size() && i < 25; ++i) {
    const CaseResult& r = *bad[i];
    out << "| " << Describe(r.c) << " | " << Format("%.2f", r.truth_cl) << " | "
        << Format("%.2f", r.profile.value_cl) << " | "
        << Percent(r.profile.value_cl / r.truth_cl - 1) << " | " << (r.profile.ok ? "ok" : "check")
        << " | "
        << (std::isfinite(r.profile.low_cl)
                ? Format("%.2f", r.profile.low_cl) + " – " + Format("%.2f", r.profile.high_cl)
                : "—")
        << " | " << (r.profile.note.empty() ? "—" : r.profile.note) << " |\n";
  }
  out << "\n";
}

// The verdict on the profile measurement of a real drawing: within its
// tolerance, off, or wrong with `ok` (more than 10 % off, or a value vouched
// for on a drawing that holds none); refused.
std::string Verdict(const RealDrawing& r) {
  const Outcome& p = r.profile;
  if (!std::isfinite(r.truth_cl)) {
    return p.measured && p.ok ? "**wrong with ok**" : "correct (no value vouched for)";
  }
  if (!p.measured) return "refused";
  const double error = std::abs(p.value_cl / r.truth_cl - 1);
  if (error <= r.tolerance) return "within " + Format("%.0f %%", 100 * r.tolerance);
  return error > 0.1 && p.ok ? "**wrong with ok**" : "off";
}

void WriteRealDrawings(std::ostringstream& out, const std::vector<RealDrawing>& real,
                       const std::string& folder) {
  out << "## Real drawings\n\n";
  if (folder.empty()) {
    out << "Not measured: no folder of real drawings was given (`--real DIR`).\n\n";
    return;
  }
  if (real.empty()) {
    out << "Not measured: `" << folder
        << "` is absent or holds no readable `truth.json`; the real drawings are not part of "
           "this repository.\n\n";
    return;
  }
  out << "Published drawings whose interiors were traced by hand (kept outside this "
         "repository, read from the folder given with `--real`). The tool is given the "
         "drawing mirrored as `orvello-batch --mirror` does; the profile measurement the "
         "drawing as it is, with its mirror flag and the middle-of-stroke surface.\n\n"
         "| drawing | category | truth cL | tool cL | tool error | profile cL | profile "
         "error | range | confidence | verdict | warnings or refusal |\n"
         "|---|---|---|---|---|---|---|---|---|---|---|\n";
  for (const RealDrawing& r : real) {
    auto value = [](const Outcome& o) {
      return o.measured ? Format("%.2f", o.value_cl) : std::string("refused");
    };
    auto error = [&](const Outcome& o) {
      return o.measured && std::isfinite(r.truth_cl) ? Percent(o.value_cl / r.truth_cl - 1)
                                                     : std::string("—");
    };
    const Outcome& p = r.profile;
    out << "| " << r.id << " | " << r.category << " | "
        << (std::isfinite(r.truth_cl) ? Format("%.2f", r.truth_cl) : std::string("not a container"))
        << " | " << value(r.tool) << " | " << error(r.tool) << " | " << value(p) << " | "
        << error(p) << " | "
        << (p.measured && std::isfinite(p.low_cl)
                ? Format("%.2f", p.low_cl) + " – " + Format("%.2f", p.high_cl)
                : "—")
        << " | " << (p.measured ? (p.ok ? "ok" : "check") : "—") << " | " << Verdict(r) << " | "
        << (p.note.empty() ? "—" : p.note) << " |\n";
  }
  out << "\n";
}

void WriteSpeed(std::ostringstream& out, const std::vector<CaseResult>& results) {
  out << "## Time per drawing\n\nMedian time of one measurement on one thread, by dots per "
         "real inch (dpi × scale; the drawing's pixel count grows with its square; both "
         "measurements ran while the other thread measured too):\n\n"
         "| dpi × scale | drawings | tool | profile | profile ÷ tool |\n|---|---|---|---|---|\n";
  std::map<double, std::pair<std::vector<double>, std::vector<double>>> by_density;
  for (const CaseResult& r : results) {
    auto& times = by_density[r.c.dpi * r.c.scale];
    times.first.push_back(r.seconds_tool);
    times.second.push_back(r.seconds_profile);
  }
  for (const auto& [density, times] : by_density) {
    const double tool = Median(times.first);
    const double profile = Median(times.second);
    out << "| " << Format("%g", density) << " | " << times.first.size() << " | "
        << Format("%.3f s", tool) << " | " << Format("%.3f s", profile) << " | "
        << (tool > 0 ? Format("%.1f", profile / tool) : std::string("—")) << " |\n";
  }
  out << "\n";
}

}  // namespace

std::string Report(const std::vector<CaseResult>& results, const std::vector<RealDrawing>& real,
                   const std::string& real_folder, const std::string& command, double seconds,
                   int threads) {
  double tool_seconds = 0, profile_seconds = 0;
  int small = 0;
  for (const CaseResult& r : results) {
    tool_seconds += r.seconds_tool;
    profile_seconds += r.seconds_profile;
    small += r.c.dpi * r.c.scale < kLeastDensity;
  }
  std::ostringstream out;
  out << "# Robustness of the measurements\n\n"
         "Made by `orvello_robustness` (bench/robustness), run from the top of the "
         "repository as\n\n```sh\n"
         "cmake -S . -B build -G Ninja -DORVELLO_BUILD_FRONTEND=OFF\n"
         "cmake --build build -j2 --target orvello_robustness\n"
      << command << "\n```\n\nwhich drew and measured " << results.size() << " drawings in "
      << Format("%.0f", seconds) << " s on " << threads
      << " threads (measurement time summed over the threads: the tools "
      << Format("%.0f", tool_seconds) << " s, the profile measurement "
      << Format("%.0f", profile_seconds)
      << " s; the rest is drawing). Every figure below comes from that run.";
  const size_t whole = Grid(1).size();
  if (results.size() < whole) {
    out << " It measured a part of the grid (`--subset`); the whole grid, " << whole
        << " drawings, takes about " << Format("%.0f", seconds * whole / results.size() / 60)
        << " min at the same pace, as the time of a run grows with the number of drawings of "
           "each size and the subset keeps every size's share.";
  }
  out << "\n\n"
         "Each drawing is made by the drawing generator (`testing/drawgen`): a vessel 10 cm "
         "tall of each of the six shapes (cylinder, bowl, globular, necked, beaker, cone), at "
         "150, 300, 600 and 1200 dpi and at the scales 1, 0.5 and 0.25, clean or with one "
         "degradation of a real scan (the generator's options, each leaving the vessel and its "
         "analytic capacity unchanged). Each is measured twice: by its category's tool, "
         "in-process with the tool's own measurement function (`MeasureLeftEdgeDrawing`, "
         "`MeasureMedianDrawing`, `MeasureSilhouetteDrawing`), with the range "
         "`orvello-batch` gives it (every measured radius half a pixel shorter and longer); "
         "and by the profile measurement (`orvello::profile::MeasureProfile`), told the "
         "surface convention the drawing was made with. Compared is the interior capacity "
         "(categories 1, 2) or the volume of the silhouette's solid (category 3; the "
         "profile's `solid_cl`).\n\n"
         "Columns: *measured* counts the drawings given a value (the tool ended with status "
         "0; the profile measurement did not refuse); the errors are value ÷ truth − 1, the "
         "median of their magnitudes and the one largest in magnitude, with its sign; "
         "*within 1 %* counts the measured drawings within 1 % of the truth; *range holds* "
         "the measured drawings whose range [low, high] contains the truth; the half-width "
         "is (high − low) ÷ 2 ÷ value; the last column counts, among the drawings measured "
         "more than 3 % off, those that still said `ok` (for a tool: status 0, as it has no "
         "other verdict; for the profile measurement: confidence `ok`).\n\n"
         "The tables hold the drawings of at least 75 dots per real inch (dpi × scale ≥ 75), "
         "where the goals apply: every drawing of the grid but the "
      << small
      << " drawn at 150 dpi × 0.25, which are summarised at the end.\n\n"
         "## In short\n\n"
         "| category | measurement | measured | median error | worst error | within 1 % | "
         "range holds the truth | median range half-width | > 3 % off yet `ok` |\n"
         "|---|---|---|---|---|---|---|---|---|\n";
  for (int category : {1, 2, 3}) {
    const auto all = Select(results, category, -1, true);
    out << "| " << category << " | `" << ToolName(category) << "` | "
        << StatsCells(StatsOf(all, false)) << " |\n";
    out << "| " << category << " | profile | " << StatsCells(StatsOf(all, true)) << " |\n";
  }
  out << "\n";
  for (int category : {1, 2, 3}) {
    out << "## Category " << category << "\n\n### The tool, `" << ToolName(category) << "`\n\n";
    WriteCategory(out, results, category, false);
    const auto all = Select(results, category, -1, true);
    const std::string tool_notes = CommonNotes(all, false, true);
    if (!tool_notes.empty()) out << "Failures: " << tool_notes << ".\n\n";
    out << "### The profile measurement\n\n";
    WriteCategory(out, results, category, true);
    const std::string refusals = CommonNotes(all, true, true);
    if (!refusals.empty()) out << "Refusals: " << refusals << ".\n\n";
  }
  WriteWorstCases(out, results);
  out << "## Below 75 dots per real inch\n\n| category | measurement | measured | median error "
         "| worst error | within 1 % | range holds the truth | median range half-width | > 3 % "
         "off yet `ok` |\n|---|---|---|---|---|---|---|---|---|\n";
  for (int category : {1, 2, 3}) {
    const auto few = Select(results, category, -1, false);
    out << "| " << category << " | `" << ToolName(category) << "` | "
        << StatsCells(StatsOf(few, false)) << " |\n";
    out << "| " << category << " | profile | " << StatsCells(StatsOf(few, true)) << " |\n";
  }
  out << "\n";
  WriteSpeed(out, results);
  WriteRealDrawings(out, real, real_folder);
  return out.str();
}

}  // namespace orvello::robustness
