#ifndef ORVELLO_SAMPLES_DRAWGEN_DRAWGEN_H_
#define ORVELLO_SAMPLES_DRAWGEN_DRAWGEN_H_

// Drawings of vessels of revolution, generated from a profile, with the
// vessel's analytic capacity and dimensions computed from the profile
// itself (never measured from the picture).

#include <string>
#include <vector>

#include <opencv2/core.hpp>

namespace drawgen {

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
  int category = 3;             // 1, 2 or 3
  double dpi = 300;             // scan resolution
  double scale = 1;             // drawn length / real length
  double height_cm = 10;        // real total height of the vessel
  bool filled = true;           // category 3: filled silhouette, else outline
  bool antialias = false;       // anti-aliased strokes and edges
  bool noise = false;           // light scan noise on grey paper
  unsigned seed = 1;            // for the noise
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
  double total_height_cm = 0;    // foot to rim top
  double liquid_height_cm = 0;   // rim top to inner floor (categories 1, 2)
  double opening_diameter_cm = 0;  // inner diameter at the rim top (1, 2)
  double base_diameter_cm = 0;   // outer diameter of the foot
  double rim_width_cm = 0;       // mean wall thickness over the liquid height
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
Drawing Draw(const DrawOptions& options);

// Writes `image` as a 1-bit-per-pixel Windows bitmap (pixels darker than
// 128 black, others white). Returns false when the file cannot be written.
bool WriteBitmap1(const std::string& path, const cv::Mat& image);

}  // namespace drawgen

#endif  // ORVELLO_SAMPLES_DRAWGEN_DRAWGEN_H_
