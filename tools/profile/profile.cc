#include "profile/profile.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <opencv2/imgproc.hpp>
#include <stdexcept>

#include "profile/profile_internal.h"

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
  if (profile.size() < 2) return 0;
  double base = profile[0].height_cm;
  for (const ProfilePoint& q : profile) base = std::min(base, q.height_cm);
  const double level = base + height_cm;
  double sum = 0;
  for (size_t i = 1; i < profile.size(); ++i) {
    ProfilePoint a = profile[i - 1];
    ProfilePoint b = profile[i];
    if (a.height_cm > b.height_cm) std::swap(a, b);
    if (a.height_cm >= level) continue;
    if (b.height_cm > level) {
      const double t = (level - a.height_cm) / (b.height_cm - a.height_cm);
      b = {level, a.radius_cm + t * (b.radius_cm - a.radius_cm)};
    }
    const ProfilePoint piece[] = {a, b};
    sum += RevolvedVolumeCl(piece);
  }
  return sum;
}

std::string_view WarningText(std::string_view code) {
  static const std::pair<std::string_view, std::string_view> kTexts[] = {
      {kWarnSkewCorrected, "the drawing was turned upright by a small angle"},
      {kWarnInkIgnored, "ink away from the vessel (text, scale bar, specks) was left out"},
      {kWarnAsymmetric, "the two sides differ (handle, spout or a vessel not round)"},
      {kWarnOpenOutline, "the outline has gaps that were bridged"},
      {kWarnLowResolution, "the drawing has few pixels per centimetre of the vessel"},
      {kWarnFloorUncertain, "the inner floor is not clearly drawn"},
      {kWarnRimUncertain, "the rim line is not clearly drawn"},
      {kWarnAxisUncertain, "the axis is not clearly drawn"},
      {kWarnThickPen, "the pen is thick against the vessel"},
      {kWarnDisagreesWithTool, "the category's tool gives a different capacity"},
      {kWarnNoInterior, "no wall thickness given: no interior capacity"},
  };
  for (const auto& [key, text] : kTexts) {
    if (key == code) return text;
  }
  return code;
}

ProfileResult MeasureProfile(const cv::Mat& drawing_bgr, const ProfileParams& params) {
  try {
    return MeasureProfileImpl(drawing_bgr, params);
  } catch (const std::exception& e) {
    ProfileResult result;
    result.refusal = std::string("measurement failed: ") + e.what();
    return result;
  }
}

cv::Mat DrawOverlay(const cv::Mat& drawing_bgr, const ProfileResult& result) {
  cv::Mat grey, out;
  if (drawing_bgr.channels() == 3) {
    cv::cvtColor(drawing_bgr, grey, cv::COLOR_BGR2GRAY);
  } else if (drawing_bgr.channels() == 4) {
    cv::cvtColor(drawing_bgr, grey, cv::COLOR_BGRA2GRAY);
  } else {
    grey = drawing_bgr;
  }
  // The drawing faded, so that the marks stand out.
  grey.convertTo(grey, CV_8U, 0.35, 255 * 0.65);
  cv::cvtColor(grey, out, cv::COLOR_GRAY2BGR);
  const ProfileGeometry& g = result.geometry;
  if (g.ink.size() == out.size()) {
    for (int y = 0; y < out.rows; ++y) {
      const uchar* k = g.ink.ptr<uchar>(y);
      cv::Vec3b* o = out.ptr<cv::Vec3b>(y);
      for (int x = 0; x < out.cols; ++x) {
        if (k[x] == ProfileGeometry::kInkKept) o[x] = cv::Vec3b(140, 60, 0);
        if (k[x] == ProfileGeometry::kInkIgnored) o[x] = cv::Vec3b(0, 140, 255);
      }
    }
  }
  if (!result.measured) return out;
  const int side = std::max(out.rows, out.cols);
  const int thick = std::max(1, side / 600);
  auto pt = [](PixelPoint q) { return cv::Point2d(q.x - 0.5, q.y - 0.5); };
  auto line = [&](PixelPoint a, PixelPoint b, cv::Scalar colour) {
    cv::line(out, pt(a), pt(b), colour, thick, cv::LINE_AA);
  };
  auto poly = [&](const std::vector<PixelPoint>& pts, cv::Scalar colour) {
    std::vector<cv::Point> ps;
    for (const PixelPoint& q : pts) ps.emplace_back(cvRound(q.x - 0.5), cvRound(q.y - 0.5));
    if (ps.size() >= 2) {
      cv::polylines(out, std::vector<std::vector<cv::Point>>{ps}, false, colour, thick,
                    cv::LINE_AA);
    }
  };
  poly(g.outer, cv::Scalar(200, 0, 200));
  poly(g.inner, cv::Scalar(220, 200, 0));
  line(g.axis_top, g.axis_bottom, cv::Scalar(0, 0, 230));
  line(g.rim_left, g.rim_right, cv::Scalar(0, 170, 0));
  line(g.floor_left, g.floor_right, cv::Scalar(0, 170, 0));
  return out;
}

}  // namespace orvello::profile
