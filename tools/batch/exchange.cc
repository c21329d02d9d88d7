#include "batch/exchange.h"

#include <cctype>
#include <cmath>

#include "batch/output.h"
#include "common/safe_file.h"

namespace orvello::batch {

bool IsProfileCategory(std::string_view category) {
  while (!category.empty() && std::isspace(static_cast<unsigned char>(category.front()))) {
    category.remove_prefix(1);
  }
  while (!category.empty() && std::isspace(static_cast<unsigned char>(category.back()))) {
    category.remove_suffix(1);
  }
  if (category.size() != kProfileCategory.size()) return false;
  for (size_t i = 0; i < category.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(category[i])) != kProfileCategory[i]) return false;
  }
  return true;
}

std::string ParametersText(const Provenance& provenance) {
  std::string text;
  for (const auto& [name, value] : provenance.parameters) {
    if (!text.empty()) text += "; ";
    text += name + "=" + value;
  }
  return text;
}

Exchanged Weigh(const profile::ProfileResult& result, bool has_section, double density) {
  Exchanged e;
  if (!result.measured || !has_section) return e;
  e.body_cl = exchange::BodyVolumeCl(result.inner, result.outer);
  if (std::isfinite(e.body_cl)) {
    std::tie(e.weight_g, e.full_weight_g) =
        exchange::Weights(e.body_cl, result.capacity_cl, density);
  }
  return e;
}

std::vector<std::string> ExportProfile(const profile::ProfileResult& result,
                                       const std::filesystem::path& out, const std::string& stem,
                                       const ExchangeOptions& options) {
  std::vector<std::string> written;
  if (!result.measured || (result.inner.size() < 2 && result.outer.size() < 2)) return written;
  const exchange::VesselProfile vessel{result.inner, result.outer};
  for (const exchange::Format format : options.export_formats) {
    const std::string name = stem + "." + std::string(exchange::FormatName(format));
    if (WriteWhole(out / name, exchange::Export(vessel, format)) == WriteOutcome::kWritten) {
      written.push_back(name);
    }
  }
  return written;
}

Refined MeasureProfileFile(const Job& job, const std::vector<int>& fill_percents,
                           std::string* error) {
  Refined refined;
  refined.attempted = true;
  std::error_code ignored;
  if (!std::filesystem::exists(job.path, ignored)) {
    *error = "No profile file " + job.path.string();
    refined.result.refusal = *error;
    return refined;
  }
  const exchange::Imported imported = exchange::ReadProfileFile(job.path.string());
  if (!imported.ok) {
    *error = "Cannot read the profile " + job.path.string() + ": " + imported.error;
    refined.result.refusal = imported.error;
    return refined;
  }
  const exchange::ProfileMeasure measure =
      exchange::MeasureProfile(imported.profile, fill_percents);
  refined.result = exchange::AsProfileResult(imported.profile, measure);
  return refined;
}

}  // namespace orvello::batch
