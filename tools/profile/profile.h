#ifndef ORVELLO_TOOLS_PROFILE_PROFILE_H_
#define ORVELLO_TOOLS_PROFILE_PROFILE_H_

// The profile measurement: the vessel's interior (and exterior) wall traced
// from a drawing of any of the three categories, in real units, integrated
// as a solid of revolution, with a range that holds the truth, a confidence
// and warnings, and an overlay that shows what was measured.
//
// Unlike the three tools' fixed scans, every threshold here is a real length
// on the vessel or a fraction of the vessel's size: the same vessel drawn at
// 150 or 1200 dpi, at scale 1 or 1:4, gives the same answer. The measurement
// finds the vessel's ink among specks, captions, catalogue numbers and scale
// bars, corrects a small skew, finds the axis, the rim and the floor, traces
// the walls with sub-pixel precision and checks itself.

#include <limits>
#include <opencv2/core.hpp>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvello::profile {

// The value of a result that does not apply or was not measured.
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Where the vessel's surface lies in the ink of a drawn outline.
enum class Surface {
  kMiddle,  // on the middle of an outline stroke (the pen follows the outline);
            // on the edge of a filled section where there is no outline
  kEdge,    // on the ink's inner edge (strokes drawn inside the material)
};

// Whether the measurement's own checks vouch for its result.
enum class Confidence { kOk, kCheck };

// Returns "ok" or "check".
std::string_view ConfidenceName(Confidence confidence);

// Returns "middle" or "edge"; ParseSurface is its inverse and returns false
// on any other name.
std::string_view SurfaceName(Surface surface);
bool ParseSurface(std::string_view name, Surface* surface);

// Warning codes of a result.
inline constexpr std::string_view kWarnSkewCorrected = "skew-corrected";
inline constexpr std::string_view kWarnInkIgnored = "ink-ignored";
inline constexpr std::string_view kWarnAsymmetric = "asymmetric";
inline constexpr std::string_view kWarnOpenOutline = "open-outline";
inline constexpr std::string_view kWarnLowResolution = "low-resolution";
inline constexpr std::string_view kWarnFloorUncertain = "floor-uncertain";
inline constexpr std::string_view kWarnRimUncertain = "rim-uncertain";
inline constexpr std::string_view kWarnAxisUncertain = "axis-uncertain";
inline constexpr std::string_view kWarnThickPen = "thick-pen";
inline constexpr std::string_view kWarnDisagreesWithTool = "disagrees-with-tool";
inline constexpr std::string_view kWarnNoInterior = "no-interior-estimate";

// Returns a short English description of a warning code ("the drawing was
// turned upright by a small angle", ...), or the code itself when unknown.
std::string_view WarningText(std::string_view code);

// The parameters of one measurement.
struct ProfileParams {
  double dpi = 300;     // scan resolution, dots per inch
  double scale = 1;     // drawn length / real length
  int category = 2;     // 1, 2 or 3
  bool mirror = false;  // the section stands right of the axis
  Surface surface = Surface::kMiddle;
  // Category 3: wall and base thickness for an estimate of the interior
  // capacity; 0 = no estimate.
  double wall_cm = 0;
  double base_cm = 0;
  double scale_error = 0;  // relative uncertainty of the scale, e.g. 0.01
  std::vector<int> fill_percents = {100, 90, 80};
};

// One point of a wall profile, in centimetres.
struct ProfilePoint {
  double height_cm;  // height above the inner floor (category 3: the foot)
  double radius_cm;  // distance from the axis
};

// One point of the capacity curve: filled to `height_cm` above the inner
// floor, the vessel holds `capacity_cl`.
struct CurvePoint {
  double height_cm;
  double capacity_cl;
};

// A point in image pixels (of the drawing as given, not deskewed).
using PixelPoint = cv::Point2d;

// What the measurement found in the drawing, in image pixels of the drawing
// as given (mirror and skew undone), for the overlay.
struct ProfileGeometry {
  // 8-bit, the drawing's size: kInkKept on the vessel's ink that was
  // measured (and a category-1 exterior view), kInkIgnored on ink that was
  // left out, 0 on paper.
  cv::Mat ink;
  static constexpr uchar kInkKept = 1, kInkIgnored = 2;
  PixelPoint axis_top, axis_bottom;    // the axis segment
  PixelPoint rim_left, rim_right;      // the brim line
  PixelPoint floor_left, floor_right;  // the inner floor line
  std::vector<PixelPoint> inner;       // the traced inner wall, rim to floor
  std::vector<PixelPoint> outer;       // the traced outer wall, rim to foot
  double skew_degrees = 0;             // the drawing's skew that was undone
};

// The result of one measurement. Lengths in cm, volumes in cL; NaN for a
// value that does not apply (e.g. the capacity of category 3 without a
// wall thickness) or was not measured.
struct ProfileResult {
  bool measured = false;
  std::string refusal;  // why it was refused, short English; empty when measured

  double capacity_cl = kNaN, capacity_low_cl = kNaN, capacity_high_cl = kNaN;
  // Category 3: the silhouette's solid; categories 1, 2: the solid enclosed
  // by the exterior wall.
  double solid_cl = kNaN, solid_low_cl = kNaN, solid_high_cl = kNaN;
  double liquid_height_cm = kNaN;  // rim (brim) to inner floor
  double total_height_cm = kNaN;   // foot to rim top
  double opening_cm = kNaN;        // inner diameter at the rim
  double rim_cm = kNaN;            // outer diameter at the rim
  double max_diameter_cm = kNaN;   // largest outer diameter
  double base_cm = kNaN;           // outer diameter of the foot

  Confidence confidence = Confidence::kCheck;
  std::vector<std::string> warnings;  // codes, kWarn...

  std::vector<ProfilePoint> inner;  // inner wall, rim to floor
  std::vector<ProfilePoint> outer;  // outer wall, rim to foot (heights above the floor may be < 0)

  std::vector<std::pair<int, double>> fill_levels_cl;  // (percent of liquid height, cL)
  std::vector<CurvePoint> capacity_curve;              // floor to brim

  ProfileGeometry geometry;

  // Returns true when `code` is among the warnings.
  bool HasWarning(std::string_view code) const;
};

// Returns the measurement of `drawing_bgr` (8-bit BGR, dark ink on light
// paper). Never throws: a drawing it cannot measure gives measured == false
// and a refusal. REQUIRES nothing of the parameters: bad ones are refused.
ProfileResult MeasureProfile(const cv::Mat& drawing_bgr, const ProfileParams& params);

// Returns `drawing_bgr` (8-bit BGR) with the result drawn on it: kept ink
// dark blue, ignored ink orange, the axis red, rim and floor lines green,
// the traced inner wall cyan and outer wall magenta. A refused result shows
// the ignored ink only.
cv::Mat DrawOverlay(const cv::Mat& drawing_bgr, const ProfileResult& result);

// Returns the volume in cL of the solid of revolution of the polyline
// `profile` (heights and radii in cm, in any monotonic order of height):
// the exact sum of its frustums, pi h (r1^2 + r1 r2 + r2^2) / 3 / 10.
double RevolvedVolumeCl(std::span<const ProfilePoint> profile);

// Returns the capacity in cL of the polyline `profile` filled to
// `height_cm` above its lowest point (exact for the polyline).
double FilledVolumeCl(std::span<const ProfilePoint> profile, double height_cm);

}  // namespace orvello::profile

#endif  // ORVELLO_TOOLS_PROFILE_PROFILE_H_
