#include "plates/plates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "drawgen/plate.h"
#include "plates/ocr.h"

namespace orvello::plates {
namespace {

using drawgen::BarStyle;
using drawgen::PlateOptions;

TEST(ParseBarLabelTest, ReadsTheLargestNumberInItsUnit) {
  struct Row {
    const char* text;
    double cm;  // NaN: none
  };
  const Row rows[] = {
      {"0 5 cm", 5},      {"5 cm", 5},          {"5cm", 5},          {"0 1 2 3 4 5 cm", 5},
      {"50 mm", 5},       {"0 10", 10},         {"2,5 cm", 2.5},     {"0 0.5 m", 50},
      {"", std::nan("")}, {"cm", std::nan("")}, {"0", std::nan("")},
  };
  for (const Row& row : rows) {
    const double cm = ParseBarLabel(row.text);
    if (std::isnan(row.cm)) {
      EXPECT_TRUE(std::isnan(cm)) << "\"" << row.text << "\" gave " << cm;
    } else {
      EXPECT_DOUBLE_EQ(cm, row.cm) << "\"" << row.text << "\"";
    }
  }
}

TEST(ParseLengthTest, ReadsALengthWithItsUnit) {
  struct Row {
    const char* text;
    double cm;
  };
  const Row rows[] = {
      {"5cm", 5},
      {"5 cm", 5},
      {"50mm", 5},
      {"0.05m", 5},
      {"5", 5},
      {"2,5cm", 2.5},
      {"0cm", std::nan("")},
      {"five", std::nan("")},
      {"5 in", std::nan("")},
      {"", std::nan("")},
  };
  for (const Row& row : rows) {
    const double cm = ParseLength(row.text);
    if (std::isnan(row.cm)) {
      EXPECT_TRUE(std::isnan(cm)) << "\"" << row.text << "\" gave " << cm;
    } else {
      EXPECT_DOUBLE_EQ(cm, row.cm) << "\"" << row.text << "\"";
    }
  }
}

struct LayoutRow {
  const char* name;
  unsigned seed;
  double dpi;
  double scale;
  int vessels;
  BarStyle style;
  bool zero_label;
  bool antialias;
  bool noise;
};

const LayoutRow kLayoutRows[] = {
    {"plain 300 dpi 1:2", 1, 300, 0.5, 4, BarStyle::kPlain, true, false, false},
    {"ticked 600 dpi 1:1", 2, 600, 1, 2, BarStyle::kTicked, false, false, false},
    {"alternating 300 dpi 1:3", 3, 300, 1.0 / 3, 6, BarStyle::kAlternating, true, true, false},
    {"plain 300 dpi 1:4 noisy", 4, 300, 0.25, 8, BarStyle::kPlain, false, false, true},
    {"ticked 300 dpi 1:2 anti-aliased", 5, 300, 0.5, 5, BarStyle::kTicked, true, true, false},
    {"alternating 600 dpi 1:2 noisy", 6, 600, 0.5, 3, BarStyle::kAlternating, false, true, true},
};

PlateOptions Options(const LayoutRow& row) {
  PlateOptions o;
  o.seed = row.seed;
  o.dpi = row.dpi;
  o.scale = row.scale;
  o.vessels = row.vessels;
  o.bar_style = row.style;
  o.zero_label = row.zero_label;
  o.antialias = row.antialias;
  o.noise = row.noise;
  return o;
}

// Returns the index of the drawing that holds `vessel`, or -1.
int Match(const PlateLayout& layout, const cv::Rect& vessel) {
  for (size_t i = 0; i < layout.drawings.size(); ++i) {
    const cv::Rect& box = layout.drawings[i].box;
    if ((box & vessel).area() >= 0.95 * vessel.area() &&
        (box & vessel).area() >= 0.8 * box.area()) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

TEST(FindLayoutTest, FindsEveryVesselItsCategorySideBarAndNumber) {
  for (const LayoutRow& row : kLayoutRows) {
    const drawgen::Plate plate = drawgen::ComposePlate(Options(row));
    const PlateLayout layout = FindLayout(plate.image, row.dpi);
    EXPECT_EQ(layout.drawings.size(), plate.vessels.size()) << row.name;
    for (size_t v = 0; v < plate.vessels.size(); ++v) {
      const drawgen::PlateVessel& vessel = plate.vessels[v];
      const int found = Match(layout, vessel.box);
      ASSERT_GE(found, 0) << row.name << ", vessel " << v;
      const DrawingItem& d = layout.drawings[static_cast<size_t>(found)];
      EXPECT_EQ(d.category, vessel.category) << row.name << ", vessel " << v;
      if (vessel.category != 3) {
        EXPECT_EQ(d.mirror, vessel.mirrored) << row.name << ", vessel " << v;
      }
      ASSERT_GE(d.number_line, 0) << row.name << ", vessel " << v;
      const cv::Rect number = layout.texts[static_cast<size_t>(d.number_line)].box;
      EXPECT_GE((number & vessel.number_box).area(), 0.5 * vessel.number_box.area())
          << row.name << ", vessel " << v;
    }
    ASSERT_EQ(layout.bars.size(), 1u) << row.name;
    EXPECT_NEAR(layout.bars[0].length_px / plate.bar_px, 1, 0.003) << row.name;
    EXPECT_EQ(layout.bars[0].labels.size(), row.zero_label ? 2u : 1u) << row.name;
  }
}

// A reader that reads every line as the same text.
class FixedReader : public TextReader {
 public:
  FixedReader(std::string bar, std::string name) : bar_(std::move(bar)), name_(std::move(name)) {}
  bool Available() const override { return true; }
  std::string ReadLine(const cv::Mat&, bool digits_only) override {
    return digits_only ? bar_ : name_;
  }

 private:
  std::string bar_, name_;
};

TEST(MeasurePlateTest, PixelSizeFromTheBarOrTheManifestWithWarnings) {
  PlateOptions o;
  o.seed = 11;
  o.vessels = 2;
  o.scale = 0.5;
  const drawgen::Plate with_bar = drawgen::ComposePlate(o);
  o.bar = false;
  const drawgen::Plate without_bar = drawgen::ComposePlate(o);
  const double truth = with_bar.pixel_cm;
  const std::string bar_label = std::to_string(static_cast<int>(with_bar.bar_cm)) + " cm";
  struct Row {
    const char* name;
    const drawgen::Plate* plate;
    const char* bar_read;  // what the reader reads on the bar; nullptr: no reader
    double bar_cm;         // given
    double scale;          // manifest
    PixelSource source;
    double pixel_cm;  // NaN: none
    int warnings;
  };
  const Row rows[] = {
      {"label read", &with_bar, bar_label.c_str(), 0, 0, PixelSource::kBarLabel, truth, 0},
      {"length given", &with_bar, nullptr, with_bar.bar_cm, 0, PixelSource::kBarGiven, truth, 0},
      {"label agrees with manifest", &with_bar, bar_label.c_str(), 0, 0.5, PixelSource::kBarLabel,
       truth, 0},
      {"label differs from manifest", &with_bar, bar_label.c_str(), 0, 0.48, PixelSource::kBarLabel,
       truth, 1},
      {"label unreadable, manifest", &with_bar, "", 0, 0.5, PixelSource::kManifest, truth, 1},
      {"no reader, manifest", &with_bar, nullptr, 0, 0.5, PixelSource::kManifest, truth, 1},
      {"no bar, manifest", &without_bar, nullptr, 0, 0.5, PixelSource::kManifest, truth, 0},
      {"no bar, no scale", &without_bar, nullptr, 0, 0, PixelSource::kNone, std::nan(""), 1},
  };
  for (const Row& row : rows) {
    PlateParams params;
    params.dpi = row.plate->dpi;
    params.scale = row.scale;
    params.bar_cm = row.bar_cm;
    params.surface = profile::Surface::kEdge;
    FixedReader reader(row.bar_read ? row.bar_read : "", "");
    const PlateResult r = MeasurePlate(row.plate->image, params, row.bar_read ? &reader : nullptr);
    EXPECT_EQ(r.source, row.source) << row.name;
    if (std::isnan(row.pixel_cm)) {
      EXPECT_TRUE(std::isnan(r.pixel_cm)) << row.name;
      for (const DrawingResult& d : r.drawings) EXPECT_FALSE(d.profile.measured) << row.name;
    } else {
      EXPECT_NEAR(r.pixel_cm / row.pixel_cm, 1, 0.005) << row.name;
    }
    EXPECT_EQ(static_cast<int>(r.warnings.size()), row.warnings) << row.name;
    EXPECT_EQ(r.drawings.size(), row.plate->vessels.size()) << row.name;
  }
}

TEST(MeasurePlateTest, MeasuresEachDrawingAndReadsItsNumber) {
  std::string warning;
  std::unique_ptr<TextReader> reader = MakeOcrReader(&warning);
  if (!reader->Available()) GTEST_SKIP() << warning;
  struct Row {
    const char* name;
    unsigned seed;
    double dpi;
    double scale;
    BarStyle style;
  };
  const Row rows[] = {
      {"300 dpi 1:2 alternating", 21, 300, 0.5, BarStyle::kAlternating},
      {"600 dpi 1:3 ticked", 22, 600, 1.0 / 3, BarStyle::kTicked},
  };
  for (const Row& row : rows) {
    PlateOptions o;
    o.seed = row.seed;
    o.dpi = row.dpi;
    o.scale = row.scale;
    o.vessels = 3;
    o.bar_style = row.style;
    const drawgen::Plate plate = drawgen::ComposePlate(o);
    PlateParams params;
    params.dpi = row.dpi;
    params.surface = profile::Surface::kEdge;
    const PlateResult r = MeasurePlate(plate.image, params, reader.get());
    EXPECT_EQ(r.source, PixelSource::kBarLabel) << row.name << ": read '" << r.bar_text << "'";
    EXPECT_NEAR(r.pixel_cm / plate.pixel_cm, 1, 0.005) << row.name;
    ASSERT_EQ(r.drawings.size(), plate.vessels.size()) << row.name;
    for (size_t v = 0; v < plate.vessels.size(); ++v) {
      const drawgen::PlateVessel& vessel = plate.vessels[v];
      const DrawingResult* found = nullptr;
      for (const DrawingResult& d : r.drawings) {
        if ((d.box & vessel.box).area() >= 0.95 * vessel.box.area()) found = &d;
      }
      ASSERT_NE(found, nullptr) << row.name << ", vessel " << v;
      EXPECT_EQ(found->name, vessel.number) << row.name << ", vessel " << v;
      ASSERT_TRUE(found->profile.measured)
          << row.name << ", vessel " << v << ": " << found->profile.refusal;
      const double measured =
          vessel.category == 3 ? found->profile.solid_cl : found->profile.capacity_cl;
      EXPECT_NEAR(measured / vessel.truth.capacity_cl, 1, 0.03) << row.name << ", vessel " << v;
    }
    const cv::Mat overview = DrawOverview(plate.image, r);
    EXPECT_EQ(overview.size(), plate.image.size()) << row.name;
  }
}

}  // namespace
}  // namespace orvello::plates
