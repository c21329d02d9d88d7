// orvelloCMD3: measures a category-3 (silhouette) drawing.

#include <utility>

#include "common/frame.h"
#include "silhouette/silhouette.h"

int main(int argc, char** argv) {
  using namespace orvello;
  RunStart start = StartRun(argc, argv, {"vase.tiff", 600, 1});
  if (start.ended()) return start.status;
  const SilhouetteMeasurement m =
      MeasureSilhouetteDrawing(start.drawing, start.args.dpi, start.args.scale);
  if (!m.failure.empty()) return Fail(m.failure, kStatusNoReference);
  bool written = WriteImage("gray.jpg", m.mask);
  written &= WriteImage(kWaterImageName, WaterImage(std::move(start.drawing), m.scan.rows));
  WriteResults(SilhouetteLines(m.values));
  return EndStatus(written);
}
