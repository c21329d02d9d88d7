#include "batch/measure.h"

#include <filesystem>
#include <span>

#include "common/frame.h"
#include "leftedge/leftedge.h"
#include "median/median.h"
#include "silhouette/silhouette.h"

namespace orvello::batch {
namespace {

constexpr std::array<std::string_view, 3> kSilhouetteKeys = {"volume_cl", "height_cm",
                                                             "opening_cm"};
constexpr std::array<std::string_view, 7> kSectionKeys = {
    "volume_cl", "liquid_height_cm", "total_height_cm", "opening_cm",
    "ratio",     "base_cm",          "rim_width_cm"};

std::vector<NamedValue> Name(std::span<const std::string_view> keys,
                             std::span<const ResultLine> lines) {
  std::vector<NamedValue> values;
  for (size_t i = 0; i < lines.size(); ++i) values.push_back({keys[i], lines[i].value});
  return values;
}

Measurement Failed(Measurement m, Status status, std::string_view message) {
  m.status = status;
  m.message = message;
  return m;
}

void MeasureSilhouette(const cv::Mat& drawing, const RunArgs& args, Measurement& m) {
  const SilhouetteScan scan = ScanSilhouette(Binarise(drawing, Smoothing::kGaussian5x5));
  if (!scan.found) {
    m = Failed(std::move(m), Status::kNoReference, kNoVesselMessage);
    return;
  }
  m.water = WaterImage(drawing, scan.rows);
  const double pixel_size = PixelSize(args.dpi, args.scale);
  m.values = Name(kSilhouetteKeys, SilhouetteLines(SilhouetteResults(scan, pixel_size)));
  m.profile = SilhouetteProfile(scan.rows, scan.first_row, scan.last_row, scan.disc_sum,
                                pixel_size);
}

void MeasureMedian(const cv::Mat& drawing, const RunArgs& args, Measurement& m) {
  const double f = ResolutionFactor(args.dpi);
  const MedianScan scan = ScanMedian(Binarise(drawing, Smoothing::kNone), f);
  if (scan.failure == MedianFailure::kNoMedianLine) {
    m = Failed(std::move(m), Status::kNoReference, kNoMedianLineMessage);
    return;
  }
  if (scan.failure == MedianFailure::kNoOpening) {
    m = Failed(std::move(m), Status::kNoReference, kNoOpeningMessage);
    return;
  }
  m.water = WaterImage(drawing, scan.rows);
  const double pixel_size = PixelSize(args.dpi, args.scale);
  m.values = Name(kSectionKeys, SectionLines(MedianResults(scan, pixel_size)));
  m.profile = SectionProfile(scan.rows, scan.floor_row, scan.liquid_height, scan.disc_sum,
                             pixel_size);
}

void MeasureLeftEdge(const cv::Mat& drawing, const RunArgs& args, Measurement& m) {
  const double f = ResolutionFactor(args.dpi);
  const LeftEdge edge = FindLeftEdge(Binarise(drawing, Smoothing::kNone));
  if (edge.index < 0) {
    m = Failed(std::move(m), Status::kNoReference, kNoLeftEdgeMessage);
    return;
  }
  const EdgeScan scan = ScanEdgeMask(edge.edge_mask, f);
  if (!scan.opening_column) {
    m = Failed(std::move(m), Status::kNoReference, kNoOpeningMessage);
    return;
  }
  m.water = WaterImage(drawing, scan.rows);
  const double pixel_size = PixelSize(args.dpi, args.scale);
  m.values = Name(kSectionKeys, SectionLines(LeftEdgeResults(scan, pixel_size)));
  m.profile = SectionProfile(scan.rows, scan.floor_row, scan.liquid_count + 1, scan.disc_sum,
                             pixel_size);
}

}  // namespace

std::string_view StatusName(Status status) {
  switch (status) {
    case Status::kMeasured: return "measured";
    case Status::kBadRow: return "bad-row";
    case Status::kUnknownCategory: return "unknown-category";
    case Status::kBadArguments: return "bad-arguments";
    case Status::kMissingFile: return "missing-file";
    case Status::kUnreadable: return "unreadable";
    case Status::kNoReference: return "no-reference";
    case Status::kImageNotWritten: return "image-not-written";
    case Status::kError: return "error";
  }
  return "error";
}

Measurement Measure(const Job& job) {
  Measurement m;
  if (!job.row_error.empty()) return Failed(std::move(m), Status::kBadRow, job.row_error);
  m.category = ParseCategory(job.category);
  if (m.category == 0) {
    return Failed(std::move(m), Status::kUnknownCategory,
                  "Unknown category \"" + job.category + "\": it must be 1, 2 or 3");
  }
  const RunArgs args{job.path.string(), ParseNumber(job.dpi), ParseNumber(job.scale)};
  if (!ArgsValid(args)) return Failed(std::move(m), Status::kBadArguments, kBadArgumentsMessage);
  const std::string unreadable = std::string(kCannotReadImage) + args.image_path;
  std::error_code ignored;
  if (!std::filesystem::exists(job.path, ignored)) {
    return Failed(std::move(m), Status::kMissingFile, unreadable);
  }
  cv::Mat drawing = LoadDrawing(args.image_path);
  if (drawing.empty()) return Failed(std::move(m), Status::kUnreadable, unreadable);
  if (job.mirror) cv::flip(drawing, drawing, 1);
  switch (m.category) {
    case 1: MeasureLeftEdge(drawing, args, m); break;
    case 2: MeasureMedian(drawing, args, m); break;
    default: MeasureSilhouette(drawing, args, m); break;
  }
  if (m.status == Status::kNoReference) return m;
  if (job.mirror) cv::flip(m.water, m.water, 1);
  m.status = Status::kMeasured;
  return m;
}

}  // namespace orvello::batch
