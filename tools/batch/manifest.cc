#include "batch/manifest.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <fstream>
#include <limits>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>

#include "common/category.h"

namespace orvello::batch {
namespace {

// The columns the manifest reads; any other is carried through.
constexpr std::array<std::string_view, 5> kKnownColumns = {"file", "category", "dpi", "scale",
                                                           "mirror"};

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// Returns true or false for a mirror field, nothing for an unknown word.
std::optional<bool> ParseMirror(std::string_view text, bool empty_value) {
  const std::string word = Lower(Trim(text));
  if (word.empty()) return empty_value;
  if (word == "1" || word == "yes" || word == "true") return true;
  if (word == "0" || word == "no" || word == "false") return false;
  return std::nullopt;
}

std::string FieldOrDefault(const std::vector<std::string>& fields, int column,
                           const std::string& fallback) {
  if (column < 0 || column >= static_cast<int>(fields.size())) return fallback;
  const std::string_view field = Trim(fields[column]);
  return field.empty() ? fallback : std::string(field);
}

}  // namespace

double ParseNumber(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return value;
}

double ParseScale(std::string_view text) {
  const size_t bar = Trim(text).find_first_of(":/");
  if (bar == std::string_view::npos) return ParseNumber(text);
  text = Trim(text);
  const double drawn = ParseNumber(text.substr(0, bar));
  const double real = ParseNumber(text.substr(bar + 1));
  return drawn / real;
}

int ParseCategory(std::string_view text) {
  text = Trim(text);
  for (const CategoryInfo& category : kCategories) {
    if (text == std::to_string(category.number)) return category.number;
  }
  return 0;
}

char DetectSeparator(std::string_view text) {
  int commas = 0, semicolons = 0;
  bool quoted = false;
  for (const char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n') break;
    commas += c == ',';
    semicolons += c == ';';
  }
  return semicolons > commas ? ';' : ',';
}

std::vector<CsvRecord> SplitCsv(std::string_view text, std::string* error, char separator) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<CsvRecord> records;
  CsvRecord record{1, {}};
  std::string field;
  bool quoted = false;       // inside a quoted field
  bool had_content = false;  // the record has a character or a quote
  int line = 1;
  int quote_line = 0;
  const auto end_field = [&] {
    record.fields.push_back(std::move(field));
    field.clear();
  };
  const auto end_record = [&] {
    end_field();
    if (had_content) records.push_back(std::move(record));
    record = CsvRecord{line, {}};
    had_content = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n') ++line;
        field += c;
      }
      continue;
    }
    if (c == '"') {
      quoted = true;
      quote_line = line;
      had_content = true;
    } else if (c == separator) {
      end_field();
      had_content = true;
    } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      if (c == '\r') ++i;
      ++line;
      end_record();
    } else {
      field += c;
      if (c != ' ' && c != '\t' && c != '\r') had_content = true;
    }
  }
  if (quoted) {
    *error = "line " + std::to_string(quote_line) + ": a quoted field is not closed";
    return records;
  }
  end_record();
  return records;
}

JobList ParseManifest(std::string_view text, const std::filesystem::path& folder,
                      const JobDefaults& defaults) {
  JobList list;
  const char separator = DetectSeparator(text);
  std::vector<CsvRecord> records = SplitCsv(text, &list.error, separator);
  if (!list.error.empty()) return list;
  if (records.empty()) {
    list.error =
        "the manifest is empty: its first line must be the header "
        "file,category,dpi,scale";
    return list;
  }
  std::map<std::string, int> columns;
  std::vector<int> extra_columns;
  const std::vector<std::string>& header = records.front().fields;
  for (int i = 0; i < static_cast<int>(header.size()); ++i) {
    const std::string name = Lower(Trim(header[i]));
    if (std::find(kKnownColumns.begin(), kKnownColumns.end(), name) == kKnownColumns.end()) {
      extra_columns.push_back(i);
      list.extra_columns.emplace_back(Trim(header[i]));
    }
    columns.emplace(name, i);
  }
  static constexpr std::array<const char*, 4> kRequired = {"file", "category", "dpi", "scale"};
  for (const char* name : kRequired) {
    if (!columns.contains(name)) {
      list.error = std::string("the header has no column \"") + name +
                   "\": it must name file, category, dpi and scale (mirror is optional)";
      return list;
    }
  }
  const auto column = [&](const char* name) {
    const auto found = columns.find(name);
    return found == columns.end() ? -1 : found->second;
  };
  for (size_t r = 1; r < records.size(); ++r) {
    const std::vector<std::string>& fields = records[r].fields;
    Job job;
    job.line = records[r].line;
    job.file = FieldOrDefault(fields, column("file"), "");
    if (!job.file.empty()) {
      const std::filesystem::path file(job.file);
      job.path = file.is_absolute() ? file : folder / file;
    }
    job.category = FieldOrDefault(fields, column("category"), defaults.category);
    job.dpi = FieldOrDefault(fields, column("dpi"), defaults.dpi);
    job.scale = FieldOrDefault(fields, column("scale"), defaults.scale);
    if (separator == ';') {
      // A spreadsheet that separates fields with semicolons writes decimal
      // commas.
      std::replace(job.dpi.begin(), job.dpi.end(), ',', '.');
      std::replace(job.scale.begin(), job.scale.end(), ',', '.');
    }
    for (const int extra : extra_columns) {
      job.extra.push_back(extra < static_cast<int>(fields.size()) ? fields[extra] : "");
    }
    const int mirror_column = column("mirror");
    const std::string mirror = mirror_column >= 0 && mirror_column < static_cast<int>(fields.size())
                                   ? fields[mirror_column]
                                   : "";
    const std::optional<bool> mirrored = ParseMirror(mirror, defaults.mirror);
    job.mirror = mirrored.value_or(false);
    if (job.file.empty()) {
      job.row_error = "line " + std::to_string(job.line) + ", column file: the row names no file";
    } else if (!mirrored) {
      job.row_error = "line " + std::to_string(job.line) +
                      ", column mirror: must be 1, 0, yes, no, true or false, not \"" +
                      std::string(Trim(mirror)) + "\"";
    }
    list.jobs.push_back(std::move(job));
  }
  return list;
}

JobList ReadManifest(const std::filesystem::path& manifest, const JobDefaults& defaults) {
  std::ifstream file(manifest, std::ios::binary);
  std::ostringstream text;
  if (file) text << file.rdbuf();
  if (!file || file.bad()) {
    return {{}, "Cannot read the manifest: " + manifest.string()};
  }
  JobList list = ParseManifest(text.str(), manifest.parent_path(), defaults);
  if (!list.error.empty()) list.error = manifest.string() + ": " + list.error;
  return list;
}

bool HasImageExtension(const std::filesystem::path& path) {
  static constexpr std::array<std::string_view, 20> kExtensions = {
      ".bmp", ".dib", ".jpg", ".jpeg", ".jpe", ".jp2", ".png",  ".webp", ".pbm", ".pgm",
      ".ppm", ".pxm", ".pnm", ".sr",   ".ras", ".tif", ".tiff", ".exr",  ".hdr", ".pic"};
  const std::string extension = Lower(path.extension().string());
  return std::find(kExtensions.begin(), kExtensions.end(), extension) != kExtensions.end();
}

JobList ListFolder(const std::filesystem::path& folder, const JobDefaults& defaults) {
  JobList list;
  std::error_code error;
  std::filesystem::directory_iterator entries(folder, error);
  if (error) {
    list.error = "Cannot list the folder " + folder.string() + ": " + error.message();
    return list;
  }
  std::vector<std::filesystem::path> files;
  for (const auto& entry : entries) {
    if (entry.is_regular_file(error) && HasImageExtension(entry.path())) {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  for (const std::filesystem::path& file : files) {
    Job job;
    job.file = file.filename().string();
    job.path = file;
    job.category = defaults.category;
    job.dpi = defaults.dpi;
    job.scale = defaults.scale;
    job.mirror = defaults.mirror;
    list.jobs.push_back(std::move(job));
  }
  return list;
}

}  // namespace orvello::batch
