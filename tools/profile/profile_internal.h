#ifndef ORVELLO_TOOLS_PROFILE_PROFILE_INTERNAL_H_
#define ORVELLO_TOOLS_PROFILE_PROFILE_INTERNAL_H_

// The steps of the profile measurement, shared between its files. Not part
// of the library's interface.

#include <algorithm>
#include <cstddef>
#include <opencv2/core.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "profile/profile.h"

namespace orvello::profile {

// Returns the median of `v` (the upper one of an even count), NaN when empty.
inline double Median(std::vector<double> v) {
  if (v.empty()) return kNaN;
  const size_t mid = v.size() / 2;
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
  return v[mid];
}

// Adds the warning `code` to `r` unless it is there already.
inline void Warn(ProfileResult& r, std::string_view code) {
  if (!r.HasWarning(code)) r.warnings.emplace_back(code);
}

struct Levels2 {
  double paper = 255;
  double ink = 0;
};

// A stroke's cross-section along a row or a column: its ink amount (width in
// pixels) and the centre of that ink, in continuous coordinates (pixel i
// covers [i, i + 1]).
struct Stroke {
  double centre = 0;
  double width = 0;
  double lo() const { return centre - width / 2; }
  double hi() const { return centre + width / 2; }
};

// The upright, cleaned crop of the vessel: grey and the threshold mask.
struct Work {
  Work(const cv::Mat& grey_crop, const Levels2& levels);
  cv::Mat grey, mask;
  double paper = 255, ink = 0, span = 255;
  bool antialiased = false;  // edges in grey levels

  // Returns the ink coverage of pixel (y, x): 0 paper, 1 ink.
  double Coverage(int y, int x) const;
  // Returns the stroke of the ink run [x0, x1] of row y (with its fringe).
  Stroke RowStroke(int y, int x0, int x1) const;
  // Returns the stroke of the ink run [y0, y1] of column x.
  Stroke ColumnStroke(int x, int y0, int y1) const;
  // Returns the last column of the ink run of row y that starts at x0.
  int RunEnd(int y, int x0) const;
  // Returns the last row of the ink run of column x that starts at y0.
  int RunEndDown(int x, int y0) const;
  // Returns the drawing's pen width in pixels.
  double PenWidth() const;
};

// How the working frame lies in the drawing: flipped, cropped, rotated.
struct Frame {
  bool flip = false;
  int cols = 0;
  cv::Point origin;
  cv::Mat rot, inv;  // crop -> upright, upright -> crop
  bool rotated = false;
  // Returns the drawing's point (continuous coordinates) of an upright one.
  cv::Point2d ToDrawing(cv::Point2d upright) const;
};

// One traced row of a wall, upright frame, continuous coordinates.
struct WallRow {
  double y = 0;      // row centre
  double x = 0;      // the surface by the chosen convention
  double x_alt = 0;  // the surface by the other convention
};

// What a category's tracing gives, in upright pixels.
struct Measured {
  bool ok = false;
  std::string refusal;
  bool has_interior = false;
  double axis = 0, axis_alt = 0;    // axis column (continuous x)
  double brim = 0, brim_alt = 0;    // brim row (continuous y)
  double floor = 0, floor_alt = 0;  // inner floor row
  double top = 0, foot = 0;         // rim top and foot bottom (outer)
  double top_alt = 0, foot_alt = 0;
  std::vector<WallRow> inner;  // top to bottom
  std::vector<WallRow> outer;  // top to bottom
  // Uncertainties in pixels besides the two conventions.
  double edge_px = 0.5, axis_px = 0.5, brim_px = 0.5, floor_px = 0.5;
  double pen = 1;
  int broken_rows = 0;
};

Measured MeasureSection(const Work& work, const ProfileParams& p, double k, ProfileResult& r);
Measured MeasureSilhouette(const Work& work, const ProfileParams& p, double k, ProfileResult& r);
// Fills the result's values, range, curve, confidence and geometry.
void Finish(const Measured& m, const ProfileParams& p, double k, const Frame& frame,
            ProfileResult& r);
ProfileResult MeasureProfileImpl(const cv::Mat& drawing_bgr, const ProfileParams& p);

}  // namespace orvello::profile

#endif  // ORVELLO_TOOLS_PROFILE_PROFILE_INTERNAL_H_
