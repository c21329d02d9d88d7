#include "batch/plates_cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <opencv2/imgcodecs.hpp>
#include <sstream>

#include "batch/manifest.h"
#include "batch/output.h"
#include "common/image_io.h"
#include "common/safe_file.h"
#include "plates/ocr.h"
#include "plates/plates.h"

namespace orvello::batch {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const size_t start = text.find_first_not_of(" \t");
  const size_t end = text.find_last_not_of(" \t");
  return start == std::string::npos ? "" : text.substr(start, end - start + 1);
}

bool IsImage(const fs::path& path) {
  const std::string ext = Lower(path.extension().string());
  for (const char* known : {".png", ".jpg", ".jpeg", ".tif", ".tiff", ".bmp"}) {
    if (ext == known) return true;
  }
  return false;
}

double Finite(double value) { return std::isfinite(value) ? value : 0; }

json Number(double value) { return std::isfinite(value) ? json(value) : json(nullptr); }

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\n") == std::string::npos) return text;
  std::string out = "\"";
  for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string CsvNumber(double value) {
  if (!std::isfinite(value)) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

bool WriteImage(const fs::path& path, const cv::Mat& image) {
  std::vector<uchar> bytes;
  const std::string ext = path.extension().string();
  if (!cv::imencode(ext, image, bytes)) return false;
  return WriteWhole(path, std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                           bytes.size())) == WriteOutcome::kWritten;
}

}  // namespace

bool WantsPlates(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--plates") return true;
  }
  return false;
}

std::vector<PlateJob> ReadPlateManifest(const std::string& text, const fs::path& folder,
                                        const PlateJob& defaults, std::string* error) {
  const char separator = DetectSeparator(text);
  const std::vector<CsvRecord> records = SplitCsv(text, error, separator);
  std::vector<PlateJob> jobs;
  if (records.empty()) {
    if (error->empty()) *error = "the manifest is empty";
    return jobs;
  }
  int file = -1, dpi = -1, scale = -1, bar = -1;
  for (size_t i = 0; i < records[0].fields.size(); ++i) {
    const std::string name = Lower(records[0].fields[i]);
    const int index = static_cast<int>(i);
    if (name == "file") file = index;
    if (name == "dpi") dpi = index;
    if (name == "scale") scale = index;
    if (name == "bar") bar = index;
  }
  if (file < 0) {
    *error = "the manifest's header has no file column";
    return jobs;
  }
  auto field = [](const CsvRecord& r, int column) {
    return column >= 0 && column < static_cast<int>(r.fields.size()) ? Lower(r.fields[column])
                                                                     : std::string();
  };
  for (size_t r = 1; r < records.size(); ++r) {
    const CsvRecord& record = records[r];
    PlateJob job = defaults;
    fs::path path = record.fields[static_cast<size_t>(file)];
    job.file = path.is_relative() ? folder / path : path;
    std::string text_dpi = field(record, dpi), text_scale = field(record, scale),
                text_bar = field(record, bar);
    if (separator == ';') {
      std::replace(text_dpi.begin(), text_dpi.end(), ',', '.');
      std::replace(text_scale.begin(), text_scale.end(), ',', '.');
      std::replace(text_bar.begin(), text_bar.end(), ',', '.');
    }
    if (!text_dpi.empty()) job.dpi = ParseNumber(text_dpi);
    if (!text_scale.empty()) job.scale = ParseScale(text_scale);
    if (!text_bar.empty()) job.bar_cm = plates::ParseLength(text_bar);
    if (!(job.dpi > 0) || !std::isfinite(job.dpi) || !(job.scale >= 0) || !(job.bar_cm >= 0)) {
      *error = "line " + std::to_string(record.line) +
               ": the dpi must be a number above 0, the scale a number or ratio, the bar a "
               "length such as 5cm";
      jobs.clear();
      return jobs;
    }
    jobs.push_back(job);
  }
  return jobs;
}

int RunPlatesCommandLine(int argc, const char* const* argv) {
  std::string input, output = "orvello-plates", bar, surface_name = "middle";
  PlateJob defaults;
  defaults.dpi = 300;
  std::string scale_text;
  bool plates_flag = false;
  CLI::App app(
      "Measures whole plates: finds every vessel drawing on each page, decides its category "
      "and side, reads the scale bar and the catalogue numbers (OCR), and measures each "
      "drawing with the profile measurement. Input: a plate image, a folder of them, or a "
      "CSV manifest (header file and optional dpi, scale, bar). Writes plates.csv, "
      "plates.json and, per plate, the overview, every drawing's crop and overlay.\nExit "
      "status: 0 every drawing measured, 1 some refused or a plate unreadable, 2 input or "
      "output folder unusable.",
      "orvello-batch --plates");
  app.add_flag("--plates", plates_flag, "Measure whole plates")->required();
  app.add_option("input", input, "Plate image, folder of plates, or CSV manifest")->required();
  app.add_option("-o,--out", output, "Output folder")->capture_default_str();
  app.add_option("--dpi", defaults.dpi, "Scan resolution of the plates (dots per inch)")
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
  app.add_option("--scale", scale_text,
                 "Scale of the drawings (drawn / real, 0.5 or 1:2), used where no bar is "
                 "found or read; a bar that differs by more than 1 % is warned of");
  app.add_option("--bar", bar, "Length of the plates' scale bars (5cm, 50mm), instead of OCR");
  app.add_option("--surface", surface_name,
                 "Where the surface lies in an outline stroke: middle or edge")
      ->check(CLI::IsMember({"middle", "edge"}))
      ->capture_default_str();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  if (!scale_text.empty()) {
    defaults.scale = ParseScale(scale_text);
    if (!(defaults.scale > 0)) {
      std::cerr << "the scale must be a number above 0 or a ratio such as 1:3\n";
      return 2;
    }
  }
  if (!bar.empty()) {
    defaults.bar_cm = plates::ParseLength(bar);
    if (!(defaults.bar_cm > 0)) {
      std::cerr << "the bar length must be a length such as 5cm or 50mm, not " << bar << "\n";
      return 2;
    }
  }
  profile::Surface surface = profile::Surface::kMiddle;
  profile::ParseSurface(surface_name, &surface);

  std::vector<PlateJob> jobs;
  const fs::path in = input;
  std::error_code code;
  if (fs::is_directory(in, code)) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(in, code)) {
      if (entry.is_regular_file() && IsImage(entry.path())) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      PlateJob job = defaults;
      job.file = file;
      jobs.push_back(job);
    }
  } else if (Lower(in.extension().string()) == ".csv") {
    std::ifstream stream(in, std::ios::binary);
    if (!stream) {
      std::cerr << "cannot read the manifest " << in.string() << "\n";
      return 2;
    }
    std::stringstream text;
    text << stream.rdbuf();
    std::string error;
    jobs = ReadPlateManifest(text.str(), in.parent_path(), defaults, &error);
    if (!error.empty()) {
      std::cerr << in.string() << ": " << error << "\n";
      return 2;
    }
  } else if (fs::is_regular_file(in, code)) {
    PlateJob job = defaults;
    job.file = in;
    jobs.push_back(job);
  } else {
    std::cerr << "no plate image, folder or manifest at " << in.string() << "\n";
    return 2;
  }
  const std::string unusable = PrepareOutputFolder(output);
  if (!unusable.empty()) {
    std::cerr << unusable << "\n";
    return 2;
  }

  std::string warning;
  std::unique_ptr<plates::TextReader> reader = plates::MakeOcrReader(&warning);
  if (!reader->Available()) std::cerr << "warning: " << warning << "\n";

  json all = json::array();
  std::ostringstream csv;
  csv << "plate,index,x,y,width,height,category,mirror,name,pixel_cm,pixel_source,bar_cm,"
         "status,refusal,capacity_cl,capacity_low_cl,capacity_high_cl,solid_cl,"
         "liquid_height_cm,total_height_cm,opening_cm,rim_cm,max_diameter_cm,base_cm,"
         "confidence,warnings,crop,overlay\n";
  bool all_measured = true;
  for (size_t p = 0; p < jobs.size(); ++p) {
    const PlateJob& job = jobs[p];
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%03zu-", p + 1);
    const std::string folder = prefix + SafeFileName(job.file.stem().string());
    json plate = {{"plate", job.file.string()}, {"folder", folder}};
    const cv::Mat image = LoadDrawing(job.file.string());
    if (image.empty()) {
      plate["error"] = "cannot read the image";
      all.push_back(plate);
      all_measured = false;
      std::cerr << job.file.string() << ": cannot read the image\n";
      continue;
    }
    plates::PlateParams params;
    params.dpi = job.dpi;
    params.scale = job.scale;
    params.bar_cm = job.bar_cm;
    params.surface = surface;
    const plates::PlateResult r = plates::MeasurePlate(image, params, reader.get());
    fs::create_directories(fs::path(output) / folder, code);
    WriteImage(fs::path(output) / folder / "overview.jpg", plates::DrawOverview(image, r));
    plate["pixel_cm"] = Number(r.pixel_cm);
    plate["pixel_source"] = plates::PixelSourceName(r.source);
    plate["bar_cm"] = Number(r.bar_cm);
    plate["bar_text"] = r.bar_text;
    plate["bars"] = json::array();
    for (const plates::ScaleBar& b : r.layout.bars) {
      plate["bars"].push_back({{"x", b.box.x},
                               {"y", b.box.y},
                               {"width", b.box.width},
                               {"height", b.box.height},
                               {"length_px", b.length_px}});
    }
    plate["warnings"] = r.warnings;
    plate["overview"] = folder + "/overview.jpg";
    plate["drawings"] = json::array();
    for (const std::string& w : r.warnings) std::cerr << job.file.string() << ": " << w << "\n";
    for (const plates::DrawingResult& d : r.drawings) {
      char name[32];
      std::snprintf(name, sizeof name, "drawing-%02d", d.index);
      const std::string crop = folder + "/" + name + ".png";
      const std::string overlay = folder + "/" + name + "-overlay.png";
      WriteImage(fs::path(output) / crop, d.crop);
      WriteImage(fs::path(output) / overlay, profile::DrawOverlay(d.crop, d.profile));
      const profile::ProfileResult& m = d.profile;
      if (!m.measured) all_measured = false;
      std::string warnings;
      for (const std::string& w : m.warnings) warnings += (warnings.empty() ? "" : " ") + w;
      json record = {
          {"index", d.index},
          {"box",
           {{"x", d.box.x}, {"y", d.box.y}, {"width", d.box.width}, {"height", d.box.height}}},
          {"category", d.category},
          {"mirror", d.mirror},
          {"name", d.name},
          {"status", m.measured ? "measured" : "refused"},
          {"refusal", m.refusal},
          {"capacity_cl", Number(m.capacity_cl)},
          {"capacity_low_cl", Number(m.capacity_low_cl)},
          {"capacity_high_cl", Number(m.capacity_high_cl)},
          {"solid_cl", Number(m.solid_cl)},
          {"liquid_height_cm", Number(m.liquid_height_cm)},
          {"total_height_cm", Number(m.total_height_cm)},
          {"opening_cm", Number(m.opening_cm)},
          {"rim_cm", Number(m.rim_cm)},
          {"max_diameter_cm", Number(m.max_diameter_cm)},
          {"base_cm", Number(m.base_cm)},
          {"confidence", std::string(profile::ConfidenceName(m.confidence))},
          {"warnings", m.warnings},
          {"crop", crop},
          {"overlay", overlay}};
      json fills = json::array();
      for (const auto& [percent, cl] : m.fill_levels_cl) fills.push_back({percent, Number(cl)});
      record["fill_levels_cl"] = fills;
      plate["drawings"].push_back(record);
      csv << CsvField(job.file.string()) << ',' << d.index << ',' << d.box.x << ',' << d.box.y
          << ',' << d.box.width << ',' << d.box.height << ',' << d.category << ','
          << (d.mirror ? 1 : 0) << ',' << CsvField(d.name) << ',' << CsvNumber(r.pixel_cm) << ','
          << plates::PixelSourceName(r.source) << ',' << CsvNumber(r.bar_cm) << ','
          << (m.measured ? "measured" : "refused") << ',' << CsvField(m.refusal) << ','
          << CsvNumber(m.capacity_cl) << ',' << CsvNumber(m.capacity_low_cl) << ','
          << CsvNumber(m.capacity_high_cl) << ',' << CsvNumber(m.solid_cl) << ','
          << CsvNumber(m.liquid_height_cm) << ',' << CsvNumber(m.total_height_cm) << ','
          << CsvNumber(m.opening_cm) << ',' << CsvNumber(m.rim_cm) << ','
          << CsvNumber(m.max_diameter_cm) << ',' << CsvNumber(m.base_cm) << ','
          << profile::ConfidenceName(m.confidence) << ',' << CsvField(warnings) << ',' << crop
          << ',' << overlay << '\n';
    }
    std::cout << job.file.string() << ": " << r.drawings.size() << " drawings, pixel size "
              << Finite(r.pixel_cm) << " cm (" << plates::PixelSourceName(r.source) << ")\n";
    all.push_back(plate);
  }
  if (WriteWhole(fs::path(output) / "plates.csv", csv.str()) != WriteOutcome::kWritten ||
      WriteWhole(fs::path(output) / "plates.json", all.dump(2) + "\n") != WriteOutcome::kWritten) {
    std::cerr << "cannot write the results into " << output << "\n";
    return 2;
  }
  return all_measured ? 0 : 1;
}

}  // namespace orvello::batch
