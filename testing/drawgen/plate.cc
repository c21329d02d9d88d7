#include "drawgen/plate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <opencv2/imgproc.hpp>
#include <stdexcept>

namespace orvello::drawgen {
namespace {

// The size and baseline of `text` in a Hershey font, capitals `height` px tall.
struct Text {
  std::string text;
  int font;
  double font_scale;
  int thickness;
  cv::Size size;
};

Text MakeText(const std::string& text, int font, double height, double mm) {
  const int thickness = std::max(1, static_cast<int>(std::lround(0.35 * mm)));
  int base = 0;
  const double unit = cv::getTextSize("F", font, 1.0, thickness, &base).height;
  const double font_scale = height / unit;
  return {text, font, font_scale, thickness,
          cv::getTextSize(text, font, font_scale, thickness, &base)};
}

// Draws `text` with the top left of its capitals at `top_left`; returns the
// box of its ink.
cv::Rect Put(cv::Mat* grey, const Text& text, cv::Point top_left, bool antialias) {
  const cv::Point origin(top_left.x, top_left.y + text.size.height);
  cv::putText(*grey, text.text, origin, text.font, text.font_scale, cv::Scalar(0), text.thickness,
              antialias ? cv::LINE_AA : cv::LINE_8);
  return cv::Rect(top_left.x, top_left.y, text.size.width, text.size.height);
}

std::string CatalogueNumber(cv::RNG& rng) {
  char text[32];
  switch (rng.uniform(0, 3)) {
    case 0:
      std::snprintf(text, sizeof text, "%d", rng.uniform(1, 1000));
      break;
    case 1:
      std::snprintf(text, sizeof text, "%d.%d", rng.uniform(1, 100), rng.uniform(1, 100));
      break;
    default:
      std::snprintf(text, sizeof text, "%c%d", "ABKMPT"[rng.uniform(0, 6)], rng.uniform(1, 300));
      break;
  }
  return text;
}

struct Placed {
  Drawing drawing;
  cv::Mat ink;  // the drawing cropped to its ink
  PlateVessel vessel;
  Text number;
  bool number_above = true;
};

}  // namespace

std::string BarStyleName(BarStyle style) {
  switch (style) {
    case BarStyle::kPlain:
      return "plain";
    case BarStyle::kTicked:
      return "ticked";
    case BarStyle::kAlternating:
      break;
  }
  return "alternating";
}

bool ParseBarStyle(const std::string& name, BarStyle* style) {
  for (const BarStyle s : {BarStyle::kPlain, BarStyle::kTicked, BarStyle::kAlternating}) {
    if (BarStyleName(s) == name) {
      *style = s;
      return true;
    }
  }
  return false;
}

Plate ComposePlate(const PlateOptions& o) {
  if (o.vessels < 1 || o.vessels > 8) throw std::invalid_argument("vessels must be 1 to 8");
  if (!(o.dpi > 0) || !(o.scale > 0)) throw std::invalid_argument("dpi and scale must be > 0");
  cv::RNG rng(o.seed * 7919u + 3);
  const double mm = o.dpi / 25.4;  // pixels per millimetre of paper
  const double k = o.scale * o.dpi / 2.54;
  const std::vector<Shape> shapes = AllShapes();

  // The vessels, each drawn alone and cropped to its ink.
  std::vector<Placed> placed;
  for (int i = 0; i < o.vessels; ++i) {
    Placed p;
    DrawOptions d;
    d.category = rng.uniform(1, 4);
    d.shape = shapes[rng.uniform(0, static_cast<int>(shapes.size()))];
    // Drawn 30 to 80 mm tall on the paper.
    d.height_cm = rng.uniform(3.0, 8.0) / o.scale;
    d.dpi = o.dpi;
    d.scale = o.scale;
    d.antialias = o.antialias;
    d.mirrored = d.category != 3 && rng.uniform(0, 3) == 0;
    d.filled = rng.uniform(0, 2) == 0;
    d.handle = d.category != 3 && rng.uniform(0, 4) == 0;
    if (d.category != 3) {
      const int fill = rng.uniform(0, 6);
      d.section_fill = fill == 0   ? SectionFill::kBlack
                       : fill == 1 ? SectionFill::kHatched
                                   : SectionFill::kNone;
    }
    p.drawing = Draw(d);
    cv::Mat grey;
    cv::cvtColor(p.drawing.image, grey, cv::COLOR_BGR2GRAY);
    cv::Mat points;
    cv::findNonZero(grey < 250, points);
    const cv::Rect ink = cv::boundingRect(points);
    p.ink = grey(ink).clone();
    p.vessel.category = d.category;
    p.vessel.mirrored = d.mirrored;
    p.vessel.shape = d.shape;
    p.vessel.height_cm = d.height_cm;
    p.vessel.truth = p.drawing.truth;
    if (o.numbers) {
      p.vessel.number = CatalogueNumber(rng);
      p.number = MakeText(p.vessel.number, cv::FONT_HERSHEY_SIMPLEX, 3 * mm, mm);
      p.number_above = rng.uniform(0, 2) == 0;
    }
    placed.push_back(std::move(p));
  }

  // Rows, left to right, on a page 180 mm wide.
  const int margin = static_cast<int>(std::lround(15 * mm));
  int widest = 0;
  for (const Placed& p : placed) widest = std::max(widest, p.ink.cols);
  const int page_w = std::max(static_cast<int>(std::lround(180 * mm)), widest) + 2 * margin;
  const int gap = static_cast<int>(std::lround(12 * mm));
  const int number_gap = static_cast<int>(std::lround(3 * mm));
  const int number_room = static_cast<int>(std::lround(3 * mm)) + number_gap;
  std::vector<cv::Point> at(placed.size());
  int x = margin, y = margin + number_room, row_h = 0;
  for (size_t i = 0; i < placed.size(); ++i) {
    const cv::Size size = placed[i].ink.size();
    const int w = std::max(size.width, placed[i].number.size.width);
    if (x > margin && x + w > page_w - margin) {
      x = margin;
      y += row_h + 2 * number_room + gap;
      row_h = 0;
    }
    at[i] = cv::Point(x, y);
    x += w + gap;
    row_h = std::max(row_h, size.height);
  }
  int bottom = y + row_h + number_room + gap;

  // The foot of the page: the caption on the left, the bar on the right.
  double bar_cm = 0;
  if (o.bar) {
    std::vector<double> lengths;
    for (const double cm : {2.0, 5.0, 10.0, 20.0}) {
      const double paper_mm = cm * o.scale * 10;
      if (paper_mm >= 25 && paper_mm <= 90) lengths.push_back(cm);
    }
    if (lengths.empty()) lengths.push_back(std::max(1.0, std::round(5 / o.scale) / 1));
    bar_cm = lengths[rng.uniform(0, static_cast<int>(lengths.size()))];
  }
  const Text fig =
      MakeText("Fig. " + std::to_string(rng.uniform(1, 40)) + ". Pottery from trench " +
                   std::string(1, "ABCDE"[rng.uniform(0, 5)]),
               cv::FONT_HERSHEY_DUPLEX, 3.5 * mm, mm);
  const int foot_h = static_cast<int>(std::lround(20 * mm));
  const int page_h = bottom + foot_h + margin;
  cv::Mat grey(page_h, page_w, CV_8UC1, cv::Scalar(255));

  Plate plate;
  plate.dpi = o.dpi;
  plate.scale = o.scale;
  plate.pixel_cm = 2.54 / (o.dpi * o.scale);
  for (size_t i = 0; i < placed.size(); ++i) {
    Placed& p = placed[i];
    const cv::Rect box(at[i], p.ink.size());
    cv::Mat target = grey(box);
    cv::min(target, p.ink, target);
    p.vessel.box = box;
    if (o.numbers) {
      const int ny =
          p.number_above ? box.y - number_gap - p.number.size.height : box.br().y + number_gap;
      const int nx = p.number_above ? box.x : box.x + (box.width - p.number.size.width) / 2;
      p.vessel.number_box = Put(&grey, p.number, cv::Point(nx, ny), o.antialias);
    }
    plate.vessels.push_back(p.vessel);
  }
  if (o.caption) Put(&grey, fig, cv::Point(margin, bottom + static_cast<int>(8 * mm)), o.antialias);

  if (o.bar) {
    const int length = static_cast<int>(std::lround(bar_cm * k));
    const int x0 = page_w - margin - length;
    const int label_h = static_cast<int>(std::lround(3 * mm));
    const int tick_h = static_cast<int>(std::lround(1.5 * mm));
    const int y0 = bottom + label_h + static_cast<int>(std::lround(2 * mm)) + tick_h;
    const int line = std::max(2, static_cast<int>(std::lround(0.3 * mm)));
    const cv::Scalar ink(0);
    int thick = 0;
    auto tick = [&](int tx) {
      tx = std::clamp(tx, x0, x0 + length - line);
      cv::rectangle(grey, cv::Rect(tx, y0 - tick_h, line, tick_h), ink, cv::FILLED);
    };
    switch (o.bar_style) {
      case BarStyle::kPlain:
        thick = static_cast<int>(std::lround(1 * mm));
        cv::rectangle(grey, cv::Rect(x0, y0, length, thick), ink, cv::FILLED);
        break;
      case BarStyle::kTicked: {
        thick = std::max(2, static_cast<int>(std::lround(0.4 * mm)));
        cv::rectangle(grey, cv::Rect(x0, y0, length, thick), ink, cv::FILLED);
        const int n = bar_cm <= 10 ? static_cast<int>(bar_cm) : 5;
        for (int i = 0; i <= n; ++i) tick(x0 + static_cast<int>(std::lround(length * i / n)));
        break;
      }
      case BarStyle::kAlternating: {
        thick = static_cast<int>(std::lround(1.5 * mm));
        for (int i = 0; i < 5; ++i) {
          const int a = x0 + static_cast<int>(std::lround(length * i / 5.0));
          const int b = x0 + static_cast<int>(std::lround(length * (i + 1) / 5.0));
          if (i % 2 == 0) cv::rectangle(grey, cv::Rect(a, y0, b - a, thick), ink, cv::FILLED);
          tick(a);
        }
        tick(x0 + length);
        cv::rectangle(grey, cv::Rect(x0, y0, length, line), ink, cv::FILLED);
        cv::rectangle(grey, cv::Rect(x0, y0 + thick - line, length, line), ink, cv::FILLED);
        cv::rectangle(grey, cv::Rect(x0, y0, line, thick), ink, cv::FILLED);
        cv::rectangle(grey, cv::Rect(x0 + length - line, y0, line, thick), ink, cv::FILLED);
        break;
      }
    }
    const bool ticks = o.bar_style != BarStyle::kPlain;
    plate.bar_box = cv::Rect(x0, ticks ? y0 - tick_h : y0, length, thick + (ticks ? tick_h : 0));
    char label[32];
    std::snprintf(label, sizeof label, "%g cm", bar_cm);
    const Text end = MakeText(label, cv::FONT_HERSHEY_SIMPLEX, label_h, mm);
    const int label_y = plate.bar_box.y - static_cast<int>(std::lround(1.5 * mm)) - label_h;
    if (o.zero_label) {
      const Text zero = MakeText("0", cv::FONT_HERSHEY_SIMPLEX, label_h, mm);
      Put(&grey, zero, cv::Point(x0 - zero.size.width / 2, label_y), o.antialias);
      Put(&grey, end, cv::Point(x0 + length - zero.size.width / 2, label_y), o.antialias);
    } else {
      Put(&grey, end, cv::Point(x0 + (length - end.size.width) / 2, label_y), o.antialias);
    }
    plate.bar_cm = bar_cm;
    plate.bar_px = length;
    plate.bar_style = o.bar_style;
  }
  if (o.noise) {
    cv::Mat noise(grey.size(), CV_16SC1);
    cv::RNG noise_rng(o.seed * 31u + 5);
    noise_rng.fill(noise, cv::RNG::NORMAL, 0, 6);
    cv::Mat wide;
    grey.convertTo(wide, CV_16SC1, 0.9, 10);
    wide += noise;
    wide.convertTo(grey, CV_8UC1);
  }
  cv::cvtColor(grey, plate.image, cv::COLOR_GRAY2BGR);
  return plate;
}

}  // namespace orvello::drawgen
