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
// 1 px; DrawOptions::pen_mm sets another width) and by default lie inside
// the material, so that the outer edge of the ink is the outer surface of the
// vessel and the inner edge of the section outline is its inner surface and
// inner floor (Surface::kEdge; Surface::kMiddle centres them on the surface).
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
// This layout holds for the default options; the surface convention, the pen
// and the degradations below move or widen strokes, add ink and grow the
// canvas, and the measurement tools need not find their references then.
// Very small and very large drawings come from dpi, scale and height_cm.
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

// Where a drawn stroke lies against the surface it draws.
//   kEdge: strokes lie inside the material, so that the outer edge of the ink
//     is the outer surface, the inner edge of the section outline the inner
//     surface and the inner floor, the top edge of the rim stroke the rim top;
//     the axis runs along the right edge of the median line (category 2) or
//     of the closing stroke (category 1).
//   kMiddle: every stroke is centred on the surface it draws (the pen follows
//     the outline): outlines, the rim top and floor strokes, the median line
//     and the category-1 closing stroke are centred on the surface or on the
//     axis. The ink reaches half a stroke beyond the vessel. A surface drawn
//     by a filled area without an outline stroke (a filled category-3
//     silhouette, a black section) lies on the ink's edge in both.
enum class Surface { kEdge, kMiddle };

// How the wall section (categories 1, 2) is drawn.
//   kNone: outlined, paper inside (the default).
//   kBlack: the material solid ink, without an outline stroke.
//   kGrey: outlined, the inside grey (level 160 of 255).
//   kHatched: outlined, the inside hatched with lines at 45 degrees, 1.2 mm of
//     paper apart, one stroke wide.
enum class SectionFill { kNone, kBlack, kGrey, kHatched };

// Returns the name of `surface` ("edge", "middle") or `fill` ("none",
// "black", "grey", "hatched"); the Parse functions are their inverses and
// return false on an unknown name.
std::string SurfaceName(Surface surface);
bool ParseSurface(const std::string& name, Surface* surface);
std::string SectionFillName(SectionFill fill);
bool ParseSectionFill(const std::string& name, SectionFill* fill);

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
  // Captions, a scale bar and a skew grow the canvas beyond this size.
  int width_px = 0;
  int height_px = 0;

  // How a stroke lies on the surface it draws (see Surface).
  Surface surface = Surface::kEdge;

  // The degradations of real scans. None of them changes the vessel nor its
  // analytic values (Drawing::truth); their defaults leave the drawing
  // exactly as without them. Random ones (specks, breaks) follow `seed`.
  //
  // Stroke width in millimetres on the paper (the drawn plate, so it does
  // not follow `scale`): pen_mm * dpi / 25.4 px, at least 1 px, not rounded.
  // 0 keeps the default stroke. The median line (category 2) is then drawn
  // with the same pen, instead of min(3, stroke) px.
  double pen_mm = 0;
  // Categories 1, 2: how the wall section is filled (see SectionFill).
  SectionFill section_fill = SectionFill::kNone;
  // A handle on the exterior view, on its right (left when mirrored): a
  // strap of ink 0.05 height wide, from 0.5 to 0.85 of the height, reaching
  // 0.35 of the widest radius (at most 0.175 height) beyond the widest
  // radius, drawn solid (the canvas widens on both sides to hold it). It is
  // not part of the truth: category 3's truth stays the body of revolution,
  // whose silhouette the handle makes asymmetric.
  bool handle = false;
  // Number of small gaps (0.5 mm of paper each, at least 1 px) cut across the
  // outlines at heights between 15 % and 90 % of the liquid height: in turn
  // the section's inner wall, its outer wall and the exterior outline
  // (categories 1, 2; a black section has no outline to cut, so its gaps all
  // go to the exterior), or the silhouette's outline (category 3, outline
  // only).
  int breaks = 0;
  // "Fig. 12" centred 4 mm (of paper) below the drawing, in letters 3 mm
  // tall; and the catalogue number "Inv. 1987.46" 4 mm left of the drawing,
  // level with the upper part of the vessel.
  bool caption = false;
  // A scale bar below the drawing (below the caption): Drawing::scale_bar_cm
  // real centimetres (1, 2, 5 or 10, the largest not above 0.75 of the
  // vessel's height, at least 1) in five segments, alternately filled and
  // open, 1.5 mm of paper thick, with ticks and the labels "0" and "N cm".
  bool scale_bar = false;
  // Number of dark specks of dust (discs 0.05 to 0.3 mm of paper in radius,
  // grey 0 to 80) scattered over the paper, at least 1 mm of paper away from
  // any ink.
  int specks = 0;
  // The whole sheet turned by this many degrees (counter-clockwise as seen)
  // about its centre, the canvas grown to hold it, bilinear. REQUIRES:
  // |skew_deg| <= 45.
  double skew_deg = 0;
  // 1 to 100: the final picture goes through a JPEG encoding at this quality
  // and back. 0: no JPEG.
  int jpeg_quality = 0;
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

// Sub-pixel positions in image coordinates, where the centre of pixel
// (column i, row j) is (i, j) and its edges lie at +-0.5: the x of the axis,
// the y of the rim top and of the inner floor (0 for category 3).
struct Lines {
  double axis_x = 0;
  double rim_y = 0;
  double floor_y = 0;
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

  // Where the vessel's surfaces are drawn (the truth's axis, rim top and
  // inner floor), and where each surface convention reads them from the ink:
  //   edge: the axis on the side of the median line (category 2) or of the
  //     closing stroke (category 1) away from the section, the rim on the
  //     top edge of the rim stroke, the floor on the top edge of the floor
  //     stroke;
  //   middle: the axis, rim and floor on the middle of those strokes.
  // `surface` equals `edge` for Surface::kEdge and `middle` for
  // Surface::kMiddle. Category 3: the axis is the silhouette's axis of
  // symmetry in all three, the rim the top of the silhouette (of its
  // outline stroke, by convention, when outlined).
  Lines surface;
  Lines edge;
  Lines middle;
  double stroke_px = 0;  // stroke width
  double median_px = 0;  // width of the median line (category 2)

  // With a skew, the positions above (the integer ones too) are those of the
  // sheet before it was turned; `skew` maps them into the image (x' = skew *
  // (x, y, 1)). Without a skew it is the identity.
  cv::Matx23d skew = cv::Matx23d(1, 0, 0, 0, 1, 0);

  // The scale bar, before the skew: its length in real cm, the x of its
  // left ("0") and right ends and the y of its middle; 0 without a bar.
  double scale_bar_cm = 0;
  double scale_bar_x0 = 0;
  double scale_bar_x1 = 0;
  double scale_bar_y = 0;
};

// Returns the drawing for `options`. Throws std::invalid_argument for a
// category other than 1, 2, 3, a dpi or scale not above 0, or a canvas too
// small.
// Also throws std::invalid_argument for a height_cm not above 0, a negative
// canvas size, a drawing more than kMaxSidePx pixels on a side, a negative
// or non-finite pen_mm, breaks or specks below 0 (or above 1000 and 100000),
// a skew above 45 degrees, a jpeg_quality outside 0-100, a section fill in
// category 3, or breaks in a filled category-3 silhouette.
// axis_x: the rightmost column of the median line (category 2) or of the
// axis stroke (category 1), the leftmost when mirrored; with Surface::kEdge
// the axis of revolution runs along its right (left) edge, with kMiddle along
// the middle of that stroke (Drawing::surface has it to the sub-pixel).
// floor_y is 0 for category 3. Without antialias, top_y, floor_y and foot_y
// are exactly the first ink row, the first row of the floor stroke and the
// last ink row (a caption or scale bar below the vessel lies further down).
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
