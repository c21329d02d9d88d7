// The profile measurement against the drawing generator's analytic truth,
// clean and with the marks of real scans, and against real drawings traced
// by hand when they are present.

#include "profile/profile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <numbers>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "drawgen/drawgen.h"

namespace orvello::profile {
namespace {

constexpr double kPi = std::numbers::pi;

TEST(RevolvedVolumeTest, ExactForPolylines) {
  struct Row {
    const char* name;
    std::vector<ProfilePoint> profile;
    double volume_cl;
  };
  const Row rows[] = {
      {"cylinder r 2 h 3", {{3, 2}, {0, 2}}, kPi * 4 * 3 / 10},
      {"cone r 3 h 4, apex down", {{4, 3}, {0, 0}}, kPi * 9 * 4 / 3 / 10},
      {"frustum in two pieces, floor first",
       {{0, 1}, {1, 1.5}, {2, 2}},
       kPi * 2 * (1 + 2 + 4) / 3 / 10},
      {"flat floor then wall", {{5, 2}, {0, 2}, {0, 0}}, kPi * 4 * 5 / 10},
      {"one point", {{1, 1}}, 0},
  };
  for (const Row& row : rows) {
    EXPECT_NEAR(RevolvedVolumeCl(row.profile), row.volume_cl, 1e-12) << row.name;
  }
}

TEST(RevolvedVolumeTest, FilledToALevel) {
  const std::vector<ProfilePoint> cone = {{4, 4}, {0, 0}};  // r = h
  struct Row {
    double height_cm;
    double volume_cl;
  };
  const Row rows[] = {
      {0, 0}, {2, kPi * 8 / 3 / 10}, {4, kPi * 64 / 3 / 10}, {9, kPi * 64 / 3 / 10}};
  for (const Row& row : rows) {
    EXPECT_NEAR(FilledVolumeCl(cone, row.height_cm), row.volume_cl, 1e-12) << row.height_cm;
  }
}

// One generated drawing and what the measurement must say about it.
struct Case {
  const char* name;
  drawgen::DrawOptions draw;
  Surface surface = Surface::kEdge;
  bool must_be_ok = true;         // confidence ok expected
  const char* warning = nullptr;  // a warning expected
  double tolerance = 0.01;        // relative error allowed
};

drawgen::DrawOptions Drawing(int category, drawgen::Shape shape, double dpi, double scale) {
  drawgen::DrawOptions o;
  o.category = category;
  o.shape = shape;
  o.dpi = dpi;
  o.scale = scale;
  return o;
}

std::vector<Case> Cases() {
  using drawgen::Shape;
  std::vector<Case> cases;
  auto add = [&](const char* name, drawgen::DrawOptions o, Surface surface, bool ok,
                 const char* warning = nullptr) {
    o.surface = surface == Surface::kEdge ? drawgen::Surface::kEdge : drawgen::Surface::kMiddle;
    cases.push_back({name, o, surface, ok, warning});
  };
  add("cat 2 cylinder 300 dpi", Drawing(2, Shape::kCylinder, 300, 1), Surface::kEdge, true);
  add("cat 2 globular 1200 dpi 1:4", Drawing(2, Shape::kGlobularJar, 1200, 0.25), Surface::kEdge,
      true);
  {
    auto o = Drawing(2, Shape::kNeckedJar, 600, 0.5);
    o.antialias = true;
    add("cat 2 necked, middle of the strokes", o, Surface::kMiddle, true);
  }
  {
    auto o = Drawing(2, Shape::kBowl, 300, 1);
    o.skew_deg = 2.5;
    add("cat 2 bowl turned 2.5 degrees", o, Surface::kEdge, true, "skew-corrected");
  }
  {
    auto o = Drawing(2, Shape::kBeaker, 300, 0.5);
    o.caption = true;
    o.scale_bar = true;
    o.specks = 40;
    add("cat 2 beaker with caption, scale bar, specks", o, Surface::kEdge, true, "ink-ignored");
  }
  {
    auto o = Drawing(2, Shape::kCone, 600, 0.5);
    o.pen_mm = 1;
    add("cat 2 cone drawn with a 1 mm pen", o, Surface::kMiddle, true);
  }
  {
    auto o = Drawing(2, Shape::kGlobularJar, 300, 1);
    o.section_fill = drawgen::SectionFill::kHatched;
    add("cat 2 globular, hatched section", o, Surface::kMiddle, true);
  }
  {
    auto o = Drawing(2, Shape::kCylinder, 300, 1);
    o.section_fill = drawgen::SectionFill::kBlack;
    add("cat 2 cylinder, black section", o, Surface::kMiddle, true);
  }
  {
    auto o = Drawing(2, Shape::kBeaker, 600, 1);
    o.breaks = 3;
    add("cat 2 beaker with gaps in its outline", o, Surface::kEdge, false, "open-outline");
  }
  add("cat 1 bowl 150 dpi", Drawing(1, Shape::kBowl, 150, 1), Surface::kEdge, true);
  {
    auto o = Drawing(1, Shape::kNeckedJar, 600, 0.5);
    o.mirrored = true;
    o.skew_deg = -3;
    o.antialias = true;
    add("cat 1 necked, mirrored, turned -3 degrees", o, Surface::kEdge, true, "skew-corrected");
  }
  {
    auto o = Drawing(1, Shape::kBowl, 300, 1);
    o.handle = true;
    add("cat 1 bowl with a handle", o, Surface::kMiddle, true);
  }
  add("cat 3 filled globular", Drawing(3, Shape::kGlobularJar, 300, 1), Surface::kEdge, true);
  {
    auto o = Drawing(3, Shape::kCone, 600, 0.5);
    o.filled = false;
    add("cat 3 outlined cone, middle of the stroke", o, Surface::kMiddle, true);
  }
  {
    auto o = Drawing(3, Shape::kNeckedJar, 300, 1);
    o.skew_deg = 3;
    o.scale_bar = true;
    add("cat 3 necked turned 3 degrees with a scale bar", o, Surface::kEdge, true,
        "skew-corrected");
  }
  return cases;
}

TEST(MeasureProfileTest, GeneratedDrawings) {
  for (const Case& c : Cases()) {
    const drawgen::Drawing d = drawgen::Draw(c.draw);
    ProfileParams p;
    p.dpi = c.draw.dpi;
    p.scale = c.draw.scale;
    p.category = c.draw.category;
    p.mirror = c.draw.mirrored;
    p.surface = c.surface;
    const ProfileResult r = MeasureProfile(d.image, p);
    ASSERT_TRUE(r.measured) << c.name << ": " << r.refusal;
    const bool solid = c.draw.category == 3;
    const double value = solid ? r.solid_cl : r.capacity_cl;
    const double low = solid ? r.solid_low_cl : r.capacity_low_cl;
    const double high = solid ? r.solid_high_cl : r.capacity_high_cl;
    const double truth = d.truth.capacity_cl;
    EXPECT_NEAR(value / truth, 1, c.tolerance) << c.name;
    EXPECT_LE(low, truth) << c.name;
    EXPECT_GE(high, truth) << c.name;
    EXPECT_LE((high - low) / 2 / value, 0.03) << c.name;
    if (c.must_be_ok) {
      EXPECT_EQ(r.confidence, Confidence::kOk) << c.name;
    } else {
      EXPECT_EQ(r.confidence, Confidence::kCheck) << c.name;
    }
    if (c.warning) {
      EXPECT_TRUE(r.HasWarning(c.warning)) << c.name << ": " << c.warning;
    }
    if (!solid) {
      EXPECT_NEAR(r.liquid_height_cm / d.truth.liquid_height_cm, 1, 0.01) << c.name;
      EXPECT_NEAR(r.opening_cm / d.truth.opening_diameter_cm, 1, 0.02) << c.name;
      ASSERT_FALSE(r.fill_levels_cl.empty()) << c.name;
      EXPECT_NEAR(r.fill_levels_cl.front().second, r.capacity_cl, 1e-9 * r.capacity_cl) << c.name;
    }
    EXPECT_NEAR(r.total_height_cm / d.truth.total_height_cm, 1, 0.01) << c.name;
  }
}

// The same vessel at any resolution and scale gives the same capacity.
TEST(MeasureProfileTest, SameVesselAtEveryResolution) {
  struct Row {
    double dpi;
    double scale;
  };
  const Row rows[] = {{150, 1}, {300, 0.5}, {600, 1}, {1200, 0.25}};
  for (int category : {1, 2, 3}) {
    std::vector<double> values;
    for (const Row& row : rows) {
      const drawgen::Drawing d =
          drawgen::Draw(Drawing(category, drawgen::Shape::kGlobularJar, row.dpi, row.scale));
      ProfileParams p;
      p.dpi = row.dpi;
      p.scale = row.scale;
      p.category = category;
      p.surface = Surface::kEdge;
      const ProfileResult r = MeasureProfile(d.image, p);
      ASSERT_TRUE(r.measured) << category << " " << row.dpi << " " << row.scale;
      values.push_back(category == 3 ? r.solid_cl : r.capacity_cl);
    }
    for (size_t i = 1; i < values.size(); ++i) {
      EXPECT_NEAR(values[i] / values[0], 1, 0.01)
          << "category " << category << " at " << rows[i].dpi << " dpi x " << rows[i].scale;
    }
  }
}

// Drawings that no capacity can be vouched for: refused or `check`.
TEST(MeasureProfileTest, RefusesOrDoubts) {
  struct Row {
    const char* name;
    cv::Mat image;
    int category;
    double dpi;
  };
  const cv::Mat blank(600, 800, CV_8UC3, cv::Scalar::all(255));
  // A stand: an axis and a wall section that never reaches it, open at the
  // top and at the bottom.
  cv::Mat stand = blank.clone();
  cv::line(stand, {300, 20}, {300, 580}, cv::Scalar::all(0), 2);
  const std::vector<cv::Point> wall = {{420, 40}, {470, 40}, {520, 560}, {470, 560}};
  cv::polylines(stand, std::vector<std::vector<cv::Point>>{wall}, true, cv::Scalar::all(0), 2);
  cv::line(stand, {150, 40}, {180, 560}, cv::Scalar::all(0), 2);
  const Row rows[] = {
      {"blank page", blank, 2, 300},
      {"stand open at both ends", stand, 2, 300},
      {"stand read as category 1", stand, 1, 300},
      {"no dpi", stand, 2, 0},
  };
  for (const Row& row : rows) {
    ProfileParams p;
    p.dpi = row.dpi;
    p.category = row.category;
    p.mirror = true;
    const ProfileResult r = MeasureProfile(row.image, p);
    EXPECT_TRUE(!r.measured || r.confidence == Confidence::kCheck) << row.name;
    if (!r.measured) {
      EXPECT_FALSE(r.refusal.empty()) << row.name;
    }
  }
}

TEST(DrawOverlayTest, ShowsKeptAndIgnoredInk) {
  drawgen::DrawOptions o = Drawing(2, drawgen::Shape::kBowl, 300, 1);
  o.caption = true;
  const drawgen::Drawing d = drawgen::Draw(o);
  ProfileParams p;
  p.surface = Surface::kEdge;
  const ProfileResult r = MeasureProfile(d.image, p);
  ASSERT_TRUE(r.measured) << r.refusal;
  const cv::Mat overlay = DrawOverlay(d.image, r);
  ASSERT_EQ(overlay.size(), d.image.size());
  auto count = [&](cv::Scalar colour) {
    cv::Mat hit;
    cv::inRange(overlay, colour, colour, hit);
    return cv::countNonZero(hit);
  };
  struct Row {
    const char* what;
    cv::Scalar colour;
  };
  const Row rows[] = {{"ignored ink (the caption)", cv::Scalar(0, 140, 255)},
                      {"kept ink", cv::Scalar(140, 60, 0)}};
  for (const Row& row : rows) EXPECT_GT(count(row.colour), 50) << row.what;
}

// Real published drawings whose interiors were traced by hand, when the
// folder is present (it is not part of the repository).
TEST(MeasureProfileTest, RealDrawings) {
  const std::filesystem::path folder = ORVELLO_REAL_DRAWINGS;
  if (!std::filesystem::exists(folder / "truth.json")) {
    GTEST_SKIP() << "no real drawings at " << folder << ": skipped";
  }
  std::ifstream in(folder / "truth.json");
  const nlohmann::json truth = nlohmann::json::parse(in);
  for (const auto& d : truth["drawings"]) {
    const std::string file = d["file"];
    const cv::Mat image = cv::imread((folder / "files" / file).string(), cv::IMREAD_COLOR);
    ASSERT_FALSE(image.empty()) << file;
    ProfileParams p;
    p.dpi = d["dpi"];
    p.scale = d["scale"];
    p.category = d["category"];
    p.mirror = d["mirror"];
    const ProfileResult r = MeasureProfile(image, p);
    if (d["measurable"]) {
      ASSERT_TRUE(r.measured) << file << ": " << r.refusal;
      const double expected = d["capacity_cl"];
      EXPECT_NEAR(r.capacity_cl / expected, 1, static_cast<double>(d["tolerance"])) << file;
    } else {
      EXPECT_TRUE(!r.measured || r.confidence == Confidence::kCheck) << file;
    }
  }
}

}  // namespace
}  // namespace orvello::profile
