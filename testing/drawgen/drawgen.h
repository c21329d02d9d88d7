#ifndef ORVELLO_TESTING_DRAWGEN_DRAWGEN_H_
#define ORVELLO_TESTING_DRAWGEN_DRAWGEN_H_

// Drawings of vessels of revolution, generated from a profile, with the
// vessel's analytic capacity and dimensions computed from the profile
// itself (never measured from the picture).
//
// Geometry. A vessel is given by its outer radius R(h) and inner radius
// r(h) in cm at height h above the bottom of its flat foot: the foot is
// vertical up to a small height, the inner floor is flat at the base
// thickness, the rim top is flat. A real length of L cm is drawn
// L * scale * dpi / 2.54 pixels long, and a pixel is ink when its centre lies
// inside the drawn shape (exactly so without antialias). Strokes are about
// 2 px wide at 300 dpi and scale 1 (2 * dpi / 300 * scale, rounded, at least
// 1 px) and lie inside the material, so that the outer edge of the ink is
// the outer surface of the vessel and the inner edge of the section outline
// is its inner surface and inner floor.
//
// Category 3: the whole exterior, filled or as a closed outline.
// Category 2: left of the axis the wall section as two outlines (outer and
// inner surface, joined by the rim top, running to the axis along the base
// and the inner floor); a median line min(3, stroke) px wide whose rightmost
// column is the axis column, from the rim top row to the foot row; right of
// the axis the exterior outline. The canvas keeps the axis column inside
// columns [0.4 C, 0.7 C) of a C-column image and the exterior outline at or
// right of 0.7 C on the row three quarters down from the rim top to the inner
// floor. Every shape's interior is wide enough that the column 45 % of the
// way from the leftmost to the rightmost ink meets the inner floor as its
// first ink from the top (unless strokes and median line are as wide as a
// tenth of the vessel, in drawings a few dozen pixels wide).
// Category 1: the wall section as one closed outline in the left third of
// the sheet (every section pixel left of column C / 3), closed on the axis by
// a vertical stroke from the inner floor down to the base, whose rightmost
// column is the axis column; the exterior outline stands apart, wholly right
// of column C / 3. The section outline's contour is longer than 3000 px (the
// length the category-1 measurement asks for) from these vessel heights on,
// at 300 dpi and scale 1 (the length grows with height * dpi * scale):
//   cylinder 9.1 cm, bowl 7.8 cm, globular 8.5 cm, necked 8.6 cm,
//   beaker 9.7 cm, cone 9.9 cm
// (so the default 10 cm vessel qualifies at 300 dpi and scale 1, while at
// 300 dpi and scale 0.5 it takes about twice these heights).

#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace orvello::drawgen {

enum class Shape { kCylinder, kBowl, kGlobularJar, kNeckedJar, kBeaker, kCone };

// Returns every shape, in a fixed order.
std::vector<Shape> AllShapes();

// Returns the shape's name ("cylinder", "bowl", "globular", "necked",
// "beaker", "cone"); ParseShape is its inverse and returns false on an
// unknown name.
std::string ShapeName(Shape shape);
bool ParseShape(const std::string& name, Shape* shape);

struct DrawOptions {
  Shape shape = Shape::kCylinder;
  int category = 3;        // 1, 2 or 3
  double dpi = 300;        // scan resolution
  double scale = 1;        // drawn length / real length
  double height_cm = 10;   // real total height of the vessel
  bool filled = true;      // category 3: filled silhouette, else outline
  bool antialias = false;  // anti-aliased strokes and edges (drawn
                           // supersampled, then averaged)
  bool noise = false;      // light scan noise on grey paper
  unsigned seed = 1;       // for the noise
  bool mirrored = false;   // categories 1, 2: section on the right
  // Canvas size in pixels; 0 chooses a margin around the drawing. A canvas
  // too small for the drawing is an error (Draw throws std::invalid_argument).
  int width_px = 0;
  int height_px = 0;
};

// Real dimensions of the drawn vessel, in centimetres and centilitres.
struct Analytic {
  // Category 3: volume of the solid of revolution of the outer profile.
  // Categories 1 and 2: interior capacity from the top of the rim down to the
  // inner floor.
  double capacity_cl = 0;
  double total_height_cm = 0;      // foot to rim top
  double liquid_height_cm = 0;     // rim top to inner floor (categories 1, 2)
  double opening_diameter_cm = 0;  // inner diameter at the rim top (1, 2)
  double base_diameter_cm = 0;     // outer diameter of the foot
  double rim_width_cm = 0;         // mean wall thickness over the liquid height
};

struct Drawing {
  cv::Mat image;  // 8-bit, 3 channels BGR, dark ink on light paper
  Analytic truth;
  // Image column of the axis of revolution and image rows of the rim top,
  // the inner floor (categories 1, 2) and the foot.
  int axis_x = 0;
  int top_y = 0;
  int floor_y = 0;
  int foot_y = 0;
};

// Returns the drawing for `options`. Throws std::invalid_argument for a
// category other than 1, 2, 3, a dpi or scale not above 0, or a canvas too
// small.
// Also throws std::invalid_argument for a height_cm not above 0, a negative
// canvas size, or a drawing more than kMaxSidePx pixels on a side.
// axis_x: the axis of revolution runs along the right edge of this column
// (the left edge when mirrored); it is the rightmost column of the median
// line (category 2) or of the axis stroke (category 1). floor_y is 0 for
// category 3. Without antialias, top_y, floor_y and foot_y are exactly the
// first ink row, the first row of the inner floor and the last ink row.
Drawing Draw(const DrawOptions& options);

// Largest canvas side Draw accepts, in pixels.
inline constexpr int kMaxSidePx = 20000;

// Returns the analytic values of `shape` at `height_cm` for `category`
// (what Draw returns as Drawing::truth). Values that do not apply to the
// category are 0. Throws std::invalid_argument for a category other than
// 1, 2, 3 or a height_cm not above 0.
Analytic AnalyticValues(Shape shape, int category, double height_cm);

// The profile of a shape scaled to a vessel `height_cm` tall. Lengths in cm.
class Profile {
 public:
  // REQUIRES: height_cm > 0.
  Profile(Shape shape, double height_cm);

  double height_cm() const { return height_; }
  // Height of the inner floor above the bottom of the foot.
  double floor_cm() const { return floor_; }
  // The outer surface is vertical (radius OuterRadius(0)) up to this height.
  double foot_top_cm() const { return foot_top_; }

  // Returns R(h), the outer radius at height h.
  // REQUIRES: 0 <= h <= height_cm().
  double OuterRadius(double h) const;
  // Returns r(h), the inner radius at height h.
  // REQUIRES: floor_cm() <= h <= height_cm().
  double InnerRadius(double h) const;
  // Returns the heights where R or r may bend sharply, in increasing order,
  // from 0 to height_cm(): integrals are exact piecewise between them.
  std::vector<double> Breaks() const;

 private:
  struct Knot {
    double t;      // height / vessel height
    double value;  // radius, cm, for a 10 cm vessel
    double slope;  // d value / d t
  };
  double Body(double t) const;       // body curve, cm, 10 cm vessel
  double BodySlope(double t) const;  // d Body / d t

  std::vector<Knot> knots_;
  double height_;
  double floor_;
  double foot_top_;
  double wall_;  // wall thickness across the surface, cm, 10 cm vessel
};

// Writes `image` as a 1-bit-per-pixel Windows bitmap (pixels darker than
// 128 black, others white). Returns false when the file cannot be written.
bool WriteBitmap1(const std::string& path, const cv::Mat& image);
// The same, recording `dpi` as the bitmap's resolution (0: not recorded).
bool WriteBitmap1(const std::string& path, const cv::Mat& image, double dpi);

// Sets the density of the JFIF header of the JPEG file at `path` to `dpi`
// dots per inch in both directions. Returns false when the file cannot be
// read or written or does not start with a JFIF header.
// REQUIRES: 0 < dpi <= 65535.
bool SetJpegDensity(const std::string& path, int dpi);

}  // namespace orvello::drawgen

#endif  // ORVELLO_TESTING_DRAWGEN_DRAWGEN_H_
