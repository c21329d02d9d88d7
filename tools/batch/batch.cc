#include "batch/batch.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <thread>

#include "batch/measure.h"
#include "batch/output.h"
#include "exchange/provenance.h"

namespace orvello::batch {
namespace {

constexpr int kThumbnailSize = 160;  // pixels, the longer side
constexpr int kThumbnailQuality = 80;

std::string Encode(const cv::Mat& image, const std::vector<int>& parameters) {
  std::vector<uchar> bytes;
  cv::imencode(".jpg", image, bytes, parameters);
  return std::string(bytes.begin(), bytes.end());
}

std::string Thumbnail(const cv::Mat& water) {
  const double factor =
      std::min(1.0, static_cast<double>(kThumbnailSize) / std::max(water.cols, water.rows));
  cv::Mat small;
  cv::resize(water, small, cv::Size(), factor, factor, cv::INTER_AREA);
  return Encode(small, {cv::IMWRITE_JPEG_QUALITY, kThumbnailQuality});
}

Record Measured(const Job& job, Measurement m, const std::string& water_image,
                const std::filesystem::path& out, const BatchOptions& options) {
  Record r{.job = job,
           .status = m.status,
           .message = std::move(m.message),
           .values = std::move(m.values)};
  r.refined = MeasureRefined(m.drawing, m.category, m.dpi, m.scale, job.mirror, options.scale_error,
                             options.fill_percents, options.refined,
                             r.values.Find(ValueId::kVolume), out, OverlayImageName(water_image));
  m.drawing.release();
  if (r.status != Status::kMeasured) return r;
  r.range = CapacityRangeOf(m.profile, options.scale_error);
  if (m.category != 3) {
    for (const int percent : options.fill_percents) {
      r.fill.push_back({percent, FillCapacity(m.profile, percent)});
    }
    r.curve = CapacityCurve(m.profile);
  }
  // The same encoder and settings as the tools' eau.jpg.
  if (!WriteWhole(out / water_image, Encode(m.water, {}))) {
    r.status = Status::kImageNotWritten;
    r.message = "Cannot write the water image " + (out / water_image).string();
    return r;
  }
  r.water_image = water_image;
  r.thumbnail_jpeg = Thumbnail(m.water);
  return r;
}

// The record of a manifest row naming a profile file: the profile
// integration's values, its fill levels and curve in the tools' places.
Record ProfileRecord(const Job& job, const BatchOptions& options) {
  Record r{.job = job, .status = Status::kMeasured};
  std::string error;
  r.refined = MeasureProfileFile(job, options.fill_percents, &error);
  if (!error.empty()) {
    std::error_code ignored;
    r.status =
        std::filesystem::exists(job.path, ignored) ? Status::kUnreadable : Status::kMissingFile;
    r.message = error;
    return r;
  }
  for (const auto& [percent, capacity] : r.refined.result.fill_levels_cl) {
    r.fill.push_back({percent, capacity});
  }
  for (const profile::CurvePoint& p : r.refined.result.capacity_curve) {
    r.curve.push_back({p.height_cm, p.capacity_cl});
  }
  return r;
}

std::string Outcome(const Record& r) {
  std::string outcome(StatusName(r.status));
  if (!r.message.empty()) outcome += " - " + r.message;
  return outcome;
}

}  // namespace

std::string WaterImageName(const Job& job, size_t index, size_t count) {
  const size_t digits = std::max<size_t>(3, std::to_string(count).size());
  std::string number = std::to_string(index + 1);
  number.insert(0, digits - std::min(digits, number.size()), '0');
  return std::string(kWaterFolder) + "/" + number + "-" +
         SafeFileName(std::filesystem::path(job.file).stem().string()) + ".jpg";
}

Record MeasureJob(const Job& job, const std::string& water_image, const std::filesystem::path& out,
                  const BatchOptions& options) {
  try {
    Record r = IsProfileCategory(job.category)
                   ? ProfileRecord(job, options)
                   : Measured(job, Measure(job), water_image, out, options);
    const int category = ParseCategory(job.category);
    const bool section = category == 1 || category == 2 || IsProfileCategory(job.category);
    r.exchange = Weigh(r.refined.result, section, options.exchange.density);
    const std::string overlay = OverlayImageName(water_image);
    r.exchange.export_files = ExportProfile(
        r.refined.result, out, overlay.substr(0, overlay.rfind('.')), options.exchange);
    r.exchange.sha256 = exchange::Sha256File(job.path.string());
    return r;
  } catch (const std::exception& e) {
    return Record{.job = job,
                  .status = Status::kError,
                  .message = std::string("Measurement failed: ") + e.what()};
  }
}

std::vector<Record> MeasureAll(const std::vector<Job>& jobs, const BatchOptions& options,
                               Progress& progress) {
  std::vector<Record> records(jobs.size());
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const int workers = std::clamp(options.workers > 0 ? options.workers : cores, 1,
                                 std::max<int>(1, static_cast<int>(jobs.size())));
  // The workers fill the cores already: the image library's own threads
  // would only compete with them (measured: no gain on 2 cores).
  const int library_threads = cv::getNumThreads();
  if (workers > 1) cv::setNumThreads(1);
  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t i = next++; i < jobs.size(); i = next++) {
      records[i] =
          MeasureJob(jobs[i], WaterImageName(jobs[i], i, jobs.size()), options.out, options);
      progress.Done(jobs[i].file, Outcome(records[i]), records[i].status != Status::kMeasured);
    }
  };
  {
    std::vector<std::jthread> threads;
    for (int t = 1; t < workers; ++t) threads.emplace_back(work);
    work();
  }
  cv::setNumThreads(library_threads);
  return records;
}

Provenance ProvenanceOf(const BatchOptions& options) {
  Provenance p;
  p.version = std::string(exchange::ProgramVersion());
  std::string fill, formats;
  for (const int percent : options.fill_percents) {
    if (!fill.empty()) fill += ',';
    fill += std::to_string(percent);
  }
  for (const exchange::Format format : options.exchange.export_formats) {
    if (!formats.empty()) formats += ',';
    formats += exchange::FormatName(format);
  }
  const JobDefaults& d = options.defaults;
  p.parameters = {
      {"input", options.input.string()},
      {"category", d.category},
      {"dpi", d.dpi},
      {"scale", d.scale},
      {"mirror", d.mirror ? "1" : "0"},
      {"fill", fill},
      {"scale_error", FormatValue(options.scale_error)},
      {"surface", std::string(profile::SurfaceName(options.refined.surface))},
      {"wall_cm", FormatValue(options.refined.wall_cm)},
      {"base_cm", FormatValue(options.refined.base_cm)},
      {"density", FormatValue(options.exchange.density)},
      {"export", formats},
  };
  return p;
}

int RunBatch(const BatchOptions& options, std::ostream& out, std::ostream& err) {
  std::error_code error;
  if (!std::filesystem::exists(options.input, error)) {
    err << "No manifest or folder " << options.input.string() << '\n';
    return kBatchUnusable;
  }
  const bool folder = std::filesystem::is_directory(options.input, error);
  if (folder && (options.defaults.category.empty() || options.defaults.dpi.empty() ||
                 options.defaults.scale.empty())) {
    err << "A folder of drawings needs --category, --dpi and --scale\n";
    return kBatchUnusable;
  }
  const JobList list = folder ? ListFolder(options.input, options.defaults)
                              : ReadManifest(options.input, options.defaults);
  if (!list.error.empty()) {
    err << list.error << '\n';
    return kBatchUnusable;
  }
  if (list.jobs.empty()) {
    err << "No drawing to measure in " << options.input.string() << '\n';
    return kBatchUnusable;
  }
  if (const std::string problem = PrepareOutputFolder(options.out); !problem.empty()) {
    err << problem << '\n';
    return kBatchUnusable;
  }
  for (const char* folder : {kWaterFolder, kOverlayFolder}) {
    if (const std::string problem = PrepareOutputFolder(options.out / folder); !problem.empty()) {
      err << problem << '\n';
      return kBatchUnusable;
    }
  }

  Progress progress(err, options.terminal, options.quiet, static_cast<int>(list.jobs.size()));
  const std::vector<Record> records = MeasureAll(list.jobs, options, progress);
  progress.Finish();

  const BatchSummary summary{options.input.string(), options.fill_percents, options.scale_error,
                             progress.Elapsed(), ProvenanceOf(options)};
  const std::pair<const char*, std::string> files[] = {
      {kCsvName, FormatCsv(records, summary)},
      {kJsonName, FormatJson(records, summary)},
      {kReportName, FormatHtml(records, summary)},
  };
  for (const auto& [name, text] : files) {
    if (!WriteWhole(options.out / name, text)) {
      err << "Cannot write " << (options.out / name).string() << '\n';
      return kBatchUnusable;
    }
  }
  const auto failed = std::count_if(records.begin(), records.end(),
                                    [](const Record& r) { return r.status != Status::kMeasured; });
  out << records.size() << " drawings: " << records.size() - failed << " measured, " << failed
      << " failed. Results in " << options.out.string() << '\n';
  return failed ? kBatchSomeFailed : kBatchAllMeasured;
}

}  // namespace orvello::batch
