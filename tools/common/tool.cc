#include "common/tool.h"

#include <new>
#include <utility>

#include "common/mask.h"
#include "common/measure.h"
#include "common/run.h"

namespace orvello {
namespace {

// Measures the drawing of `start` and writes the outputs; returns the
// status.
int MeasureAndWrite(const CategoryInfo& category, RunStart& start) {
  const CategoryMeasurement m =
      Measure(category, start.drawing, start.args.dpi, start.args.scale, ToolImages::kWith);
  if (m.failure != Failure::kNone) return Fail(FailureMessage(m.failure), kStatusNoReference);
  bool written = true;
  for (const NamedImage& image : m.images)
    written &= WriteImage(std::string(image.name), image.image);
  // The water image is drawn on the drawing itself, its last use.
  written &= WriteImage(kWaterImageName, WaterImage(std::move(start.drawing), m.rows));
  written &= WriteResults(m.values) != WriteOutcome::kIncomplete;
  return EndStatus(written);
}

}  // namespace

int RunTool(const CategoryInfo& category, int argc, const char* const* argv) {
  RunStart start = StartRun(argc, argv, category);
  if (start.ended()) return start.status;
  // The image library's exceptions and a lack of memory end the run as an
  // image that cannot be measured, never as an abort.
  try {
    return MeasureAndWrite(category, start);
  } catch (const cv::Exception&) {
    return Fail(UnreadableMessage(start.args.image_path, "the image library failed on it"),
                kStatusUnreadable);
  } catch (const std::bad_alloc&) {
    return Fail(UnreadableMessage(start.args.image_path, "not enough memory to measure it"),
                kStatusUnreadable);
  }
}

}  // namespace orvello
