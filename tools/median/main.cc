// orvelloCMD: measures a category-2 (median line) drawing.

#include <utility>

#include "common/frame.h"
#include "median/median.h"

int main(int argc, char** argv) {
  using namespace orvello;
  RunStart start = StartRun(argc, argv, {"vase.jpg", 300, 1});
  if (start.ended()) return start.status;
  const MedianMeasurement m = MeasureMedianDrawing(start.drawing, start.args.dpi, start.args.scale);
  if (!m.failure.empty()) return Fail(m.failure, kStatusNoReference);
  const bool written =
      WriteImage(kWaterImageName, WaterImage(std::move(start.drawing), m.scan.rows));
  WriteResults(SectionLines(m.values));
  return EndStatus(written);
}
