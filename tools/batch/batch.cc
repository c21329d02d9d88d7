#include "batch/batch.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <system_error>
#include <thread>

#include "batch/measure.h"
#include "batch/output.h"
#include "common/safe_file.h"
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
  cv::Mat small;
  cv::resize(water, small, ThumbnailSize(water.size()), 0, 0, cv::INTER_AREA);
  return Encode(small, {cv::IMWRITE_JPEG_QUALITY, kThumbnailQuality});
}

Record Measured(const Job& job, Measurement m, const std::string& water_image,
                const std::filesystem::path& out, const BatchOptions& options) {
  Record r{.job = job,
           .status = m.status,
           .message = std::move(m.message),
           .values = std::move(m.values)};
  std::optional<double> tool_cl = r.values.Find(ValueId::kVolume);
  r.refined = MeasureRefined(m.drawing, m.category, m.dpi, m.scale, job.mirror, options.scale_error,
                             options.fill_percents, options.refined, tool_cl, out,
                             OverlayImageName(water_image));
  m.drawing.release();
  if (r.status != Status::kMeasured) return r;
  r.range = CapacityRangeOf(m.profile, options.scale_error);
  if (m.category != 3) {
    for (const int percent : options.fill_percents) {
      r.fill.push_back({percent, FillCapacity(m.profile, percent)});
    }
    r.curve = CapacityCurve(m.profile);
  }
  // Both images are encoded before either is written: a failure leaves
  // no image behind. The same encoder and settings as the tools' eau.jpg.
  const std::string water = Encode(m.water, {});
  const std::string thumbnail_name = ThumbnailName(water_image);
  const std::string thumbnail = Thumbnail(m.water);
  const std::pair<std::string, const std::string*> images[] = {{water_image, &water},
                                                               {thumbnail_name, &thumbnail}};
  for (const auto& [name, bytes] : images) {
    if (WriteWhole(out / name, *bytes) != WriteOutcome::kWritten) {
      std::error_code ignored;
      std::filesystem::remove(out / water_image, ignored);
      r.status = Status::kImageNotWritten;
      r.message = "Cannot write the water image " + (out / name).string();
      return r;
    }
  }
  r.water_image = water_image;
  r.thumbnail = thumbnail_name;
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

// Returns "" when the input is a folder or a regular file, else why it
// cannot be used.
std::string InputProblem(const BatchOptions& options) {
  std::error_code error;
  const auto status = std::filesystem::status(options.input, error);
  if (!std::filesystem::exists(status)) return "No manifest or folder " + options.input.string();
  const bool folder = std::filesystem::is_directory(status);
  if (!folder && !std::filesystem::is_regular_file(status)) {
    return "The manifest " + options.input.string() + " is not a regular file";
  }
  if (folder && (options.defaults.category.empty() || options.defaults.dpi.empty() ||
                 options.defaults.scale.empty())) {
    return "A folder of drawings needs --category, --dpi and --scale";
  }
  return "";
}

// Takes the output folder for this batch: created, locked by `lock`, and
// free of an earlier batch's files (removed with options.overwrite).
// Returns "" or why it cannot be used.
std::string TakeOutputFolder(const BatchOptions& options, FolderLock& lock) {
  const std::filesystem::path& out = options.out;
  if (std::string problem = PrepareOutputFolder(out); !problem.empty()) return problem;
  if (std::string problem = lock.Take(out); !problem.empty()) return problem;
  const std::vector<std::string> earlier = EarlierBatchFiles(out);
  if (!earlier.empty() && !options.overwrite) {
    std::string names;
    for (const std::string& name : earlier) names += (names.empty() ? "" : ", ") + name;
    return "The output folder " + out.string() + " holds an earlier batch's files (" + names +
           "): give --overwrite to replace them, or choose another --out";
  }
  if (std::string problem = RemoveEarlierBatch(out); !problem.empty()) return problem;
  std::error_code error;
  for (const char* folder : {kThumbnailFolder, kOverlayThumbnailFolder}) {
    std::filesystem::create_directories(out / folder, error);
    if (error) {
      return "Cannot use the output folder " + (out / folder).string() + ": " + error.message();
    }
  }
  return "";
}

}  // namespace

std::string WaterImageName(const Job& job, size_t index, size_t count) {
  const size_t digits = std::max<size_t>(3, std::to_string(count).size());
  std::string number = std::to_string(index + 1);
  number.insert(0, digits - std::min(digits, number.size()), '0');
  return std::string(kWaterFolder) + "/" + number + "-" +
         SafeFileName(std::filesystem::path(job.file).stem().string()) + ".jpg";
}

std::string ThumbnailName(std::string_view water_image) {
  return std::string(kThumbnailFolder) + "/" +
         std::filesystem::path(water_image).filename().string();
}

cv::Size ThumbnailSize(cv::Size size) {
  const double factor =
      std::min(1.0, static_cast<double>(kThumbnailSize) / std::max({size.width, size.height, 1}));
  return {std::max(1, static_cast<int>(std::lround(size.width * factor))),
          std::max(1, static_cast<int>(std::lround(size.height * factor)))};
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
  const int most = static_cast<int>(std::clamp<size_t>(jobs.size(), 1, kMostWorkers));
  const int workers = std::clamp(options.workers > 0 ? options.workers : cores, 1, most);
  // The workers fill the cores already: the image library's own threads
  // would only compete with them (measured: no gain on 2 cores).
  const int library_threads = cv::getNumThreads();
  if (workers > 1) cv::setNumThreads(1);
  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t i = next++; i < jobs.size(); i = next++) {
      // Out of memory even for the record of the failure: the status alone
      // says it, and the worker goes on.
      try {
        records[i] =
            MeasureJob(jobs[i], WaterImageName(jobs[i], i, jobs.size()), options.out, options);
        progress.Done(jobs[i].file, Outcome(records[i]), records[i].status != Status::kMeasured);
      } catch (const std::exception&) {
        records[i].status = Status::kError;
      }
    }
  };
  {
    std::vector<std::jthread> threads;
    try {
      for (int t = 1; t < workers; ++t) threads.emplace_back(work);
    } catch (const std::system_error& e) {
      progress.Note("Started " + std::to_string(threads.size() + 1) + " of " +
                    std::to_string(workers) + " workers (the system refuses more: " + e.what() +
                    "); going on with them");
    }
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
  if (const std::string problem = InputProblem(options); !problem.empty()) {
    err << TerminalText(problem) << '\n';
    return kBatchUnusable;
  }
  const JobList list = std::filesystem::is_directory(options.input)
                           ? ListFolder(options.input, options.defaults)
                           : ReadManifest(options.input, options.defaults);
  if (!list.error.empty()) {
    err << TerminalText(list.error) << '\n';
    return kBatchUnusable;
  }
  if (list.jobs.empty()) {
    err << "No drawing to measure in " << TerminalText(options.input.string()) << '\n';
    return kBatchUnusable;
  }
  FolderLock lock;
  if (const std::string problem = TakeOutputFolder(options, lock); !problem.empty()) {
    err << TerminalText(problem) << '\n';
    return kBatchUnusable;
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
    if (WriteWhole(options.out / name, text) != WriteOutcome::kWritten) {
      err << "Cannot write " << TerminalText((options.out / name).string()) << '\n';
      return kBatchUnusable;
    }
  }
  const auto failed = std::count_if(records.begin(), records.end(),
                                    [](const Record& r) { return r.status != Status::kMeasured; });
  out << records.size() << " drawings: " << records.size() - failed << " measured, " << failed
      << " failed. Results in " << TerminalText(options.out.string()) << '\n';
  return failed ? kBatchSomeFailed : kBatchAllMeasured;
}

}  // namespace orvello::batch
