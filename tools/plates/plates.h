#ifndef ORVELLO_TOOLS_PLATES_PLATES_H_
#define ORVELLO_TOOLS_PLATES_PLATES_H_

// Plates: a scanned page holding several vessel drawings, their catalogue
// numbers, captions and scale bars. Finds every drawing and its category,
// the scale bars and their labels, the pixel size the bar gives, and
// measures each drawing with the profile measurement.
//
// Sizes. The ink is told apart by its size on the paper and relative to the
// drawings: letters are at most kMaxGlyphMm of paper tall (the plate's scan
// resolution, never its scale, turns this into pixels), drawings are the
// larger clusters of ink; a drawing's parts are joined by proximity relative
// to their own size.

#include <limits>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "profile/profile.h"

namespace orvello::plates {

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Tallest letter of a caption or catalogue number, in millimetres of paper.
inline constexpr double kMaxGlyphMm = 7;

// A drawing turned upright by an angle more than this far from the page's
// skew (its bar's angle, or the median of its drawings' when it has no bar)
// gets this warning and confidence `check`.
inline constexpr double kMaxSkewApartDegrees = 1;
inline constexpr char kWarnSkewApart[] = "skew-apart-from-page";

// A line of text: glyph-sized components side by side.
struct TextLine {
  cv::Rect box;
  double glyph_px = 0;  // height of its tallest glyph
};

// A scale bar: a long thin horizontal bar, with or without ticks and
// alternating fills.
struct ScaleBar {
  cv::Rect box;                  // the bar and its ticks
  double length_px = 0;          // its length, sub-pixel
  double angle_degrees = 0;      // its lower edge's angle, positive when it rises to the right
  std::vector<TextLine> labels;  // the text lines next to it
};

// One drawing: the ink of a vessel (section, axis, exterior view, handles).
struct DrawingItem {
  cv::Rect box;                 // its ink in the plate
  std::vector<int> components;  // labels of its ink in PlateLayout::labels
  int category = 3;             // 1, 2 or 3
  bool mirror = false;          // the section stands right of the axis
  int axis_x = -1;              // plate column of a drawn median line (category 2), else -1
  int number_line = -1;         // index in PlateLayout::texts of its catalogue number, or -1
};

// What lies on a plate.
struct PlateLayout {
  cv::Mat ink;                        // 8-bit, 255 on ink
  cv::Mat labels;                     // CV_32S connected components of `ink` (8-connected)
  std::vector<DrawingItem> drawings;  // top to bottom, then left to right
  std::vector<ScaleBar> bars;
  std::vector<TextLine> texts;  // every text line but the bars' labels
};

// Returns the layout of `plate_bgr` (8-bit BGR, dark ink on light paper)
// scanned at `dpi`. REQUIRES: dpi > 0.
PlateLayout FindLayout(const cv::Mat& plate_bgr, double dpi);

// Returns the real length in cm stated by a scale bar's label text ("0 5 cm",
// "5 cm", "50 mm", "0 1 2 3 4 5cm"): the largest number, in the unit that
// follows it (cm when none). NaN when there is no number.
double ParseBarLabel(const std::string& text);

// Returns a length given on the command line ("5cm", "5 cm", "50mm",
// "0.05m", "5"), in cm; NaN when it cannot be read or is not above 0.
double ParseLength(const std::string& text);

// Reads text lines. Implemented over the OCR engine; a reader without its
// language data reads nothing.
class TextReader {
 public:
  virtual ~TextReader() = default;
  // Returns whether it can read at all.
  virtual bool Available() const = 0;
  // Returns the text of the single line in `grey` (8-bit, dark on light),
  // trimmed; "" when none. `digits_only` restricts it to a bar label's
  // characters (digits, '.', ',', "cm", "mm").
  virtual std::string ReadLine(const cv::Mat& grey, bool digits_only) = 0;
};

// Where a pixel size came from.
enum class PixelSource { kBarLabel, kBarGiven, kManifest, kNone };

// Returns "bar-label", "bar-given", "manifest" or "none".
std::string PixelSourceName(PixelSource source);

struct PlateParams {
  double dpi = 0;     // scan resolution; REQUIRES > 0 (used for letter sizes too)
  double scale = 0;   // drawn / real; 0 = unknown (then only a bar gives the pixel size)
  double bar_cm = 0;  // the bars' stated length when given by the user, else 0
  profile::Surface surface = profile::Surface::kMiddle;
  double scale_error = 0;
  std::vector<int> fill_percents = {100, 90, 80};
};

// One drawing measured.
struct DrawingResult {
  int index = 0;  // from 1, in PlateLayout::drawings order
  cv::Rect box;   // the crop in the plate
  int category = 3;
  bool mirror = false;
  std::string name;  // the catalogue number read, "" when none
  cv::Mat crop;      // 8-bit BGR, the drawing alone
  profile::ProfileResult profile;
};

struct PlateResult {
  PlateLayout layout;
  double pixel_cm = kNaN;  // real cm per pixel, NaN when unknown
  PixelSource source = PixelSource::kNone;
  double bar_cm = kNaN;               // the bar's stated length used, NaN when none
  std::string bar_text;               // the bar's label as read
  std::vector<std::string> warnings;  // English sentences
  std::vector<DrawingResult> drawings;
};

// Returns the plate measured: its layout, the pixel size (from the first
// bar whose length is given or read, else from params' dpi and scale), the
// catalogue numbers read by `reader` (may be nullptr: nothing read), and
// each drawing measured by the profile measurement at dpi = 2.54 /
// pixel_cm and scale 1. REQUIRES: params.dpi > 0.
PlateResult MeasurePlate(const cv::Mat& plate_bgr, const PlateParams& params, TextReader* reader);

// Returns `plate_bgr` with each drawing's box numbered and labelled with its
// category (green measured, red refused), the bars in blue with their
// length, and the catalogue numbers' boxes in grey.
cv::Mat DrawOverview(const cv::Mat& plate_bgr, const PlateResult& result);

}  // namespace orvello::plates

#endif  // ORVELLO_TOOLS_PLATES_PLATES_H_
