// The three forms of a profile: CSV, SVG and DXF, written and read.

#include "exchange/exchange.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

namespace orvello::exchange {
namespace {

constexpr double kMmPerCm = 10;
constexpr double kMarginMm = 10;   // paper around the drawing in the SVG
constexpr double kAxisOverMm = 5;  // the axis line's reach beyond the profile

// Returns `value` with nine significant digits, "-0" written "0".
std::string Number(double value) {
  if (value == 0) value = 0;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.9g", value);
  return buffer;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

// Returns the number that `text` is exactly (surrounding blanks allowed), or
// nothing.
std::optional<double> ParseNumber(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

// Splits `text` into lines, without their line ends.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// The extent of both walls: heights and the largest radius, in cm.
struct Extent {
  double low = 0, high = 0, radius = 0;
};

Extent ExtentOf(const VesselProfile& p) {
  Extent e;
  bool first = true;
  for (const auto* wall : {&p.inner, &p.outer}) {
    for (const ProfilePoint& q : *wall) {
      if (first) e.low = e.high = q.height_cm;
      first = false;
      e.low = std::min(e.low, q.height_cm);
      e.high = std::max(e.high, q.height_cm);
      e.radius = std::max(e.radius, q.radius_cm);
    }
  }
  return e;
}

// The height of the rim line: the interior's first point, else the
// exterior's.
double RimHeight(const VesselProfile& p) {
  if (!p.inner.empty()) return p.inner.front().height_cm;
  if (!p.outer.empty()) return p.outer.front().height_cm;
  return 0;
}

// Makes a wall run from its top down and the heights relative to the
// interior's floor (the exterior's foot without an interior).
Imported Finish(VesselProfile profile) {
  Imported result;
  for (auto* wall : {&profile.inner, &profile.outer}) {
    if (wall->size() >= 2 && wall->front().height_cm < wall->back().height_cm) {
      std::reverse(wall->begin(), wall->end());
    }
    for (ProfilePoint& q : *wall) q.radius_cm = std::abs(q.radius_cm);
  }
  if (profile.inner.size() < 2 && profile.outer.size() < 2) {
    result.error = "no wall of two points or more";
    return result;
  }
  const std::vector<ProfilePoint>& base = profile.inner.size() >= 2 ? profile.inner : profile.outer;
  double floor = base.front().height_cm;
  for (const ProfilePoint& q : base) floor = std::min(floor, q.height_cm);
  if (floor != 0) {
    for (auto* wall : {&profile.inner, &profile.outer}) {
      for (ProfilePoint& q : *wall) q.height_cm -= floor;
    }
  }
  result.ok = true;
  result.profile = std::move(profile);
  return result;
}

Imported Failed(std::string error) {
  Imported result;
  result.error = std::move(error);
  return result;
}

// --- SVG reading -------------------------------------------------------

struct Element {
  std::string name;  // lower case
  std::vector<std::pair<std::string, std::string>> attributes;

  std::optional<std::string> Get(std::string_view key) const {
    for (const auto& [k, v] : attributes) {
      if (k == key) return v;
    }
    return std::nullopt;
  }
};

// Returns the start tags of an XML text, comments and declarations skipped.
std::vector<Element> StartTags(std::string_view text) {
  std::vector<Element> tags;
  size_t i = 0;
  while ((i = text.find('<', i)) != std::string_view::npos) {
    if (text.substr(i, 4) == "<!--") {
      const size_t end = text.find("-->", i);
      if (end == std::string_view::npos) break;
      i = end + 3;
      continue;
    }
    if (i + 1 < text.size() && (text[i + 1] == '?' || text[i + 1] == '!' || text[i + 1] == '/')) {
      i = text.find('>', i);
      if (i == std::string_view::npos) break;
      continue;
    }
    ++i;
    Element e;
    while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) &&
           text[i] != '>' && text[i] != '/') {
      e.name += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i++])));
    }
    while (i < text.size() && text[i] != '>') {
      if (std::isspace(static_cast<unsigned char>(text[i])) || text[i] == '/') {
        ++i;
        continue;
      }
      std::string key;
      while (i < text.size() && text[i] != '=' && text[i] != '>' &&
             !std::isspace(static_cast<unsigned char>(text[i]))) {
        key += text[i++];
      }
      while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
      std::string value;
      if (i < text.size() && text[i] == '=') {
        ++i;
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
          const char quote = text[i++];
          const size_t end = text.find(quote, i);
          if (end == std::string_view::npos) return tags;
          value = std::string(text.substr(i, end - i));
          i = end + 1;
        }
      }
      e.attributes.emplace_back(std::move(key), std::move(value));
    }
    tags.push_back(std::move(e));
  }
  return tags;
}

// Reads the numbers of an SVG list ("1,2 3.5e1 -4-5") into *numbers.
// Returns false on a malformed number.
bool ParseNumberList(std::string_view text, std::vector<double>* numbers) {
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (std::isspace(static_cast<unsigned char>(c)) || c == ',') {
      ++i;
      continue;
    }
    size_t j = i;
    if (text[j] == '+' || text[j] == '-') ++j;
    bool dot = false;
    while (j < text.size() &&
           (std::isdigit(static_cast<unsigned char>(text[j])) || (text[j] == '.' && !dot))) {
      dot = dot || text[j] == '.';
      ++j;
    }
    if (j < text.size() && (text[j] == 'e' || text[j] == 'E')) {
      size_t k = j + 1;
      if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
      if (k < text.size() && std::isdigit(static_cast<unsigned char>(text[k]))) {
        j = k;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
      }
    }
    const std::optional<double> value = ParseNumber(text.substr(i, j - i));
    if (!value) return false;
    numbers->push_back(*value);
    i = j;
  }
  return true;
}

// Returns the points of an SVG path's data (commands M, L, H, V, Z, absolute
// or relative), or nothing on another command or a malformed number.
std::optional<std::vector<std::pair<double, double>>> PathPoints(std::string_view d) {
  std::vector<std::pair<double, double>> points;
  double x = 0, y = 0;
  size_t i = 0;
  char command = 0;
  while (i < d.size()) {
    if (std::isalpha(static_cast<unsigned char>(d[i])) && d[i] != 'e' && d[i] != 'E') {
      command = d[i++];
      if (command == 'z' || command == 'Z') command = 0;
      continue;
    }
    size_t j = i;
    while (j < d.size() &&
           !(std::isalpha(static_cast<unsigned char>(d[j])) && d[j] != 'e' && d[j] != 'E')) {
      ++j;
    }
    std::vector<double> numbers;
    if (!ParseNumberList(d.substr(i, j - i), &numbers)) return std::nullopt;
    i = j;
    if (numbers.empty()) continue;
    size_t k = 0;
    while (k < numbers.size()) {
      const bool relative = std::islower(static_cast<unsigned char>(command));
      switch (std::toupper(static_cast<unsigned char>(command))) {
        case 'M':
        case 'L':
          if (k + 1 >= numbers.size()) return std::nullopt;
          x = numbers[k] + (relative ? x : 0);
          y = numbers[k + 1] + (relative ? y : 0);
          k += 2;
          // Pairs after a moveto are linetos.
          if (command == 'M') command = 'L';
          if (command == 'm') command = 'l';
          break;
        case 'H':
          x = numbers[k++] + (relative ? x : 0);
          break;
        case 'V':
          y = numbers[k++] + (relative ? y : 0);
          break;
        default:
          return std::nullopt;
      }
      points.emplace_back(x, y);
    }
  }
  return points;
}

// Returns millimetres per unit of an SVG length's unit suffix, or nothing.
std::optional<double> MmPerUnit(std::string_view unit) {
  if (unit == "mm") return 1.0;
  if (unit == "cm") return 10.0;
  if (unit == "in") return 25.4;
  if (unit == "pt") return 25.4 / 72;
  if (unit == "px" || unit.empty()) return 25.4 / 96;
  return std::nullopt;
}

// Returns the mm per user unit of the root element.
double UserUnitMm(const Element& svg) {
  const std::optional<std::string> width = svg.Get("width");
  const std::optional<std::string> view_box = svg.Get("viewBox");
  if (!width || !view_box) return 1;
  std::string_view w = Trim(*width);
  size_t split = w.size();
  while (split > 0 && std::isalpha(static_cast<unsigned char>(w[split - 1]))) --split;
  const std::optional<double> length = ParseNumber(w.substr(0, split));
  const std::optional<double> mm = MmPerUnit(w.substr(split));
  std::vector<double> box;
  if (!length || !mm || w.substr(split).empty() || !ParseNumberList(*view_box, &box) ||
      box.size() != 4 || !(box[2] > 0)) {
    return 1;
  }
  return *length * *mm / box[2];
}

bool Names(const Element& e, std::string_view name) {
  for (const char* key : {"id", "class", "inkscape:label"}) {
    if (const std::optional<std::string> v = e.Get(key)) {
      const std::string lower = Lower(*v);
      if (lower == name) return true;
      // A class list.
      size_t start = 0;
      while (start <= lower.size()) {
        size_t end = lower.find(' ', start);
        if (end == std::string::npos) end = lower.size();
        if (std::string_view(lower).substr(start, end - start) == name) return true;
        start = end + 1;
      }
    }
  }
  return false;
}

// --- DXF reading -------------------------------------------------------

struct Group {
  int code;
  std::string_view value;
};

std::optional<std::vector<Group>> Groups(std::string_view text) {
  const std::vector<std::string_view> lines = Lines(text);
  std::vector<Group> groups;
  for (size_t i = 0; i + 1 < lines.size(); i += 2) {
    const std::string_view code_text = Trim(lines[i]);
    int code = 0;
    const auto [end, error] =
        std::from_chars(code_text.data(), code_text.data() + code_text.size(), code);
    if (error != std::errc() || end != code_text.data() + code_text.size()) return std::nullopt;
    groups.push_back({code, Trim(lines[i + 1])});
  }
  return groups;
}

}  // namespace

std::string_view FormatName(Format format) {
  switch (format) {
    case Format::kCsv:
      return "csv";
    case Format::kSvg:
      return "svg";
    case Format::kDxf:
      return "dxf";
  }
  return "csv";
}

bool ParseFormat(std::string_view name, Format* format) {
  for (Format f : {Format::kCsv, Format::kSvg, Format::kDxf}) {
    if (name == FormatName(f)) {
      *format = f;
      return true;
    }
  }
  return false;
}

bool FormatOfPath(std::string_view path, Format* format) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.find_last_of("/\\");
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
    return false;
  }
  return ParseFormat(Lower(path.substr(dot + 1)), format);
}

bool ParseFormatList(std::string_view list, std::vector<Format>* formats) {
  std::vector<Format> out;
  size_t start = 0;
  while (true) {
    size_t end = list.find(',', start);
    if (end == std::string_view::npos) end = list.size();
    Format f;
    if (!ParseFormat(Lower(Trim(list.substr(start, end - start))), &f)) return false;
    if (std::find(out.begin(), out.end(), f) == out.end()) out.push_back(f);
    if (end == list.size()) break;
    start = end + 1;
  }
  *formats = std::move(out);
  return true;
}

std::string ToCsv(const VesselProfile& profile) {
  std::string out = "part,height_cm,radius_cm\n";
  for (const auto& [name, wall] : {std::pair{"inner", &profile.inner}, {"outer", &profile.outer}}) {
    for (const ProfilePoint& q : *wall) {
      out += name;
      out += ',' + Number(q.height_cm) + ',' + Number(q.radius_cm) + '\n';
    }
  }
  return out;
}

std::string ToSvg(const VesselProfile& profile) {
  const Extent e = ExtentOf(profile);
  const double width = 2 * kMarginMm + e.radius * kMmPerCm;
  const double height = 2 * kMarginMm + (e.high - e.low) * kMmPerCm;
  const double axis = kMarginMm + e.radius * kMmPerCm;
  auto x = [&](double radius_cm) { return axis - radius_cm * kMmPerCm; };
  auto y = [&](double height_cm) { return kMarginMm + (e.high - height_cm) * kMmPerCm; };

  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + Number(width) +
         "mm\" height=\"" + Number(height) + "mm\" viewBox=\"0 0 " + Number(width) + ' ' +
         Number(height) + "\">\n";
  out +=
      "  <title>Vessel profile, true size, millimetres: section left of the axis, the rim "
      "line at the top</title>\n";
  out += "  <g fill=\"none\" stroke=\"black\" stroke-width=\"0.35\" stroke-linejoin=\"round\">\n";
  for (const auto& [name, wall] : {std::pair{"inner", &profile.inner}, {"outer", &profile.outer}}) {
    if (wall->empty()) continue;
    out += "    <polyline id=\"";
    out += name;
    out += "\" points=\"";
    for (size_t i = 0; i < wall->size(); ++i) {
      if (i > 0) out += ' ';
      out += Number(x((*wall)[i].radius_cm)) + ',' + Number(y((*wall)[i].height_cm));
    }
    out += "\"/>\n";
  }
  const double rim_h = RimHeight(profile);
  double rim_r = 0;
  if (!profile.inner.empty()) rim_r = profile.inner.front().radius_cm;
  if (!profile.outer.empty()) rim_r = std::max(rim_r, profile.outer.front().radius_cm);
  out += "    <line id=\"rim\" x1=\"" + Number(x(rim_r)) + "\" y1=\"" + Number(y(rim_h)) +
         "\" x2=\"" + Number(axis) + "\" y2=\"" + Number(y(rim_h)) + "\"/>\n";
  out += "    <line id=\"axis\" x1=\"" + Number(axis) + "\" y1=\"" +
         Number(kMarginMm - kAxisOverMm) + "\" x2=\"" + Number(axis) + "\" y2=\"" +
         Number(height - kMarginMm + kAxisOverMm) +
         "\" stroke-width=\"0.25\" stroke-dasharray=\"6 1.5 1 1.5\"/>\n";
  out += "  </g>\n</svg>\n";
  return out;
}

std::string ToDxf(const VesselProfile& profile) {
  const Extent e = ExtentOf(profile);
  std::string out;
  auto group = [&](int code, std::string_view value) {
    out += std::to_string(code) + '\n';
    out += value;
    out += '\n';
  };
  auto point = [&](int code, double x, double y) {
    group(code, Number(x));
    group(code + 10, Number(y));
    group(code + 20, "0.0");
  };
  const double axis_top = e.high * kMmPerCm + kAxisOverMm;
  const double axis_bottom = e.low * kMmPerCm - kAxisOverMm;

  group(999,
        "Vessel profile in millimetres: x = -radius (axis on x = 0), y = height above "
        "the inner floor");
  group(0, "SECTION");
  group(2, "HEADER");
  group(9, "$ACADVER");
  group(1, "AC1009");
  // Not an AC1009 variable; readers that know it take millimetres, others
  // skip it.
  group(9, "$INSUNITS");
  group(70, "4");
  group(9, "$EXTMIN");
  point(10, -e.radius * kMmPerCm, axis_bottom);
  group(9, "$EXTMAX");
  point(10, 0, axis_top);
  group(0, "ENDSEC");

  group(0, "SECTION");
  group(2, "TABLES");
  group(0, "TABLE");
  group(2, "LTYPE");
  group(70, "1");
  group(0, "LTYPE");
  group(2, "CONTINUOUS");
  group(70, "0");
  group(3, "Solid line");
  group(72, "65");
  group(73, "0");
  group(40, "0.0");
  group(0, "ENDTAB");
  group(0, "TABLE");
  group(2, "LAYER");
  group(70, "5");
  const std::pair<const char*, const char*> layers[] = {
      {"0", "7"}, {"INNER", "5"}, {"OUTER", "1"}, {"AXIS", "8"}, {"RIM", "3"}};
  for (const auto& [name, colour] : layers) {
    group(0, "LAYER");
    group(2, name);
    group(70, "0");
    group(62, colour);
    group(6, "CONTINUOUS");
  }
  group(0, "ENDTAB");
  group(0, "ENDSEC");

  group(0, "SECTION");
  group(2, "ENTITIES");
  for (const auto& [layer, wall] :
       {std::pair{"INNER", &profile.inner}, {"OUTER", &profile.outer}}) {
    if (wall->empty()) continue;
    group(0, "POLYLINE");
    group(8, layer);
    group(66, "1");
    point(10, 0, 0);
    group(70, "0");
    for (const ProfilePoint& q : *wall) {
      group(0, "VERTEX");
      group(8, layer);
      point(10, -q.radius_cm * kMmPerCm, q.height_cm * kMmPerCm);
    }
    group(0, "SEQEND");
    group(8, layer);
  }
  group(0, "LINE");
  group(8, "AXIS");
  point(10, 0, axis_top);
  point(11, 0, axis_bottom);
  const double rim_h = RimHeight(profile) * kMmPerCm;
  double rim_r = 0;
  if (!profile.inner.empty()) rim_r = profile.inner.front().radius_cm;
  if (!profile.outer.empty()) rim_r = std::max(rim_r, profile.outer.front().radius_cm);
  group(0, "LINE");
  group(8, "RIM");
  point(10, -rim_r * kMmPerCm, rim_h);
  point(11, 0, rim_h);
  group(0, "ENDSEC");
  group(0, "EOF");
  return out;
}

std::string Export(const VesselProfile& profile, Format format) {
  switch (format) {
    case Format::kCsv:
      return ToCsv(profile);
    case Format::kSvg:
      return ToSvg(profile);
    case Format::kDxf:
      return ToDxf(profile);
  }
  return {};
}

Imported FromCsv(std::string_view text) {
  const std::vector<std::string_view> lines = Lines(text);
  if (lines.empty()) return Failed("empty profile file");
  auto split = [](std::string_view line) {
    std::vector<std::string_view> cells;
    size_t start = 0;
    while (true) {
      size_t end = line.find(',', start);
      if (end == std::string_view::npos) end = line.size();
      cells.push_back(Trim(line.substr(start, end - start)));
      if (end == line.size()) break;
      start = end + 1;
    }
    return cells;
  };
  std::string_view header = lines[0];
  if (header.substr(0, 3) == "\xEF\xBB\xBF") header.remove_prefix(3);
  const std::vector<std::string_view> names = split(header);
  int part = -1, height = -1, radius = -1;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string name = Lower(names[i]);
    if (name == "part") part = static_cast<int>(i);
    if (name == "height_cm") height = static_cast<int>(i);
    if (name == "radius_cm") radius = static_cast<int>(i);
  }
  if (part < 0 || height < 0 || radius < 0) {
    return Failed("the header lacks part, height_cm or radius_cm");
  }
  const size_t needed = static_cast<size_t>(std::max({part, height, radius})) + 1;
  VesselProfile profile;
  for (size_t n = 1; n < lines.size(); ++n) {
    if (Trim(lines[n]).empty()) continue;
    const std::vector<std::string_view> cells = split(lines[n]);
    const std::string where = "line " + std::to_string(n + 1);
    if (cells.size() < needed) return Failed(where + ": too few fields");
    const std::string name = Lower(cells[part]);
    const std::optional<double> h = ParseNumber(cells[height]);
    const std::optional<double> r = ParseNumber(cells[radius]);
    if (!h || !r) return Failed(where + ": not a number");
    if (name == "inner") {
      profile.inner.push_back({*h, *r});
    } else if (name == "outer") {
      profile.outer.push_back({*h, *r});
    } else {
      return Failed(where + ": part is neither inner nor outer");
    }
  }
  return Finish(std::move(profile));
}

Imported FromSvg(std::string_view text) {
  const std::vector<Element> tags = StartTags(text);
  const auto root =
      std::find_if(tags.begin(), tags.end(), [](const Element& e) { return e.name == "svg"; });
  if (root == tags.end()) return Failed("no <svg> element");
  const double unit = UserUnitMm(*root);

  std::optional<double> axis_x;
  std::vector<std::pair<double, double>> inner, outer;
  std::vector<std::vector<std::pair<double, double>>> unnamed;
  for (const Element& e : tags) {
    std::vector<std::pair<double, double>> points;
    if (e.name == "polyline" || e.name == "polygon") {
      std::vector<double> numbers;
      if (!ParseNumberList(e.Get("points").value_or(""), &numbers) || numbers.size() % 2 != 0) {
        return Failed("malformed polyline points");
      }
      for (size_t i = 0; i + 1 < numbers.size(); i += 2)
        points.emplace_back(numbers[i], numbers[i + 1]);
    } else if (e.name == "path") {
      const auto path = PathPoints(e.Get("d").value_or(""));
      if (!path) return Failed("a path with curves or malformed data (only M, L, H, V, Z)");
      points = *path;
    } else if (e.name == "line") {
      const std::optional<double> x1 = ParseNumber(e.Get("x1").value_or("0"));
      const std::optional<double> y1 = ParseNumber(e.Get("y1").value_or("0"));
      const std::optional<double> x2 = ParseNumber(e.Get("x2").value_or("0"));
      const std::optional<double> y2 = ParseNumber(e.Get("y2").value_or("0"));
      if (!x1 || !y1 || !x2 || !y2) return Failed("malformed line");
      points = {{*x1, *y1}, {*x2, *y2}};
    } else {
      continue;
    }
    if (Names(e, "axis")) {
      if (!points.empty() && !axis_x) axis_x = points.front().first;
    } else if (Names(e, "inner")) {
      if (inner.empty()) inner = points;
    } else if (Names(e, "outer")) {
      if (outer.empty()) outer = points;
    } else if (e.name != "line" && !Names(e, "rim")) {
      unnamed.push_back(points);
    }
  }
  if (inner.empty() && outer.empty()) {
    if (unnamed.size() != 1) return Failed("no polyline or path named inner or outer");
    inner = unnamed.front();
  }
  const double axis = axis_x.value_or(0);
  VesselProfile profile;
  auto convert = [&](const std::vector<std::pair<double, double>>& points,
                     std::vector<ProfilePoint>* wall) {
    for (const auto& [px, py] : points) {
      wall->push_back({-py * unit / kMmPerCm, std::abs(px - axis) * unit / kMmPerCm});
    }
  };
  convert(inner, &profile.inner);
  convert(outer, &profile.outer);
  return Finish(std::move(profile));
}

Imported FromDxf(std::string_view text) {
  const std::optional<std::vector<Group>> groups = Groups(text);
  if (!groups) return Failed("not an ASCII DXF file");
  VesselProfile profile;
  std::optional<double> axis_x;
  // The entity being read.
  std::string type, layer;
  std::vector<ProfilePoint>* target = nullptr;  // the wall a POLYLINE's vertices go to
  bool in_polyline = false;
  std::vector<std::pair<double, double>> points;
  double x = 0;
  bool have_x = false;
  auto wall_of = [&](std::string_view name) -> std::vector<ProfilePoint>* {
    const std::string lower = Lower(name);
    if (lower == "inner") return &profile.inner;
    if (lower == "outer") return &profile.outer;
    return nullptr;
  };
  std::vector<ProfilePoint> polyline_points;
  bool units_next = false;
  double unit_mm = 1;  // $INSUNITS: inches, feet, mm, cm, m; mm when unset or other
  auto end_entity = [&]() {
    if (type == "LWPOLYLINE") {
      std::vector<ProfilePoint>* wall = wall_of(layer);
      if (wall && wall->empty()) {
        for (const auto& [px, py] : points) wall->push_back({py / kMmPerCm, px / kMmPerCm});
      }
    } else if (type == "VERTEX" && in_polyline && !points.empty()) {
      polyline_points.push_back(
          {points.front().second / kMmPerCm, points.front().first / kMmPerCm});
    } else if (type == "LINE" && Lower(layer) == "axis" && !axis_x && !points.empty()) {
      axis_x = points.front().first;
    }
  };
  for (const Group& g : *groups) {
    if (g.code == 0) {
      end_entity();
      type = std::string(g.value);
      layer.clear();
      points.clear();
      have_x = false;
      if (type == "SEQEND" && in_polyline) {
        if (target && target->empty()) *target = polyline_points;
        in_polyline = false;
      }
      continue;
    }
    if (g.code == 9) {
      units_next = g.value == "$INSUNITS";
    } else if (g.code == 70 && units_next) {
      static const std::pair<std::string_view, double> kUnits[] = {
          {"1", 25.4}, {"2", 304.8}, {"4", 1}, {"5", 10}, {"6", 1000}};
      for (const auto& [code, mm] : kUnits) {
        if (g.value == code) unit_mm = mm;
      }
      units_next = false;
    } else if (g.code == 8) {
      layer = std::string(g.value);
      if (type == "POLYLINE") {
        in_polyline = true;
        target = wall_of(layer);
        polyline_points.clear();
      }
    } else if (g.code == 10) {
      const std::optional<double> v = ParseNumber(g.value);
      if (!v) return Failed("malformed coordinate");
      x = *v;
      have_x = true;
    } else if (g.code == 20 && have_x) {
      const std::optional<double> v = ParseNumber(g.value);
      if (!v) return Failed("malformed coordinate");
      points.emplace_back(x, *v);
      have_x = false;
    }
  }
  end_entity();
  for (auto* wall : {&profile.inner, &profile.outer}) {
    for (ProfilePoint& q : *wall) {
      q.radius_cm = (q.radius_cm - axis_x.value_or(0) / kMmPerCm) * unit_mm;
      q.height_cm *= unit_mm;
    }
  }
  if (profile.inner.empty() && profile.outer.empty()) {
    return Failed("no polyline on layer INNER or OUTER");
  }
  return Finish(std::move(profile));
}

Imported Import(std::string_view text, Format format) {
  switch (format) {
    case Format::kCsv:
      return FromCsv(text);
    case Format::kSvg:
      return FromSvg(text);
    case Format::kDxf:
      return FromDxf(text);
  }
  return Failed("unknown format");
}

}  // namespace orvello::exchange
