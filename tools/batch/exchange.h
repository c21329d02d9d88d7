#ifndef ORVELLO_TOOLS_BATCH_EXCHANGE_H_
#define ORVELLO_TOOLS_BATCH_EXCHANGE_H_

// A batch's profiles in and out: the measured profile exported beside the
// overlay (CSV, SVG, DXF), manifest rows of category "profile" that name a
// profile file, the clay body and its weight, and the provenance of the
// results (the program's version, the run's parameters, each file's
// SHA-256).

#include <filesystem>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "batch/manifest.h"
#include "batch/refined.h"
#include "exchange/exchange.h"

namespace orvello::batch {

// The category of a manifest row that names a profile file.
inline constexpr std::string_view kProfileCategory = "profile";

// Returns true when `category` (blanks around and case ignored) is
// kProfileCategory.
bool IsProfileCategory(std::string_view category);

// How a batch exports and weighs.
struct ExchangeOptions {
  std::vector<exchange::Format> export_formats;    // none: no export
  double density = exchange::kEarthenwareDensity;  // g/cm3, REQUIRES: > 0
};

// What a batch adds to a drawing's record.
struct Exchanged {
  double body_cl = std::numeric_limits<double>::quiet_NaN();
  double weight_g = std::numeric_limits<double>::quiet_NaN();
  double full_weight_g = std::numeric_limits<double>::quiet_NaN();
  std::vector<std::string> export_files;  // relative to the output folder, "/" separated
  std::string sha256;                     // of the drawing's file; "" when unreadable
};

// The columns (CSV) and keys (JSON) of Exchanged, in order, after the
// profile measurement's; then the run's provenance columns.
inline constexpr std::string_view kExchangeColumns[] = {
    "refined_body_cl", "refined_weight_g", "refined_full_weight_g", "export_files", "sha256"};
inline constexpr std::string_view kProvenanceColumns[] = {"program_version", "run_parameters"};

// The run as the results files record it.
struct Provenance {
  std::string program = "orvello-batch";
  std::string version;                                          // exchange::ProgramVersion()
  std::vector<std::pair<std::string, std::string>> parameters;  // name, value as given
};

// Returns the parameters as one text: "name=value" joined by "; ".
std::string ParametersText(const Provenance& provenance);

// Returns the body and weights of a measured profile: for categories 1 and
// 2 and imported profiles with both walls; nothing (NaN) otherwise.
Exchanged Weigh(const profile::ProfileResult& result, bool has_section, double density);

// Writes the profile of `result` in each of options.export_formats as
// `out`/`stem`.<format> and returns the names written (relative to `out`,
// "/" separated). Nothing without a measured profile.
std::vector<std::string> ExportProfile(const profile::ProfileResult& result,
                                       const std::filesystem::path& out, const std::string& stem,
                                       const ExchangeOptions& options);

// Returns the profile measurement of the profile file of `job` (category
// kProfileCategory), measured by the profile integration: attempted, with
// the fill levels of `fill_percents`; *error is set (and the result not
// measured) when the file is missing or cannot be read as a profile.
Refined MeasureProfileFile(const Job& job, const std::vector<int>& fill_percents,
                           std::string* error);

}  // namespace orvello::batch

#endif  // ORVELLO_TOOLS_BATCH_EXCHANGE_H_
