#include "common/tool.h"

#include <utility>

#include "common/mask.h"
#include "common/measure.h"
#include "common/run.h"

namespace orvello {

int RunTool(const CategoryInfo& category, int argc, const char* const* argv) {
  RunStart start = StartRun(argc, argv, category);
  if (start.ended()) return start.status;
  const CategoryMeasurement m =
      Measure(category, start.drawing, start.args.dpi, start.args.scale, ToolImages::kWith);
  if (m.failure != Failure::kNone) return Fail(FailureMessage(m.failure), kStatusNoReference);
  bool written = true;
  for (const NamedImage& image : m.images)
    written &= WriteImage(std::string(image.name), image.image);
  // The water image is drawn on the drawing itself, its last use.
  written &= WriteImage(kWaterImageName, WaterImage(std::move(start.drawing), m.rows));
  WriteResults(m.values);
  return EndStatus(written);
}

}  // namespace orvello
