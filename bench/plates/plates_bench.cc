// Measures generated plates (2 to 8 vessels of mixed categories, catalogue
// numbers, a caption, one scale bar in each style, 300 and 600 dpi) and
// writes the figures as Markdown.
//
//   orvello_plates_bench docs/plates.md [plates] [--keep folder] [--only index]

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "drawgen/plate.h"
#include "plates/ocr.h"
#include "plates/plates.h"

namespace {

using orvello::drawgen::BarStyle;
using orvello::drawgen::Plate;
using orvello::drawgen::PlateOptions;

struct Tally {
  int plates = 0, vessels = 0, found = 0, false_found = 0;
  int category_right = 0, mirror_right = 0, mirror_count = 0;
  int bar_plates = 0, bar_within = 0;
  int measured = 0, capacity_within = 0, ok_far = 0, ok_count = 0;
  int numbers = 0, numbers_right = 0;
  std::vector<std::string> misses;
};

double Percent(int part, int whole) { return whole > 0 ? 100.0 * part / whole : 0; }

PlateOptions OptionsFor(int i) {
  PlateOptions o;
  o.seed = static_cast<unsigned>(i + 1);
  o.dpi = i % 2 == 0 ? 300 : 600;
  const double scales[] = {0.5, 1.0, 1.0 / 3, 0.25};
  o.scale = scales[(i / 2) % 4];
  o.vessels = 2 + i % 7;
  const BarStyle styles[] = {BarStyle::kPlain, BarStyle::kTicked, BarStyle::kAlternating};
  o.bar_style = styles[i % 3];
  o.zero_label = (i / 3) % 2 == 0;
  o.antialias = (i / 5) % 2 == 1;
  o.noise = (i / 7) % 3 == 2;
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: orvello_plates_bench OUT.md [plates] [--keep folder]\n";
    return 2;
  }
  const std::string out = argv[1];
  int count = 24;
  std::string keep;
  int only = -1;
  for (int a = 2; a < argc; ++a) {
    const std::string arg = argv[a];
    if (arg == "--only" && a + 1 < argc) {
      only = std::atoi(argv[++a]);
    } else if (arg == "--keep" && a + 1 < argc) {
      keep = argv[++a];
    } else {
      count = std::atoi(argv[a]);
    }
  }
  std::string warning;
  auto reader = orvello::plates::MakeOcrReader(&warning);
  if (!reader->Available()) std::cerr << "warning: " << warning << "\n";
  Tally t;
  for (int i = 0; i < count; ++i) {
    if (only >= 0 && i != only) continue;
    const PlateOptions o = OptionsFor(i);
    const Plate plate = orvello::drawgen::ComposePlate(o);
    orvello::plates::PlateParams params;
    params.dpi = o.dpi;  // the scan resolution; the scale comes from the bar
    params.surface = orvello::profile::Surface::kEdge;
    const orvello::plates::PlateResult r =
        orvello::plates::MeasurePlate(plate.image, params, reader.get());
    ++t.plates;
    ++t.bar_plates;
    const double bar_error = std::abs(r.pixel_cm / plate.pixel_cm - 1);
    if (bar_error <= 0.005) {
      ++t.bar_within;
    } else {
      t.misses.push_back(
          "plate " + std::to_string(i) + ": pixel size off by " + std::to_string(100 * bar_error) +
          " % (bar text '" + r.bar_text + "', " + std::to_string(r.layout.bars.size()) + " bars, " +
          std::to_string(r.layout.bars.empty() ? 0 : r.layout.bars[0].labels.size()) + " labels)");
    }
    std::vector<bool> used(r.drawings.size(), false);
    for (size_t v = 0; v < plate.vessels.size(); ++v) {
      const auto& vessel = plate.vessels[v];
      ++t.vessels;
      int match = -1;
      for (size_t d = 0; d < r.drawings.size(); ++d) {
        const cv::Rect both = r.drawings[d].box & vessel.box;
        if (!used[d] && both.area() >= 0.9 * vessel.box.area() &&
            both.area() >= 0.5 * r.drawings[d].box.area()) {
          match = static_cast<int>(d);
        }
      }
      const std::string name = "plate " + std::to_string(i) + " vessel " + std::to_string(v);
      if (match < 0) {
        t.misses.push_back(name + ": not found");
        continue;
      }
      used[static_cast<size_t>(match)] = true;
      ++t.found;
      const auto& d = r.drawings[static_cast<size_t>(match)];
      if (d.category == vessel.category) {
        ++t.category_right;
      } else {
        t.misses.push_back(name + ": category " + std::to_string(d.category) + " for " +
                           std::to_string(vessel.category));
      }
      if (vessel.category != 3 && d.category == vessel.category) {
        ++t.mirror_count;
        if (d.mirror == vessel.mirrored) {
          ++t.mirror_right;
        } else {
          t.misses.push_back(name + ": mirror wrong");
        }
      }
      if (!vessel.number.empty()) {
        ++t.numbers;
        if (d.name == vessel.number) {
          ++t.numbers_right;
        } else {
          t.misses.push_back(name + ": number '" + d.name + "' for '" + vessel.number + "'");
        }
      }
      const double measured = vessel.category == 3 ? d.profile.solid_cl : d.profile.capacity_cl;
      if (d.profile.measured && std::isfinite(measured)) {
        ++t.measured;
        const double error = std::abs(measured / vessel.truth.capacity_cl - 1);
        if (error <= 0.015) ++t.capacity_within;
        if (d.profile.confidence == orvello::profile::Confidence::kOk) {
          ++t.ok_count;
          if (error > 0.05) ++t.ok_far;
        }
        if (error > 0.015) {
          t.misses.push_back(name + ": capacity off by " + std::to_string(100 * error) + " % (" +
                             std::string(orvello::profile::ConfidenceName(d.profile.confidence)) +
                             ")");
        }
      } else {
        t.misses.push_back(name + ": refused: " + d.profile.refusal);
      }
    }
    for (size_t d = 0; d < r.drawings.size(); ++d) {
      if (!used[d]) {
        ++t.false_found;
        t.misses.push_back("plate " + std::to_string(i) + ": false drawing " +
                           std::to_string(d + 1));
      }
    }
    if (!keep.empty()) {
      std::filesystem::create_directories(keep);
      cv::imwrite(keep + "/plate-" + std::to_string(i) + ".png", plate.image);
      cv::Mat overview = orvello::plates::DrawOverview(plate.image, r);
      const double f = 1600.0 / std::max(overview.cols, overview.rows);
      cv::resize(overview, overview, cv::Size(), f, f, cv::INTER_AREA);
      cv::imwrite(keep + "/overview-" + std::to_string(i) + ".png", overview);
    }
    std::cerr << "plate " << i << " done\n";
  }

  std::ostringstream md;
  char line[512];
  md << "# Plates: generated pages found, read and measured\n\n"
     << "`build/bin/orvello_plates_bench docs/plates.md " << count
     << "` composes plates of 2 to 8 generated vessels (categories 1 to 3 mixed, six shapes, "
        "30 to 80 mm tall on the paper, some mirrored, with handles, black or hatched "
        "sections), each with its catalogue number above or below it, a caption, and one "
        "scale bar (plain, ticked or alternating, labelled \"0\" and \"N cm\" or \"N cm\" "
        "only), at 300 and 600 dpi and scales 1, 1:2, 1:3 and 1:4, some anti-aliased, some "
        "with scan noise. Each plate is measured with only its scan resolution given: the "
        "pixel size comes from the bar and its label read by OCR.\n\n"
     << "| Figure | Result | Goal |\n|---|---|---|\n";
  std::snprintf(line, sizeof line,
                "| vessels found | %d / %d (%.1f %%), %d false | >= 95 %%, none false |\n", t.found,
                t.vessels, Percent(t.found, t.vessels), t.false_found);
  md << line;
  std::snprintf(line, sizeof line, "| category right | %d / %d (%.1f %%) | >= 95 %% |\n",
                t.category_right, t.found, Percent(t.category_right, t.found));
  md << line;
  std::snprintf(line, sizeof line, "| mirror right (categories 1, 2) | %d / %d (%.1f %%) | |\n",
                t.mirror_right, t.mirror_count, Percent(t.mirror_right, t.mirror_count));
  md << line;
  std::snprintf(line, sizeof line,
                "| pixel size from the bar within 0.5 %% | %d / %d plates (%.1f %%) | >= 95 %% |\n",
                t.bar_within, t.bar_plates, Percent(t.bar_within, t.bar_plates));
  md << line;
  std::snprintf(line, sizeof line,
                "| capacity within 1.5 %% | %d / %d vessels (%.1f %%); %d measured | >= 90 %% |\n",
                t.capacity_within, t.vessels, Percent(t.capacity_within, t.vessels), t.measured);
  md << line;
  std::snprintf(line, sizeof line,
                "| off by more than 5 %% with confidence ok | %d of %d ok | 0 |\n", t.ok_far,
                t.ok_count);
  md << line;
  std::snprintf(line, sizeof line,
                "| catalogue numbers read right | %d / %d (%.1f %%) | >= 90 %% |\n",
                t.numbers_right, t.numbers, Percent(t.numbers_right, t.numbers));
  md << line;
  md << "\nCapacity is the interior capacity for categories 1 and 2 and the solid of the "
        "silhouette for category 3, against the generator's analytic values.\n\n"
        "Real published plates were not available when these figures were made.\n";
  if (!t.misses.empty()) {
    md << "\n## Every miss\n\n";
    for (const std::string& miss : t.misses) md << "- " << miss << "\n";
  }
  std::ofstream file(out + ".part");
  file << md.str();
  file.close();
  std::filesystem::rename(out + ".part", out);
  std::cout << md.str();
  return 0;
}
