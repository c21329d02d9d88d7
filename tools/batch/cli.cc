#include "batch/cli.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>

#include "batch/plates_cli.h"

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
      "output folder.\nExit status: 0 all measured, 1 some failed, 2 input or output folder "
      "unusable.",
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
  app.add_option("-j,--jobs", options.workers, "Drawings measured at once (default: one per core)")
      ->check(CLI::PositiveNumber);
  app.add_flag("-q,--quiet", options.quiet, "No progress on standard error");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e, out, err);
    return {std::nullopt, status == 0 ? 0 : kBatchUnusable};
  }
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
  if (WantsPlates(argc, argv)) return RunPlatesCommandLine(argc, argv);
  const CommandLine command = ParseCommandLine(argc, argv, std::cout, std::cerr);
  if (!command.options) return command.status;
  return RunBatch(*command.options, std::cout, std::cerr);
}

}  // namespace orvello::batch
