#ifndef ORVELLO_TOOLS_EXCHANGE_EXCHANGE_H_
#define ORVELLO_TOOLS_EXCHANGE_EXCHANGE_H_

// A vessel's profile in and out of Orvello: the measured interior and
// exterior walls written as CSV, as an SVG drawing at true size and as a DXF
// drawing, read back from the three forms, and measured like a scan, with
// the same integration (profile::RevolvedVolumeCl, profile::FilledVolumeCl):
// capacity, fill levels, capacity curve, dimensions, and the clay body's
// volume and weight.
//
// Coordinates. A profile point is (height above the inner floor, distance
// from the axis) in centimetres; each wall runs from the rim to the floor
// (the exterior from the rim top to the foot, below the inner floor heights
// are negative). The interior's floor closes on the axis below its last
// point, the exterior's base below its last point.
//
// Drawings (SVG, DXF) are in millimetres, the section left of the axis as
// drawings of pottery show it: x = axis - radius. In the DXF, y is the
// height (the axis on x = 0, the inner floor on y = 0); in the SVG, y runs
// down the page.
//
// Every function here is pure: text in, text or values out.

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "profile/profile.h"

namespace orvello::exchange {

using profile::CurvePoint;
using profile::ProfilePoint;

// The two walls of a vessel. Either may be empty (a profile of the interior
// only, or of the exterior only).
struct VesselProfile {
  std::vector<ProfilePoint> inner;  // interior wall, rim to floor
  std::vector<ProfilePoint> outer;  // exterior wall, rim top to foot

  bool operator==(const VesselProfile&) const = default;
};

enum class Format { kCsv, kSvg, kDxf };

// Returns "csv", "svg" or "dxf"; ParseFormat is its inverse and returns false
// on any other name.
std::string_view FormatName(Format format);
bool ParseFormat(std::string_view name, Format* format);

// Sets *format from the extension of `path` (.csv, .svg, .dxf, any case).
// Returns false for any other extension.
bool FormatOfPath(std::string_view path, Format* format);

// Parses a comma-separated list of format names ("csv,svg,dxf") into
// *formats, in order, without repeats. Returns false on an unknown or empty
// name.
bool ParseFormatList(std::string_view list, std::vector<Format>* formats);

// Returns the CSV text: the header "part,height_cm,radius_cm", then one line
// per point, the interior ("inner") first, each part rim to floor, numbers
// with nine significant digits.
std::string ToCsv(const VesselProfile& profile);

// Returns the SVG text, at true size: width and height in mm, a viewBox in
// mm, the interior and exterior as polylines (ids "inner" and "outer"), the
// axis (id "axis", dash-dotted) and the rim line (id "rim", at the interior's
// first point, or the exterior's when there is no interior).
std::string ToSvg(const VesselProfile& profile);

// Returns the DXF text, AutoCAD R12 (AC1009) ASCII, in millimetres: each
// wall a POLYLINE on layer INNER or OUTER, the axis a LINE on layer AXIS,
// the rim line a LINE on layer RIM.
std::string ToDxf(const VesselProfile& profile);

// Returns the text of `profile` in `format`.
std::string Export(const VesselProfile& profile, Format format);

// The outcome of reading a profile.
struct Imported {
  bool ok = false;
  std::string error;  // why it could not be read, short English; empty when ok
  VesselProfile profile;
};

// Returns the profile of a CSV text with the columns part, height_cm and
// radius_cm (in any order, other columns ignored; part "inner" or "outer").
Imported FromCsv(std::string_view text);

// Returns the profile of an SVG text: the <polyline> or <path> (commands M,
// L, H, V, Z, absolute or relative) with id or class "inner" and "outer"; a
// single unnamed polyline or path is the interior. The axis is the vertical
// line or path with id "axis", else x = 0; radii are distances from it.
// Lengths are taken in mm: the user unit is the root's width (in mm, cm, in,
// pt or px at 96 per inch) over the viewBox's width, or 1 mm when the root
// has no width with a unit or no viewBox. Heights are made relative to the
// interior's lowest point (the exterior's without an interior). Transforms
// are not applied.
Imported FromSvg(std::string_view text);

// Returns the profile of a DXF text (ASCII, any version): the POLYLINE/VERTEX
// or LWPOLYLINE entities on the layers INNER and OUTER (any case), the axis
// on x = the first LINE on layer AXIS, else x = 0; y is the height. Lengths
// in the unit of the header's $INSUNITS (inches, feet, mm, cm or m), in mm
// when it has none or another.
Imported FromDxf(std::string_view text);

// Returns the profile of `text` in `format`.
Imported Import(std::string_view text, Format format);

// The default density of fired earthenware, g/cm3. Low-fired earthenware is
// a matrix of clay minerals, quartz and feldspar (grain density about 2.6
// g/cm3) with an open porosity of roughly 20 to 35 %: its bulk density lies
// between about 1.7 and 2.1 g/cm3, and weight estimates of archaeological
// pottery commonly take a value near the lower middle of that range.
inline constexpr double kEarthenwareDensity = 1.8;

// What a profile gives: the values of the profile measurement, computed by
// the same integration. Lengths in cm, volumes in cL, masses in g; NaN for
// what the profile cannot give.
struct ProfileMeasure {
  double capacity_cl = profile::kNaN;    // the interior from the floor to the rim
  double solid_cl = profile::kNaN;       // the solid enclosed by the exterior wall
  double body_cl = profile::kNaN;        // the clay: solid minus the interior
  double weight_g = profile::kNaN;       // the body empty, at the density
  double full_weight_g = profile::kNaN;  // the body full of water
  double liquid_height_cm = profile::kNaN;
  double total_height_cm = profile::kNaN;
  double opening_cm = profile::kNaN;                   // interior diameter at the rim
  double rim_cm = profile::kNaN;                       // exterior diameter at the rim top
  double max_diameter_cm = profile::kNaN;              // largest exterior diameter
  double base_cm = profile::kNaN;                      // exterior diameter of the foot
  std::vector<std::pair<int, double>> fill_levels_cl;  // (percent of liquid height, cL)
  std::vector<CurvePoint> capacity_curve;              // floor to rim, 51 points
};

// Returns the volume in cL of the clay between the walls: the solid of
// revolution enclosed by `outer` (base included) minus the interior enclosed
// by `inner`, the interior extended straight up at its rim radius to the
// exterior's top when the rim top stands above the rim line. NaN when
// either wall has fewer than two points.
double BodyVolumeCl(std::span<const ProfilePoint> inner, std::span<const ProfilePoint> outer);

// Returns (empty weight, weight full of water) in g of a body of `body_cl`
// and an interior of `capacity_cl` at `density` g/cm3 (1 cL = 10 cm3; water
// 1 g/cm3).
std::pair<double, double> Weights(double body_cl, double capacity_cl, double density);

// Returns the measurement of `profile`, the capacity filled to each of
// `fill_percents` of the liquid height, the body weights at `density`
// g/cm3. REQUIRES: density > 0.
ProfileMeasure MeasureProfile(const VesselProfile& profile, std::span<const int> fill_percents,
                              double density = kEarthenwareDensity);

// Returns `measure` of `profile` as the profile measurement's result, for
// the code that reports scans: measured, each range reduced to its value (a
// profile given as coordinates carries no uncertainty of a drawing), the
// walls, fill levels and curve. Confidence is ok when the capacity (without
// an interior: the solid) is above 0, the walls run down without turning
// back and, with both walls, the body is above 0; else check.
profile::ProfileResult AsProfileResult(const VesselProfile& profile, const ProfileMeasure& measure);

// Returns the profile in the file at `path`, its form taken from the
// extension (.csv, .svg, .dxf); an error when the file cannot be read or
// has another extension.
Imported ReadProfileFile(const std::string& path);

}  // namespace orvello::exchange

#endif  // ORVELLO_TOOLS_EXCHANGE_EXCHANGE_H_
