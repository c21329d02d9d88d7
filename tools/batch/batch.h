#ifndef ORVELLO_TOOLS_BATCH_BATCH_H_
#define ORVELLO_TOOLS_BATCH_BATCH_H_

// A batch: every drawing of a manifest or folder measured in parallel, its
// water image written into the output folder, then results.csv,
// results.json and report.html.

#include <filesystem>
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

struct BatchOptions {
  std::filesystem::path input;  // a CSV manifest or a folder
  std::filesystem::path out = "orvello-results";
  JobDefaults defaults;                            // a folder's parameters
  double scale_error = 0;                          // REQUIRES: 0 <= scale_error < 1
  std::vector<int> fill_percents = {100, 90, 80};  // REQUIRES: each in 0..100
  int workers = 0;                                 // 0: one per core
  bool terminal = false;                           // progress as a redrawn bar
  bool quiet = false;                              // no progress at all
  RefinedOptions refined;                          // the profile measurement's reading
  ExchangeOptions exchange;                        // exports and the clay's density
};

// Returns the name of the water image of the `index`-th (from 0) of
// `count` drawings, relative to the output folder: "eau/" then the number
// from 1, zero-padded to at least three digits, "-", the drawing's file
// stem made safe, ".jpg"; e.g. "eau/007-vase.jpg".
std::string WaterImageName(const Job& job, size_t index, size_t count);

// Measures `job` and, when measured, writes its water image as
// `water_image` in `out` and adds its fill levels, capacity range, curve
// and thumbnail. Never throws: an exception of the image library becomes
// a record with status kError.
Record MeasureJob(const Job& job, const std::string& water_image, const std::filesystem::path& out,
                  const BatchOptions& options);

// Returns the records of `jobs`, in their order, measured by
// options.workers threads (one per core when 0), each taking the next job
// not yet taken; reports each one done to `progress`. With more than one
// worker the image library runs single-threaded meanwhile.
std::vector<Record> MeasureAll(const std::vector<Job>& jobs, const BatchOptions& options,
                               Progress& progress);

// Runs the batch of `options`: reads the jobs, measures them, writes the
// output folder, says the summary on `out` and every problem that stops the
// batch on `err` (progress goes to `err` too). Returns kBatchAllMeasured,
// kBatchSomeFailed, or kBatchUnusable when the input or the output folder
// cannot be used (nothing is measured then) or a results file cannot be
// written.
// Returns the provenance of a run of `options`: this program's version and
// every parameter that changes a result.
Provenance ProvenanceOf(const BatchOptions& options);

int RunBatch(const BatchOptions& options, std::ostream& out, std::ostream& err);

}  // namespace orvello::batch

#endif  // ORVELLO_TOOLS_BATCH_BATCH_H_
