#ifndef ORVELLO_TOOLS_BATCH_REFINED_H_
#define ORVELLO_TOOLS_BATCH_REFINED_H_

// The profile measurement of a batch's drawings, beside the tools' values:
// its columns and keys, its overlay image and its cell in the report.

#include <array>
#include <filesystem>
#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profile/profile.h"

namespace orvello::batch {

// The folder of the overlay images, beside the water images.
inline constexpr char kOverlayFolder[] = "overlay";
// The folder of their thumbnails, which the report shows.
inline constexpr char kOverlayThumbnailFolder[] = "overlay/thumbs";

// How the profile measurement reads every drawing of a batch.
struct RefinedOptions {
  profile::Surface surface = profile::Surface::kMiddle;
  double wall_cm = 0;  // category 3: wall thickness for an interior estimate, 0 = none
  double base_cm = 0;  // category 3: base thickness (0: the wall thickness)
};

// The profile measurement of one drawing.
struct Refined {
  bool attempted = false;  // false when the drawing could not be loaded
  profile::ProfileResult result;
  std::string overlay_image;      // relative to the output folder, "/" separated
  std::string overlay_thumbnail;  // its small copy, relative to the output folder
};

// The columns (CSV) and keys (JSON) of the profile measurement, in order;
// they follow the tools' columns.
inline constexpr std::array<std::string_view, 16> kRefinedColumns = {"refined_status",
                                                                     "refined_capacity_cl",
                                                                     "refined_capacity_low_cl",
                                                                     "refined_capacity_high_cl",
                                                                     "refined_solid_cl",
                                                                     "refined_solid_low_cl",
                                                                     "refined_solid_high_cl",
                                                                     "refined_liquid_height_cm",
                                                                     "refined_total_height_cm",
                                                                     "refined_opening_cm",
                                                                     "refined_rim_cm",
                                                                     "refined_max_diameter_cm",
                                                                     "refined_base_cm",
                                                                     "confidence",
                                                                     "warnings",
                                                                     "overlay_image"};

// One field of the profile measurement: a number (absent when it does not
// apply) or a text.
struct RefinedField {
  std::string_view key;
  std::optional<double> number;
  std::string text;
  bool is_text = false;
};

// Returns the fields of `refined` in the order of kRefinedColumns. A
// drawing not attempted is "refused" with every other field absent.
std::vector<RefinedField> RefinedFields(const Refined& refined);

// Returns the name of the overlay of the drawing whose water image is
// `water_image` ("eau/007-vase.jpg" gives "overlay/007-vase.png").
std::string OverlayImageName(std::string_view water_image);

// Measures `drawing` (as loaded, not mirrored) by its profile, adds the
// warning kWarnDisagreesWithTool (and confidence check) when the tool's
// capacity (category 3: volume) `tool_cl` differs by more than a tenth, and
// writes the overlay as `overlay_name` in `out` (none when empty). Never
// throws.
Refined MeasureRefined(const cv::Mat& drawing, int category, double dpi, double scale, bool mirror,
                       double scale_error, const std::vector<int>& fill_percents,
                       const RefinedOptions& options, std::optional<double> tool_cl,
                       const std::filesystem::path& out, const std::string& overlay_name);

// Returns the report's cell of the profile measurement: the capacity
// (category 3 without a wall: the solid's volume) as the headline with its
// range, the tool's `tool_cl` beside it, the confidence as a badge and the
// warnings in words; or the refusal.
std::string RefinedHtml(const Refined& refined, int category, std::optional<double> tool_cl);

}  // namespace orvello::batch

#endif  // ORVELLO_TOOLS_BATCH_REFINED_H_
