#include "batch/report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>

#include "common/values.h"

namespace orvello::batch {
namespace {

using Json = nlohmann::ordered_json;

std::string FillKey(int percent) { return "fill_" + std::to_string(percent) + "_cl"; }

const FillLevel* FindFill(const Record& record, int percent) {
  for (const FillLevel& f : record.fill) {
    if (f.percent == percent) return &f;
  }
  return nullptr;
}

// The number the results file writes for `value`, as a JSON number.
Json JsonValue(double value) {
  const std::string text = FormatValue(value);
  double printed = 0;
  std::from_chars(text.data(), text.data() + text.size(), printed);
  return std::isfinite(printed) ? Json(printed) : Json(nullptr);
}

Json JsonNumber(std::string_view text) {
  const double number = ParseNumber(text);
  return std::isfinite(number) ? Json(number) : Json(nullptr);
}

std::string Fixed(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

constexpr std::string_view kStyle = R"(
body { font: 14px/1.4 system-ui, sans-serif; margin: 24px; color: #1d2430; background: #fafafa; }
h1 { font-size: 20px; margin: 0 0 4px; }
p.summary { margin: 0 0 16px; color: #4a5568; }
table { border-collapse: collapse; background: #fff; }
th, td { border-bottom: 1px solid #e2e8f0; padding: 6px 10px; vertical-align: top; text-align: left; }
th { background: #edf2f7; font-weight: 600; position: sticky; top: 0; }
td.num { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
td.thumb img { display: block; border: 1px solid #cbd5e0; background: #fff; }
td.drawing { min-width: 180px; max-width: 240px; }
.file { font-weight: 600; overflow-wrap: anywhere; }
.params, .range, .fill { color: #4a5568; font-size: 12px; }
.volume { font-size: 16px; font-weight: 600; }
.status { display: inline-block; padding: 1px 6px; border-radius: 3px; font-size: 12px; }
.ok { background: #c6f6d5; color: #22543d; }
.bad { background: #fed7d7; color: #822727; }
.message { color: #822727; margin-top: 4px; max-width: 220px; }
.check { background: #feebc8; color: #7b341e; }
.tool, .tools { color: #4a5568; font-size: 12px; }
ul.warnings { margin: 4px 0 0; padding-left: 16px; text-align: left; font-size: 12px; color: #7b341e; max-width: 240px; white-space: normal; }
dl { display: grid; grid-template-columns: auto auto; gap: 0 10px; margin: 0; font-size: 12px; white-space: nowrap; }
dt { color: #4a5568; }
dd { margin: 0; text-align: right; font-variant-numeric: tabular-nums; }
svg text { font: 9px system-ui, sans-serif; fill: #4a5568; }
svg text.mark { font-size: 8px; }
)";

}  // namespace

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string field = "\"";
  for (const char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + '"';
}

std::string FormatCsv(const std::vector<Record>& records, const BatchSummary& summary) {
  std::string csv = "file,category,dpi,scale,mirror,status,message";
  for (const ValueSpec& spec : kValueSchema) csv += "," + std::string(spec.key);
  for (const int percent : summary.fill_percents) csv += "," + FillKey(percent);
  csv += ",capacity_low_cl,capacity_high_cl,water_image";
  for (const std::string_view key : kRefinedColumns) {
    csv += ',';
    csv += key;
  }
  for (const auto& columns : {std::span<const std::string_view>(kExchangeColumns),
                              std::span<const std::string_view>(kProvenanceColumns)}) {
    for (const std::string_view key : columns) {
      csv += ',';
      csv += key;
    }
  }
  csv += '\n';
  const std::string provenance =
      CsvField(summary.provenance.version) + ',' + CsvField(ParametersText(summary.provenance));
  for (const Record& r : records) {
    csv += CsvField(r.job.file) + ',' + CsvField(r.job.category) + ',' + CsvField(r.job.dpi) + ',' +
           CsvField(r.job.scale) + ',' + (r.job.mirror ? "1" : "0") + ',' +
           std::string(StatusName(r.status)) + ',' + CsvField(r.message);
    for (const ValueSpec& spec : kValueSchema) {
      const std::optional<double> value = r.values.Find(spec.id);
      csv += ',' + (value ? FormatValue(*value) : std::string());
    }
    for (const int percent : summary.fill_percents) {
      const FillLevel* fill = FindFill(r, percent);
      csv += ',' + (fill ? FormatValue(fill->capacity_cl) : std::string());
    }
    csv += ',' + (r.range ? FormatValue(r.range->low_cl) : std::string());
    csv += ',' + (r.range ? FormatValue(r.range->high_cl) : std::string());
    csv += ',' + CsvField(r.water_image);
    for (const RefinedField& f : RefinedFields(r.refined)) {
      csv += ',' + (f.is_text ? CsvField(f.text) : f.number ? FormatValue(*f.number) : "");
    }
    for (const double value : {r.exchange.body_cl, r.exchange.weight_g, r.exchange.full_weight_g}) {
      csv += ',' + (std::isfinite(value) ? FormatValue(value) : std::string());
    }
    std::string files;
    for (const std::string& file : r.exchange.export_files) {
      if (!files.empty()) files += ';';
      files += file;
    }
    csv += ',' + CsvField(files) + ',' + r.exchange.sha256 + ',' + provenance + '\n';
  }
  return csv;
}

std::string FormatJson(const std::vector<Record>& records, const BatchSummary& summary) {
  Json drawings = Json::array();
  int failed = 0;
  for (const Record& r : records) {
    if (r.status != Status::kMeasured) ++failed;
    Json d;
    d["file"] = r.job.file;
    d["line"] = r.job.line;
    d["category"] =
        ParseCategory(r.job.category) ? Json(ParseCategory(r.job.category)) : Json(nullptr);
    if (IsProfileCategory(r.job.category)) d["category"] = kProfileCategory;
    d["dpi"] = JsonNumber(r.job.dpi);
    d["scale"] = JsonNumber(r.job.scale);
    d["mirror"] = r.job.mirror;
    d["status"] = StatusName(r.status);
    d["message"] = r.message;
    for (const ValueSpec& spec : kValueSchema) {
      if (const std::optional<double> value = r.values.Find(spec.id)) {
        d[std::string(spec.key)] = JsonValue(*value);
      }
    }
    for (const FillLevel& f : r.fill) d[FillKey(f.percent)] = JsonValue(f.capacity_cl);
    if (r.range) {
      d["capacity_low_cl"] = JsonValue(r.range->low_cl);
      d["capacity_high_cl"] = JsonValue(r.range->high_cl);
    }
    if (!r.water_image.empty()) d["water_image"] = r.water_image;
    if (!r.curve.empty()) {
      Json curve = Json::array();
      for (const CurvePoint& p : r.curve) {
        curve.push_back(Json::array({JsonValue(p.height_cm), JsonValue(p.capacity_cl)}));
      }
      d["curve"] = std::move(curve);
    }
    for (const RefinedField& f : RefinedFields(r.refined)) {
      if (f.is_text) {
        d[std::string(f.key)] = f.text;
      } else {
        d[std::string(f.key)] = f.number ? JsonValue(*f.number) : Json(nullptr);
      }
    }
    if (r.refined.attempted && !r.refined.result.measured) {
      d["refined_refusal"] = r.refined.result.refusal;
    }
    if (!r.refined.result.inner.empty()) {
      Json profile = Json::array();
      for (const profile::ProfilePoint& p : r.refined.result.inner) {
        profile.push_back(Json::array({JsonValue(p.height_cm), JsonValue(p.radius_cm)}));
      }
      d["refined_inner_profile"] = std::move(profile);
    }
    if (!r.refined.result.capacity_curve.empty()) {
      Json curve = Json::array();
      for (const profile::CurvePoint& p : r.refined.result.capacity_curve) {
        curve.push_back(Json::array({JsonValue(p.height_cm), JsonValue(p.capacity_cl)}));
      }
      d["refined_curve"] = std::move(curve);
    }
    const std::pair<std::string_view, double> weights[] = {
        {kExchangeColumns[0], r.exchange.body_cl},
        {kExchangeColumns[1], r.exchange.weight_g},
        {kExchangeColumns[2], r.exchange.full_weight_g}};
    for (const auto& [key, value] : weights) {
      d[std::string(key)] = std::isfinite(value) ? JsonValue(value) : Json(nullptr);
    }
    if (!r.refined.result.outer.empty()) {
      Json profile = Json::array();
      for (const profile::ProfilePoint& p : r.refined.result.outer) {
        profile.push_back(Json::array({JsonValue(p.height_cm), JsonValue(p.radius_cm)}));
      }
      d["refined_outer_profile"] = std::move(profile);
    }
    d["export_files"] = r.exchange.export_files;
    d["sha256"] = r.exchange.sha256;
    drawings.push_back(std::move(d));
  }
  Json root;
  root["input"] = summary.input;
  root["fill_levels"] = summary.fill_percents;
  root["scale_error"] = summary.scale_error;
  root["measured"] = static_cast<int>(records.size()) - failed;
  root["failed"] = failed;
  Json parameters = Json::object();
  for (const auto& [name, value] : summary.provenance.parameters) parameters[name] = value;
  root["program"] = summary.provenance.program;
  root["version"] = summary.provenance.version;
  root["parameters"] = std::move(parameters);
  root["drawings"] = std::move(drawings);
  return root.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string CapacityPlotSvg(const std::vector<CurvePoint>& curve,
                            const std::vector<FillLevel>& fill) {
  constexpr double kLeft = 44, kRight = 232, kTop = 8, kBottom = 84;
  const double height = curve.empty() ? 0 : curve.back().height_cm;
  const double capacity = curve.empty() ? 0 : curve.back().capacity_cl;
  const double x_span = height > 0 ? height : 1;
  const double y_span = capacity > 0 ? capacity : 1;
  const auto x = [&](double h) { return kLeft + h / x_span * (kRight - kLeft); };
  const auto y = [&](double c) { return kBottom - c / y_span * (kBottom - kTop); };
  std::string svg =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"240\" height=\"116\" "
      "viewBox=\"0 0 240 116\" role=\"img\" aria-label=\"capacity against filling height\">"
      "<path d=\"M44 8V84H232\" fill=\"none\" stroke=\"#718096\"/>";
  std::vector<FillLevel> marks;
  for (const FillLevel& f : fill) {
    if (f.percent < 100) marks.push_back(f);
  }
  std::sort(marks.begin(), marks.end(),
            [](const FillLevel& a, const FillLevel& b) { return a.percent < b.percent; });
  double last_label = -100;
  bool lowered = false;
  for (const FillLevel& f : marks) {
    const double mark_x = x(height * f.percent / 100);
    // A label too close to the one before it goes one line lower.
    lowered = mark_x - last_label < 22 && !lowered;
    last_label = mark_x;
    const std::string fx = Fixed(mark_x, 1);
    svg += "<path d=\"M" + fx + " 84V" + Fixed(y(f.capacity_cl), 1) +
           "H44\" fill=\"none\" stroke=\"#a0aec0\" stroke-dasharray=\"3 2\"/>"
           "<text class=\"mark\" x=\"" +
           fx + "\" y=\"" + (lowered ? "101" : "93") + "\" text-anchor=\"middle\">" +
           std::to_string(f.percent) + "%</text>";
  }
  svg += "<polyline fill=\"none\" stroke=\"#2b6cb0\" stroke-width=\"1.5\" points=\"";
  for (size_t i = 0; i < curve.size(); ++i) {
    if (i) svg += ' ';
    svg += Fixed(x(curve[i].height_cm), 1) + ',' + Fixed(y(curve[i].capacity_cl), 1);
  }
  svg += "\"/><text x=\"40\" y=\"14\" text-anchor=\"end\">" + HtmlEscape(FormatValue(capacity)) +
         "</text><text x=\"40\" y=\"25\" text-anchor=\"end\">cL</text>"
         "<text x=\"40\" y=\"87\" text-anchor=\"end\">0</text>"
         "<text x=\"138\" y=\"112\" text-anchor=\"middle\">filling height, 0 to " +
         HtmlEscape(FormatValue(height)) + " cm</text></svg>";
  return svg;
}

std::string FormatHtml(const std::vector<Record>& records, const BatchSummary& summary) {
  int failed = 0;
  for (const Record& r : records) failed += r.status != Status::kMeasured;
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>Orvello batch report</title>\n<style>" +
      std::string(kStyle) + "</style>\n</head>\n<body>\n";
  html += "<h1>Orvello batch report</h1>\n<p class=\"summary\">" + HtmlEscape(summary.input) +
          ": " + std::to_string(records.size()) + " drawings, " +
          std::to_string(records.size() - failed) + " measured, " + std::to_string(failed) +
          " failed, in " + Fixed(summary.seconds, 1) +
          " s. Capacity range: every radius half a pixel shorter and longer";
  if (summary.scale_error > 0) {
    html += ", scale within " + FormatValue(summary.scale_error * 100) + " %";
  }
  html += ".</p>\n<p class=\"summary\">" + HtmlEscape(summary.provenance.program) + " " +
          HtmlEscape(summary.provenance.version) + "; " +
          HtmlEscape(ParametersText(summary.provenance)) + "</p>\n";
  html +=
      "<table>\n<thead><tr><th>#</th><th>Water image</th><th>Drawing</th>"
      "<th>Status</th><th>Capacity (cL)</th><th>Dimensions</th>"
      "<th>Capacity against filling height</th></tr></thead>\n<tbody>\n";
  for (size_t i = 0; i < records.size(); ++i) {
    const Record& r = records[i];
    const bool ok = r.status == Status::kMeasured;
    html += "<tr><td class=\"num\">" + std::to_string(i + 1) + "</td><td class=\"thumb\">";
    if (!r.refined.overlay_thumbnail_jpeg.empty()) {
      html += "<a href=\"" + HtmlEscape(r.refined.overlay_image) + "\"><img alt=\"overlay of " +
              HtmlEscape(r.job.file) + "\" src=\"data:image/jpeg;base64," +
              Base64(r.refined.overlay_thumbnail_jpeg) + "\"></a>";
      if (!r.water_image.empty()) {
        html += "<a class=\"params\" href=\"" + HtmlEscape(r.water_image) + "\">water image</a>";
      }
    } else if (!r.thumbnail_jpeg.empty()) {
      html += "<a href=\"" + HtmlEscape(r.water_image) + "\"><img alt=\"water image of " +
              HtmlEscape(r.job.file) + "\" src=\"data:image/jpeg;base64," +
              Base64(r.thumbnail_jpeg) + "\"></a>";
    } else if (!r.water_image.empty()) {
      html += "<a href=\"" + HtmlEscape(r.water_image) + "\">water image</a>";
    }
    html += "</td><td class=\"drawing\"><div class=\"file\">" + HtmlEscape(r.job.file) +
            "</div><div class=\"params\">category " + HtmlEscape(r.job.category) + " · " +
            HtmlEscape(r.job.dpi) + " dpi · scale " + HtmlEscape(r.job.scale) +
            (r.job.mirror ? " · mirrored" : "") + "</div></td>";
    html += "<td><span class=\"status " + std::string(ok ? "ok" : "bad") + "\">" +
            std::string(StatusName(r.status)) + "</span>";
    if (!r.message.empty()) html += "<div class=\"message\">" + HtmlEscape(r.message) + "</div>";
    html += "</td><td class=\"num\">";
    const std::optional<double> tool_volume = r.values.Find(ValueId::kVolume);
    html += RefinedHtml(r.refined, ParseCategory(r.job.category), tool_volume);
    if (std::isfinite(r.exchange.body_cl)) {
      html += "<div class=\"range\">clay " + FormatValue(r.exchange.body_cl) + " cL, " +
              FormatValue(r.exchange.weight_g) + " g; full " +
              FormatValue(r.exchange.full_weight_g) + " g</div>";
    }
    if (r.refined.attempted) html += "<div class=\"tools\">";
    if (const std::optional<double> volume = tool_volume; volume && !r.refined.attempted) {
      html += "<div class=\"volume\">" + FormatValue(*volume) + "</div>";
    }
    if (r.range) {
      html += "<div class=\"range\">" + std::string(r.refined.attempted ? "tool range " : "") +
              FormatValue(r.range->low_cl) + " – " + FormatValue(r.range->high_cl) + "</div>";
    }
    for (const FillLevel& f : r.fill) {
      if (f.percent == 100) continue;
      html += "<div class=\"fill\">" + std::to_string(f.percent) +
              " %: " + FormatValue(f.capacity_cl) + "</div>";
    }
    if (r.refined.attempted) html += "</div>";
    html += "</td><td>";
    if (!r.values.empty()) {
      html += "<dl>";
      for (const ValueSpec& spec : kValueSchema) {
        const std::optional<double> v = r.values.Find(spec.id);
        if (!v || spec.id == ValueId::kVolume) continue;
        // The results file's unit, after its blank.
        html += "<dt>" + std::string(spec.title) + "</dt><dd>" + FormatValue(*v) +
                std::string(spec.unit) + "</dd>";
      }
      html += "</dl>";
    }
    html += "</td><td>";
    if (!r.curve.empty()) html += CapacityPlotSvg(r.curve, r.fill);
    html += "</td></tr>\n";
  }
  html += "</tbody>\n</table>\n</body>\n</html>\n";
  return html;
}

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = std::min<size_t>(3, bytes.size() - i);
    unsigned group = 0;
    for (size_t k = 0; k < 3; ++k) {
      group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    }
    for (size_t k = 0; k < 4; ++k) {
      text += k <= n ? kDigits[(group >> (18 - 6 * k)) & 63] : '=';
    }
  }
  return text;
}

std::string HtmlEscape(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

}  // namespace orvello::batch
