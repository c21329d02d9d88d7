#include "batch/refined.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "batch/batch.h"
#include "batch/output.h"
#include "batch/report.h"
#include "common/safe_file.h"

namespace orvello::batch {
namespace {

constexpr double kToolDisagreement = 0.10;
// Overlays up to this many pixels are written as PNG, larger ones as JPEG.
constexpr double kLargestPngPixels = 16e6;

std::optional<double> Finite(double value) {
  return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

std::string Thumbnail(const cv::Mat& image) {
  cv::Mat small;
  cv::resize(image, small, ThumbnailSize(image.size()), 0, 0, cv::INTER_AREA);
  std::vector<uchar> bytes;
  cv::imencode(".jpg", small, bytes, {cv::IMWRITE_JPEG_QUALITY, 85});
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

std::vector<RefinedField> RefinedFields(const Refined& refined) {
  const profile::ProfileResult& r = refined.result;
  const bool measured = refined.attempted && r.measured;
  auto number = [&](std::string_view key, double value) {
    return RefinedField{key, measured ? Finite(value) : std::nullopt, "", false};
  };
  auto text = [](std::string_view key, std::string value) {
    return RefinedField{key, std::nullopt, std::move(value), true};
  };
  std::string warnings;
  for (const std::string& w : r.warnings) {
    if (!warnings.empty()) warnings += ';';
    warnings += w;
  }
  return {
      text("refined_status", measured ? "measured" : "refused"),
      number("refined_capacity_cl", r.capacity_cl),
      number("refined_capacity_low_cl", r.capacity_low_cl),
      number("refined_capacity_high_cl", r.capacity_high_cl),
      number("refined_solid_cl", r.solid_cl),
      number("refined_solid_low_cl", r.solid_low_cl),
      number("refined_solid_high_cl", r.solid_high_cl),
      number("refined_liquid_height_cm", r.liquid_height_cm),
      number("refined_total_height_cm", r.total_height_cm),
      number("refined_opening_cm", r.opening_cm),
      number("refined_rim_cm", r.rim_cm),
      number("refined_max_diameter_cm", r.max_diameter_cm),
      number("refined_base_cm", r.base_cm),
      text("confidence",
           refined.attempted ? std::string(profile::ConfidenceName(r.confidence)) : "check"),
      text("warnings", refined.attempted ? warnings : ""),
      text("overlay_image", refined.overlay_image),
  };
}

std::string OverlayImageName(std::string_view water_image) {
  std::string name(water_image);
  const size_t slash = name.find('/');
  if (slash != std::string::npos) name = name.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return std::string(kOverlayFolder) + "/" + name + ".png";
}

Refined MeasureRefined(const cv::Mat& drawing, int category, double dpi, double scale, bool mirror,
                       double scale_error, const std::vector<int>& fill_percents,
                       const RefinedOptions& options, std::optional<double> tool_cl,
                       const std::filesystem::path& out, const std::string& overlay_name) {
  Refined refined;
  if (drawing.empty()) return refined;
  refined.attempted = true;
  profile::ProfileParams params;
  params.dpi = dpi;
  params.scale = scale;
  params.category = category;
  params.mirror = mirror;
  params.surface = options.surface;
  params.wall_cm = options.wall_cm;
  params.base_cm = options.base_cm;
  params.scale_error = scale_error;
  params.fill_percents = fill_percents;
  refined.result = profile::MeasureProfile(drawing, params);
  profile::ProfileResult& r = refined.result;
  if (r.measured && tool_cl && *tool_cl > 0) {
    const double mine = category == 3 ? r.solid_cl : r.capacity_cl;
    if (std::isfinite(mine) && mine > 0 && std::abs(*tool_cl / mine - 1) > kToolDisagreement) {
      r.warnings.emplace_back(profile::kWarnDisagreesWithTool);
      // The tools' fixed scans go wrong on ink they do not expect; with no
      // such ink seen, a disagreement is a reason for doubt.
      if (!r.HasWarning(profile::kWarnInkIgnored) && !r.HasWarning(profile::kWarnSkewCorrected) &&
          !r.HasWarning(profile::kWarnThickPen)) {
        r.confidence = profile::Confidence::kCheck;
      }
    }
  }
  if (overlay_name.empty()) return refined;
  try {
    const cv::Mat overlay = profile::DrawOverlay(drawing, r);
    std::string name = overlay_name;
    const bool png = static_cast<double>(overlay.total()) <= kLargestPngPixels;
    if (!png) name = name.substr(0, name.rfind('.')) + ".jpg";
    std::vector<uchar> bytes;
    if (png) {
      cv::imencode(".png", overlay, bytes, {cv::IMWRITE_PNG_COMPRESSION, 3});
    } else {
      cv::imencode(".jpg", overlay, bytes, {cv::IMWRITE_JPEG_QUALITY, 90});
    }
    const std::string thumbnail_name =
        std::string(kOverlayThumbnailFolder) +
        name.substr(name.find('/'), name.rfind('.') - name.find('/')) + ".jpg";
    if (WriteWhole(out / name, std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                                bytes.size())) == WriteOutcome::kWritten &&
        WriteWhole(out / thumbnail_name, Thumbnail(overlay)) == WriteOutcome::kWritten) {
      refined.overlay_image = name;
      refined.overlay_thumbnail = thumbnail_name;
    }
  } catch (const std::exception&) {
    // No overlay: the values stand without it.
  }
  // The masks of the drawing's size served the overlay only: a batch keeps
  // every record, and must not keep them.
  r.geometry = {};
  return refined;
}

std::string RefinedHtml(const Refined& refined, int category, std::optional<double> tool_cl) {
  const profile::ProfileResult& r = refined.result;
  if (!refined.attempted) return "";
  if (!r.measured) {
    return "<div class=\"status bad\">refused</div><div class=\"message\">" +
           HtmlEscape(r.refusal) + "</div>" +
           (tool_cl ? "<div class=\"tool\">tool: " + FormatValue(*tool_cl) + " cL</div>" : "");
  }
  const bool capacity = std::isfinite(r.capacity_cl);
  const double value = capacity ? r.capacity_cl : r.solid_cl;
  const double low = capacity ? r.capacity_low_cl : r.solid_low_cl;
  const double high = capacity ? r.capacity_high_cl : r.solid_high_cl;
  const bool ok = r.confidence == profile::Confidence::kOk;
  std::string html = "<div class=\"volume\">" + FormatValue(value) + " <span class=\"status " +
                     std::string(ok ? "ok" : "check") + "\">" +
                     std::string(profile::ConfidenceName(r.confidence)) + "</span></div>";
  html += "<div class=\"range\">" + FormatValue(low) + " – " + FormatValue(high) + "</div>";
  if (!capacity && category == 3) html += "<div class=\"fill\">solid of the silhouette</div>";
  if (tool_cl) html += "<div class=\"tool\">tool: " + FormatValue(*tool_cl) + "</div>";
  if (!r.warnings.empty()) {
    html += "<ul class=\"warnings\">";
    for (const std::string& w : r.warnings) {
      html += "<li>" + HtmlEscape(profile::WarningText(w)) + "</li>";
    }
    html += "</ul>";
  }
  return html;
}

}  // namespace orvello::batch
