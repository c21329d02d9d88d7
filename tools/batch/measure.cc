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

void MeasureSilhouette(cv::Mat&& drawing, const RunArgs& args, Measurement& m) {
  const SilhouetteMeasurement s = MeasureSilhouetteDrawing(drawing, args.dpi, args.scale);
  if (!s.failure.empty()) {
    m = Failed(std::move(m), Status::kNoReference, s.failure);
    return;
  }
  m.water = WaterImage(std::move(drawing), s.scan.rows);
  m.values = Name(kSilhouetteKeys, SilhouetteLines(s.values));
  m.profile = SilhouetteProfile(s.scan.rows, s.scan.first_row, s.scan.last_row, s.scan.disc_sum,
                                PixelSize(args.dpi, args.scale));
}

void MeasureMedian(cv::Mat&& drawing, const RunArgs& args, Measurement& m) {
  const MedianMeasurement s = MeasureMedianDrawing(drawing, args.dpi, args.scale);
  if (!s.failure.empty()) {
    m = Failed(std::move(m), Status::kNoReference, s.failure);
    return;
  }
  m.water = WaterImage(std::move(drawing), s.scan.rows);
  m.values = Name(kSectionKeys, SectionLines(s.values));
  m.profile = SectionProfile(s.scan.rows, s.scan.floor_row, s.scan.liquid_height, s.scan.disc_sum,
                             PixelSize(args.dpi, args.scale));
}

void MeasureLeftEdge(cv::Mat&& drawing, const RunArgs& args, Measurement& m) {
  const LeftEdgeMeasurement s = MeasureLeftEdgeDrawing(drawing, args.dpi, args.scale);
  if (!s.failure.empty()) {
    m = Failed(std::move(m), Status::kNoReference, s.failure);
    return;
  }
  m.water = WaterImage(std::move(drawing), s.scan.rows);
  m.values = Name(kSectionKeys, SectionLines(s.values));
  m.profile = SectionProfile(s.scan.rows, s.scan.floor_row, s.scan.liquid_count + 1,
                             s.scan.disc_sum, PixelSize(args.dpi, args.scale));
}

}  // namespace

std::string_view StatusName(Status status) {
  switch (status) {
    case Status::kMeasured:
      return "measured";
    case Status::kBadRow:
      return "bad-row";
    case Status::kUnknownCategory:
      return "unknown-category";
    case Status::kBadArguments:
      return "bad-arguments";
    case Status::kMissingFile:
      return "missing-file";
    case Status::kUnreadable:
      return "unreadable";
    case Status::kNoReference:
      return "no-reference";
    case Status::kImageNotWritten:
      return "image-not-written";
    case Status::kError:
      return "error";
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
  // A copy for the profile measurement: the tool draws its water image on
  // the drawing itself.
  m.drawing = drawing.clone();
  m.dpi = args.dpi;
  m.scale = args.scale;
  if (job.mirror) cv::flip(drawing, drawing, 1);
  switch (m.category) {
    case 1:
      MeasureLeftEdge(std::move(drawing), args, m);
      break;
    case 2:
      MeasureMedian(std::move(drawing), args, m);
      break;
    default:
      MeasureSilhouette(std::move(drawing), args, m);
      break;
  }
  if (m.status == Status::kNoReference) return m;
  if (job.mirror) cv::flip(m.water, m.water, 1);
  m.status = Status::kMeasured;
  return m;
}

}  // namespace orvello::batch
