// orvelloCMD2: measures a category-1 (left edge) drawing.

#include <utility>

#include "common/frame.h"
#include "leftedge/leftedge.h"

int main(int argc, char** argv) {
  using namespace orvello;
  RunStart start = StartRun(argc, argv, {"25.bmp", 300, 1});
  if (start.ended()) return start.status;
  const LeftEdgeMeasurement m =
      MeasureLeftEdgeDrawing(start.drawing, start.args.dpi, start.args.scale);
  if (!m.failure.empty()) return Fail(m.failure, kStatusNoReference);
  bool written = WriteImage("contours.jpg", ContourImage(start.drawing, m.edge));
  written &= WriteImage("bord.jpg", m.edge.edge_mask);
  written &= WriteImage(kWaterImageName, WaterImage(std::move(start.drawing), m.scan.rows));
  WriteResults(SectionLines(m.values));
  return EndStatus(written);
}
