#include "batch/measure.h"

#include <filesystem>

#include "common/image_io.h"
#include "common/mask.h"
#include "common/measure.h"
#include "common/run.h"

namespace orvello::batch {
namespace {

Measurement Failed(Measurement m, Status status, std::string_view message) {
  m.status = status;
  m.message = message;
  return m;
}

}  // namespace

Measurement Measure(const Job& job) {
  Measurement m;
  if (!job.row_error.empty()) return Failed(std::move(m), Status::kBadRow, job.row_error);
  m.category = ParseCategory(job.category);
  if (m.category == 0) {
    return Failed(std::move(m), Status::kUnknownCategory,
                  "Unknown category \"" + job.category + "\": it must be 1, 2 or 3");
  }
  const RunArgs args{job.path.string(), ParseNumber(job.dpi), ParseScale(job.scale)};
  if (!ArgsValid(args)) return Failed(std::move(m), Status::kBadArguments, kBadArgumentsMessage);
  const std::string unreadable = std::string(kCannotReadImage) + args.image_path;
  std::error_code ignored;
  if (!std::filesystem::exists(job.path, ignored)) {
    return Failed(std::move(m), Status::kMissingFile, unreadable);
  }
  cv::Mat drawing = LoadDrawing(args.image_path);
  if (drawing.empty()) return Failed(std::move(m), Status::kUnreadable, unreadable);
  if (job.mirror) cv::flip(drawing, drawing, 1);
  CategoryMeasurement measured = orvello::Measure(GetCategory(m.category), drawing, args.dpi,
                                                  args.scale, ToolImages::kWithout);
  if (measured.failure != Failure::kNone) {
    return Failed(std::move(m), Status::kNoReference, FailureMessage(measured.failure));
  }
  m.water = WaterImage(std::move(drawing), measured.rows);
  if (job.mirror) cv::flip(m.water, m.water, 1);
  m.values = std::move(measured.values);
  m.profile = std::move(measured.discs);
  m.status = Status::kMeasured;
  return m;
}

}  // namespace orvello::batch
