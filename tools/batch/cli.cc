#include "batch/cli.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <new>
#include <string>

#include "batch/plates_cli.h"
#include "exchange/exchange.h"
#include "exchange/provenance.h"

namespace orvello::batch {
namespace {

CLI::Validator PositiveNumber() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        const double value = ParseNumber(text);
        return std::isfinite(value) && value > 0 ? "" : "not a finite number above 0: " + text;
      },
      "NUMBER > 0");
}

CLI::Validator PositiveScale() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        const double value = ParseScale(text);
        return std::isfinite(value) && value > 0 ? "" : "not a scale above 0: " + text;
      },
      "SCALE > 0, e.g. 0.5 or 1:3");
}

CLI::Validator Category() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        return ParseCategory(text) ? "" : "the category must be 1, 2 or 3, not " + text;
      },
      "1|2|3");
}

CLI::Validator ScaleError() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        const double value = ParseNumber(text);
        return value >= 0 && value < 1 ? "" : "the scale error must be at least 0 and below 1";
      },
      "0 <= E < 1");
}

CLI::Validator ExportFormats() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        std::vector<exchange::Format> formats;
        return exchange::ParseFormatList(text, &formats)
                   ? ""
                   : "export formats are csv, svg, dxf: " + text;
      },
      "csv,svg,dxf");
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err) {
  BatchOptions options;
  std::string input;
  std::string output = options.out.string();
  std::vector<int> fill = options.fill_percents;
  CLI::App app(
      "Measures every drawing of a CSV manifest (header file,category,dpi,scale and an "
      "optional mirror column; relative paths from the manifest's folder) or of a folder, "
      "and writes results.csv, results.json, report.html and the water images into the "
      "output folder (the thumbnails of the report in eau/thumbs/). One batch at a time "
      "writes into an output folder (it is locked), and a folder that holds an earlier "
      "batch's files is refused unless --overwrite is given, which removes them first "
      "(results.csv, results.json, report.html, eau/; no other file).\nExit status: 0 all "
      "measured, 1 some failed, 2 input or output folder unusable (or locked by another "
      "batch).",
      "orvello-batch");
  app.add_option("input", input, "CSV manifest, or folder of drawings")->required();
  app.add_option("-o,--out", output, "Output folder")->capture_default_str();
  app.add_option("--category", options.defaults.category,
                 "Category of a folder's drawings (1, 2 or 3); for a manifest, of rows "
                 "that leave it empty")
      ->check(Category());
  app.add_option(
         "--dpi", options.defaults.dpi,
         "Resolution in dpi of a folder's drawings; for a manifest, of rows that leave it empty")
      ->check(PositiveNumber());
  app.add_option("--scale", options.defaults.scale,
                 "Scale (drawn length / real length, 0.5 or 1:2) of a folder's drawings; for a "
                 "manifest, of rows that leave it empty")
      ->check(PositiveScale());
  app.add_flag("--mirror", options.defaults.mirror,
               "The section stands right of the axis: flip the drawings first (for a "
               "manifest, rows without a mirror value)");
  app.add_option("--scale-error", options.scale_error,
                 "Relative uncertainty of the scales, 0.01 for 1 %")
      ->check(ScaleError())
      ->capture_default_str();
  app.add_option("--fill", fill, "Fill levels in percent of the liquid height")
      ->delimiter(',')
      ->check(CLI::Range(1, 100))
      ->capture_default_str();
  app.add_option("-j,--jobs", options.workers,
                 "Drawings measured at once (default: one per core; at most " +
                     std::to_string(kMostWorkers) +
                     ", and fewer when the system cannot start as many threads)")
      ->check(CLI::PositiveNumber);
  app.add_flag("--overwrite", options.overwrite,
               "Replace an earlier batch's files in the output folder: remove them first");
  app.add_flag("-q,--quiet", options.quiet, "No progress on standard error");
  std::string surface(profile::SurfaceName(options.refined.surface));
  app.add_option("--surface", surface,
                 "Where the profile measurement puts the vessel's surface: on the middle of a "
                 "drawn outline (middle) or on the ink's inner edge (edge)")
      ->check(CLI::IsMember({"middle", "edge"}))
      ->capture_default_str();
  app.add_option("--wall", options.refined.wall_cm,
                 "Category 3: wall thickness in cm, for an estimate of the interior capacity")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
  app.add_option("--base", options.refined.base_cm,
                 "Category 3: base thickness in cm (0: the wall thickness)")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
  std::string formats;
  app.add_option("--export", formats,
                 "Write the measured profile of each drawing beside its overlay: csv, svg, dxf "
                 "or a list, e.g. csv,svg,dxf")
      ->check(ExportFormats());
  app.add_option("--density", options.exchange.density,
                 "Density of the fired clay in g/cm3, for the weights")
      ->check(PositiveNumber())
      ->capture_default_str();
  app.set_version_flag("--version", "orvello-batch " + std::string(exchange::ProgramVersion()),
                       "Print the version and exit");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e, out, err);
    return {std::nullopt, status == 0 ? 0 : kBatchUnusable};
  }
  profile::ParseSurface(surface, &options.refined.surface);
  if (!formats.empty()) exchange::ParseFormatList(formats, &options.exchange.export_formats);
  options.input = input;
  options.out = output;
  options.fill_percents.clear();
  for (const int percent : fill) {
    if (std::find(options.fill_percents.begin(), options.fill_percents.end(), percent) ==
        options.fill_percents.end()) {
      options.fill_percents.push_back(percent);
    }
  }
  options.terminal = isatty(STDERR_FILENO) == 1;
  return {options, 0};
}

int RunCommandLine(int argc, const char* const* argv) {
  try {
    if (WantsPlates(argc, argv)) return RunPlatesCommandLine(argc, argv);
    const CommandLine command = ParseCommandLine(argc, argv, std::cout, std::cerr);
    if (!command.options) return command.status;
    return RunBatch(*command.options, std::cout, std::cerr);
  } catch (const std::bad_alloc&) {
    std::cerr << "Not enough memory\n";
    return kBatchUnusable;
  }
}

}  // namespace orvello::batch
