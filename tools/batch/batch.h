#ifndef ORVELLO_TOOLS_BATCH_BATCH_H_
#define ORVELLO_TOOLS_BATCH_BATCH_H_

// A batch: every drawing of a manifest or folder measured in parallel, its
// water image written into the output folder, then results.csv,
// results.json and report.html.

#include <filesystem>
#include <opencv2/core.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "batch/exchange.h"
#include "batch/manifest.h"
#include "batch/progress.h"
#include "batch/refined.h"
#include "batch/report.h"

namespace orvello::batch {

// Exit statuses of a batch.
inline constexpr int kBatchAllMeasured = 0;
inline constexpr int kBatchSomeFailed = 1;
inline constexpr int kBatchUnusable = 2;  // manifest, folder or output folder

// Names in the output folder.
inline constexpr char kCsvName[] = "results.csv";
inline constexpr char kJsonName[] = "results.json";
inline constexpr char kReportName[] = "report.html";
inline constexpr char kWaterFolder[] = "eau";
inline constexpr char kThumbnailFolder[] = "eau/thumbs";

// The most workers a batch starts, whatever -j asks.
inline constexpr int kMostWorkers = 64;

struct BatchOptions {
  std::filesystem::path input;  // a CSV manifest or a folder
  std::filesystem::path out = "orvello-results";
  JobDefaults defaults;                            // a folder's parameters
  double scale_error = 0;                          // REQUIRES: 0 <= scale_error < 1
  std::vector<int> fill_percents = {100, 90, 80};  // REQUIRES: each in 0..100
  int workers = 0;                                 // 0: one per core
  bool overwrite = false;                          // replace an earlier batch's files
  bool terminal = false;                           // progress as a redrawn bar
  bool quiet = false;                              // no progress at all
  RefinedOptions refined;                          // the profile measurement's reading
  ExchangeOptions exchange;                        // exports and the clay's density
};

// Returns the name of the water image of the `index`-th (from 0) of
// `count` drawings, relative to the output folder: "eau/" then the number
// from 1, zero-padded to at least three digits, "-", the drawing's file
// stem made safe (SafeFileName: at most kLongestStem characters), ".jpg";
// e.g. "eau/007-vase.jpg".
std::string WaterImageName(const Job& job, size_t index, size_t count);

// Returns the name of the thumbnail of `water_image`, in kThumbnailFolder:
// "eau/007-vase.jpg" has "eau/thumbs/007-vase.jpg".
std::string ThumbnailName(std::string_view water_image);

// Returns the size of the thumbnail of an image of `size`: the longer side
// at most 160 pixels, the proportions kept, each side at least 1 pixel.
cv::Size ThumbnailSize(cv::Size size);

// Measures `job` and, when measured, writes its water image as
// `water_image` in `out` and its thumbnail (ThumbnailName), and adds its
// fill levels, capacity range and curve. Never throws: an exception of the
// image library or a lack of memory becomes a record with status kError.
Record MeasureJob(const Job& job, const std::string& water_image, const std::filesystem::path& out,
                  const BatchOptions& options);

// Returns the records of `jobs`, in their order, measured by
// options.workers threads (one per core when 0), each taking the next job
// not yet taken; reports each one done to `progress`. The workers are at
// most kMostWorkers and the number of jobs; when the system cannot start
// as many threads, the batch goes on with those started and says so
// through `progress` (Note). With more than one worker the image library runs single-threaded
// meanwhile.
std::vector<Record> MeasureAll(const std::vector<Job>& jobs, const BatchOptions& options,
                               Progress& progress);

// Runs the batch of `options`: reads the jobs, takes the output folder
// (creates it, locks it against other batches, refuses it when it holds an
// earlier batch's files unless options.overwrite, which removes them
// first), measures the jobs, writes the output folder, says the summary on
// `out` and every problem that stops the batch on `err` (progress goes to
// `err` too; control characters are replaced by '?'). Returns
// kBatchAllMeasured, kBatchSomeFailed, or kBatchUnusable when the input or
// the output folder cannot be used (nothing is measured then) or a results
// file cannot be written.

// Returns the provenance of a run of `options`: this program's version and
// every parameter that changes a result.
Provenance ProvenanceOf(const BatchOptions& options);

int RunBatch(const BatchOptions& options, std::ostream& out, std::ostream& err);

}  // namespace orvello::batch

#endif  // ORVELLO_TOOLS_BATCH_BATCH_H_
