#include "profile/profile.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orvello::profile {

std::string_view ConfidenceName(Confidence confidence) {
  return confidence == Confidence::kOk ? "ok" : "check";
}

std::string_view SurfaceName(Surface surface) {
  return surface == Surface::kEdge ? "edge" : "middle";
}

bool ParseSurface(std::string_view name, Surface* surface) {
  if (name == "middle") {
    *surface = Surface::kMiddle;
  } else if (name == "edge") {
    *surface = Surface::kEdge;
  } else {
    return false;
  }
  return true;
}

bool ProfileResult::HasWarning(std::string_view code) const {
  return std::find(warnings.begin(), warnings.end(), code) != warnings.end();
}

double RevolvedVolumeCl(std::span<const ProfilePoint> profile) {
  double sum = 0;
  for (size_t i = 1; i < profile.size(); ++i) {
    const double h = std::abs(profile[i].height_cm - profile[i - 1].height_cm);
    const double a = profile[i - 1].radius_cm;
    const double b = profile[i].radius_cm;
    sum += h * (a * a + a * b + b * b);
  }
  return std::numbers::pi * sum / 3 / 10;
}

double FilledVolumeCl(std::span<const ProfilePoint> profile, double height_cm) {
  (void)profile;
  (void)height_cm;
  return kNaN;
}

std::string_view WarningText(std::string_view code) { return code; }

ProfileResult MeasureProfile(const cv::Mat& drawing_bgr, const ProfileParams& params) {
  (void)drawing_bgr;
  (void)params;
  ProfileResult result;
  result.refusal = "not measured yet";
  return result;
}

cv::Mat DrawOverlay(const cv::Mat& drawing_bgr, const ProfileResult& result) {
  (void)result;
  return drawing_bgr.clone();
}

}  // namespace orvello::profile
