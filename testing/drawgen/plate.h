#ifndef ORVELLO_TESTING_DRAWGEN_PLATE_H_
#define ORVELLO_TESTING_DRAWGEN_PLATE_H_

// Plates: several generated vessels of mixed categories and sizes on one
// page, at one resolution and one scale, each with its catalogue number,
// a caption and one scale bar of known length, with the analytic values of
// every vessel. The vessels are drawn by Draw and pasted at known offsets.

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "drawgen/drawgen.h"

namespace orvello::drawgen {

// How the scale bar is drawn.
//   kPlain: one filled bar, 1 mm of paper thick.
//   kTicked: a line 0.4 mm thick with a tick every real centimetre (or every
//     fifth of the bar), 1.5 mm tall, above it.
//   kAlternating: five segments alternately filled and open, 1.5 mm thick,
//     outlined, with ticks at the segment ends.
enum class BarStyle { kPlain, kTicked, kAlternating };

// Returns "plain", "ticked" or "alternating"; ParseBarStyle is its inverse
// and returns false on another name.
std::string BarStyleName(BarStyle style);
bool ParseBarStyle(const std::string& name, BarStyle* style);

struct PlateOptions {
  unsigned seed = 1;   // chooses vessels, sizes, numbers, layout
  double dpi = 300;    // scan resolution
  double scale = 0.5;  // drawn length / real length, for every vessel
  int vessels = 4;     // 1 to 8
  BarStyle bar_style = BarStyle::kAlternating;
  bool bar = true;         // draw the scale bar
  bool zero_label = true;  // label the bar "0" and "N cm", else "N cm" only
  bool numbers = true;     // a catalogue number next to each vessel
  bool caption = true;     // "Fig. N" and a line of text at the foot
  bool antialias = false;
  bool noise = false;
};

// One vessel on a plate.
struct PlateVessel {
  cv::Rect box;  // the drawing's ink in the plate
  int category = 3;
  bool mirrored = false;
  Shape shape = Shape::kCylinder;
  double height_cm = 10;
  Analytic truth;
  std::string number;   // the catalogue number printed, "" when none
  cv::Rect number_box;  // where it is printed
};

struct Plate {
  cv::Mat image;  // 8-bit BGR, dark ink on white paper
  double dpi = 300;
  double scale = 1;
  double pixel_cm = 0;               // real centimetres per pixel, 2.54 / (dpi * scale)
  std::vector<PlateVessel> vessels;  // left to right, top to bottom
  double bar_cm = 0;                 // the bar's stated length; 0 without a bar
  double bar_px = 0;                 // its length in pixels (whole pixels of ink)
  cv::Rect bar_box;                  // the bar with its ticks, without its labels
  BarStyle bar_style = BarStyle::kAlternating;
};

// Returns the plate of `options`. Throws std::invalid_argument for vessels
// outside 1 to 8, a dpi or scale not above 0, or a plate too large for Draw.
Plate ComposePlate(const PlateOptions& options);

}  // namespace orvello::drawgen

#endif  // ORVELLO_TESTING_DRAWGEN_PLATE_H_
