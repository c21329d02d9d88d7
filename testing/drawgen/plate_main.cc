// drawplate: composes a plate of generated vessels and prints the analytic
// values of each, the bar and the pixel size.
//
//   drawplate --out plate.png [--seed N] [--dpi D] [--scale S] [--vessels N]
//             [--bar-style plain|ticked|alternating] [--no-zero] [--no-bar]
//             [--antialias] [--noise]

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <opencv2/imgcodecs.hpp>
#include <string>

#include "drawgen/plate.h"

int main(int argc, char** argv) {
  using orvello::drawgen::PlateOptions;
  PlateOptions o;
  std::string out, style = "alternating";
  bool no_zero = false, no_bar = false;
  CLI::App app(
      "Composes a plate of generated vessels with their catalogue numbers, a caption "
      "and a scale bar, and prints every vessel's analytic values.",
      "drawplate");
  app.add_option("--out", out, "Plate image to write")->required();
  app.add_option("--seed", o.seed, "Chooses the vessels and the layout")->capture_default_str();
  app.add_option("--dpi", o.dpi, "Scan resolution")
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
  app.add_option("--scale", o.scale, "Drawn length / real length")
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
  app.add_option("--vessels", o.vessels, "Number of vessels")
      ->check(CLI::Range(1, 8))
      ->capture_default_str();
  app.add_option("--bar-style", style, "plain, ticked or alternating")
      ->check(CLI::IsMember({"plain", "ticked", "alternating"}))
      ->capture_default_str();
  app.add_flag("--no-zero", no_zero, "Label the bar \"N cm\" only, without \"0\"");
  app.add_flag("--no-bar", no_bar, "No scale bar");
  app.add_flag("--antialias", o.antialias, "Anti-aliased drawings and text");
  app.add_flag("--noise", o.noise, "Grey paper with scan noise");
  CLI11_PARSE(app, argc, argv);
  orvello::drawgen::ParseBarStyle(style, &o.bar_style);
  o.zero_label = !no_zero;
  o.bar = !no_bar;
  const orvello::drawgen::Plate plate = orvello::drawgen::ComposePlate(o);
  if (!cv::imwrite(out, plate.image)) {
    std::cerr << "cannot write " << out << "\n";
    return 1;
  }
  std::printf("pixel_cm %.8g\nbar_cm %g\nbar_px %g\n", plate.pixel_cm, plate.bar_cm, plate.bar_px);
  std::printf("vessel,category,mirror,shape,height_cm,capacity_cl,number,x,y,width,height\n");
  for (size_t i = 0; i < plate.vessels.size(); ++i) {
    const orvello::drawgen::PlateVessel& v = plate.vessels[i];
    std::printf("%zu,%d,%d,%s,%.6g,%.6g,%s,%d,%d,%d,%d\n", i + 1, v.category, v.mirrored ? 1 : 0,
                orvello::drawgen::ShapeName(v.shape).c_str(), v.height_cm, v.truth.capacity_cl,
                v.number.c_str(), v.box.x, v.box.y, v.box.width, v.box.height);
  }
  return 0;
}
