#include "drawgen/drawgen_cli.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <ostream>
#include <stdexcept>

namespace orvello::drawgen {
namespace {

[[noreturn]] void Bad(const std::string& message) { throw std::invalid_argument(message); }

template <typename T>
T Number(const std::string& option, const std::string& text) {
  T value{};
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) {
    Bad("invalid value for " + option + ": \"" + text + "\"");
  }
  return value;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i) {
    const char c = text[text.size() - suffix.size() + i];
    if (std::tolower(static_cast<unsigned char>(c)) != suffix[i]) return false;
  }
  return true;
}

}  // namespace

std::string Usage() {
  return "usage: drawgen --category N --shape NAME [--dpi D] [--scale S]\n"
         "               [--height-cm H] [--outline] [--antialias] [--noise]\n"
         "               [--seed K] [--mirror] [--width W] [--height PX]\n"
         "               [--grey] [--bmp1] [--jpeg-dpi D] --out FILE\n"
         "               [--surface edge|middle] [--pen-mm MM]\n"
         "               [--section-fill none|black|grey|hatched] [--handle]\n"
         "               [--breaks N] [--caption] [--scale-bar] [--specks N]\n"
         "               [--skew DEG] [--jpeg-quality Q]\n"
         "  N: 1, 2 or 3; NAME: cylinder, bowl, globular, necked, beaker, "
         "cone\n"
         "  prints capacity_cl, total_height_cm, liquid_height_cm,\n"
         "  opening_diameter_cm, base_diameter_cm, rim_width_cm, axis_x,\n"
         "  top_y, floor_y, foot_y, width, height as key=value lines;\n"
         "  with any of the options of the last four lines also the sub-pixel\n"
         "  surface_*, edge_* and middle_* axis_x, rim_y, floor_y, stroke_px,\n"
         "  median_px, skew (2 x 3, row by row) and the scale bar's cm, x0, x1, y\n";
}

CliArgs ParseArgs(const std::vector<std::string>& args) {
  CliArgs c;
  bool category = false;
  bool shape = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) Bad("missing value after " + a);
      return args[++i];
    };
    if (a == "--help" || a == "-h") {
      c.help = true;
    } else if (a == "--category") {
      c.draw.category = Number<int>(a, value());
      if (c.draw.category < 1 || c.draw.category > 3) {
        Bad("--category must be 1, 2 or 3");
      }
      category = true;
    } else if (a == "--shape") {
      const std::string& name = value();
      if (!ParseShape(name, &c.draw.shape)) Bad("unknown shape \"" + name + "\"");
      shape = true;
    } else if (a == "--dpi") {
      c.draw.dpi = Number<double>(a, value());
    } else if (a == "--scale") {
      c.draw.scale = Number<double>(a, value());
    } else if (a == "--height-cm") {
      c.draw.height_cm = Number<double>(a, value());
    } else if (a == "--outline") {
      c.draw.filled = false;
    } else if (a == "--antialias") {
      c.draw.antialias = true;
    } else if (a == "--noise") {
      c.draw.noise = true;
    } else if (a == "--seed") {
      c.draw.seed = Number<unsigned>(a, value());
    } else if (a == "--mirror") {
      c.draw.mirrored = true;
    } else if (a == "--width") {
      c.draw.width_px = Number<int>(a, value());
    } else if (a == "--height") {
      c.draw.height_px = Number<int>(a, value());
    } else if (a == "--grey") {
      c.grey = true;
    } else if (a == "--bmp1") {
      c.bmp1 = true;
    } else if (a == "--jpeg-dpi") {
      c.jpeg_dpi = Number<int>(a, value());
      if (c.jpeg_dpi < 1 || c.jpeg_dpi > 65535) {
        Bad("--jpeg-dpi must be from 1 to 65535");
      }
    } else if (a == "--surface") {
      const std::string& name = value();
      if (!ParseSurface(name, &c.draw.surface)) Bad("unknown surface \"" + name + "\"");
      c.extended = true;
    } else if (a == "--pen-mm") {
      c.draw.pen_mm = Number<double>(a, value());
      if (!(c.draw.pen_mm > 0) || !std::isfinite(c.draw.pen_mm)) Bad("--pen-mm must be above 0");
      c.extended = true;
    } else if (a == "--section-fill") {
      const std::string& name = value();
      if (!ParseSectionFill(name, &c.draw.section_fill)) {
        Bad("unknown section fill \"" + name + "\"");
      }
      c.extended = true;
    } else if (a == "--handle") {
      c.draw.handle = true;
      c.extended = true;
    } else if (a == "--breaks") {
      c.draw.breaks = Number<int>(a, value());
      if (c.draw.breaks < 0 || c.draw.breaks > 1000) Bad("--breaks must be from 0 to 1000");
      c.extended = true;
    } else if (a == "--caption") {
      c.draw.caption = true;
      c.extended = true;
    } else if (a == "--scale-bar") {
      c.draw.scale_bar = true;
      c.extended = true;
    } else if (a == "--specks") {
      c.draw.specks = Number<int>(a, value());
      if (c.draw.specks < 0 || c.draw.specks > 100000) Bad("--specks must be from 0 to 100000");
      c.extended = true;
    } else if (a == "--skew") {
      c.draw.skew_deg = Number<double>(a, value());
      if (!(std::abs(c.draw.skew_deg) <= 45)) Bad("--skew must be from -45 to 45");
      c.extended = true;
    } else if (a == "--jpeg-quality") {
      c.draw.jpeg_quality = Number<int>(a, value());
      if (c.draw.jpeg_quality < 1 || c.draw.jpeg_quality > 100) {
        Bad("--jpeg-quality must be from 1 to 100");
      }
      c.extended = true;
    } else if (a == "--out") {
      c.out = value();
    } else {
      Bad("unknown argument \"" + a + "\"");
    }
  }
  if (c.help) return c;
  if (!category) Bad("--category is required");
  if (!shape) Bad("--shape is required");
  if (c.out.empty()) Bad("--out is required");
  if (!(c.draw.dpi > 0) || !std::isfinite(c.draw.dpi)) Bad("--dpi must be above 0");
  if (!(c.draw.scale > 0) || !std::isfinite(c.draw.scale)) {
    Bad("--scale must be above 0");
  }
  if (!(c.draw.height_cm > 0) || !std::isfinite(c.draw.height_cm)) {
    Bad("--height-cm must be above 0");
  }
  if (c.draw.width_px < 0 || c.draw.height_px < 0) {
    Bad("--width and --height must not be negative");
  }
  if (c.bmp1 && !EndsWith(c.out, ".bmp")) Bad("--bmp1 needs a .bmp file");
  if (c.jpeg_dpi != 0 && !EndsWith(c.out, ".jpg") && !EndsWith(c.out, ".jpeg")) {
    Bad("--jpeg-dpi needs a .jpg or .jpeg file");
  }
  if (!c.bmp1 && !cv::haveImageWriter(c.out)) {
    Bad("no image format for \"" + c.out + "\"");
  }
  return c;
}

void Run(const CliArgs& args, std::ostream& out) {
  const Drawing d = Draw(args.draw);
  cv::Mat image = d.image;
  if (args.grey) cv::cvtColor(d.image, image, cv::COLOR_BGR2GRAY);
  bool written = false;
  if (args.bmp1) {
    written = WriteBitmap1(args.out, image, args.draw.dpi);
  } else {
    std::vector<int> params;
    if (EndsWith(args.out, ".tif") || EndsWith(args.out, ".tiff")) {
      const int dpi = static_cast<int>(std::lround(args.draw.dpi));
      params = {cv::IMWRITE_TIFF_RESUNIT, 2,  cv::IMWRITE_TIFF_XDPI, dpi,
                cv::IMWRITE_TIFF_YDPI,    dpi};
    }
    written = cv::imwrite(args.out, image, params);
    if (written && args.jpeg_dpi != 0) {
      written = SetJpegDensity(args.out, args.jpeg_dpi);
    }
  }
  if (!written) throw std::runtime_error("cannot write \"" + args.out + "\"");
  const Analytic& t = d.truth;
  out.precision(10);
  out << "capacity_cl=" << t.capacity_cl << '\n'
      << "total_height_cm=" << t.total_height_cm << '\n'
      << "liquid_height_cm=" << t.liquid_height_cm << '\n'
      << "opening_diameter_cm=" << t.opening_diameter_cm << '\n'
      << "base_diameter_cm=" << t.base_diameter_cm << '\n'
      << "rim_width_cm=" << t.rim_width_cm << '\n'
      << "axis_x=" << d.axis_x << '\n'
      << "top_y=" << d.top_y << '\n'
      << "floor_y=" << d.floor_y << '\n'
      << "foot_y=" << d.foot_y << '\n'
      << "width=" << d.image.cols << '\n'
      << "height=" << d.image.rows << '\n';
  if (!args.extended) return;
  const struct {
    const char* name;
    const Lines& lines;
  } kLines[] = {{"surface", d.surface}, {"edge", d.edge}, {"middle", d.middle}};
  for (const auto& l : kLines) {
    out << l.name << "_axis_x=" << l.lines.axis_x << '\n'
        << l.name << "_rim_y=" << l.lines.rim_y << '\n'
        << l.name << "_floor_y=" << l.lines.floor_y << '\n';
  }
  out << "stroke_px=" << d.stroke_px << '\n' << "median_px=" << d.median_px << '\n' << "skew=";
  for (int i = 0; i < 6; ++i) out << (i ? " " : "") << d.skew.val[i];
  out << '\n'
      << "scale_bar_cm=" << d.scale_bar_cm << '\n'
      << "scale_bar_x0=" << d.scale_bar_x0 << '\n'
      << "scale_bar_x1=" << d.scale_bar_x1 << '\n'
      << "scale_bar_y=" << d.scale_bar_y << '\n';
}

int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CliArgs parsed;
  try {
    parsed = ParseArgs(args);
    if (parsed.help) {
      out << Usage();
      return 0;
    }
    Run(parsed, out);
  } catch (const std::invalid_argument& e) {
    err << "drawgen: " << e.what() << '\n' << Usage();
    return 2;
  } catch (const std::exception& e) {
    err << "drawgen: " << e.what() << '\n';
    return 1;
  }
  return 0;
}

}  // namespace orvello::drawgen
