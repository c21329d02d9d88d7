// Writes the seed corpora of the fuzz targets, one directory per target:
//
//   orvello_fuzz_seeds <corpus directory>
//
// Small hand-made masks, generated vessel drawings of each category at a low
// resolution (category 1 zoomed, so that its outline is long enough to be
// chosen), the same masks with extreme resolutions and scales, and command
// lines. Says which seeds the tool would measure.

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "common/mask.h"
#include "common/measure.h"
#include "common/run.h"
#include "drawgen/drawgen.h"
#include "fuzz_case.h"

namespace orvello::fuzz {
namespace drawgen = orvello::drawgen;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Seed {
  std::string name;
  Bytes bytes;
};

cv::Mat Cells(int rows, int cols, const std::function<int(int, int)>& value) {
  cv::Mat cells(rows, cols, CV_8UC1);
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < cols; ++x)
      cells.at<std::uint8_t>(y, x) = static_cast<std::uint8_t>(value(y, x));
  }
  return cells;
}

// Returns EncodeMaskCase(...), after checking that it decodes back to the
// zoomed cells, the dpi and the scale.
Bytes Encode(const cv::Mat& cells, int zoom, double dpi, double scale, bool raw) {
  const Bytes bytes = EncodeMaskCase(cells, zoom, dpi, scale, raw);
  const MaskCase c = DecodeMaskCase(bytes);
  cv::Mat zoomed;
  cv::resize(cells, zoomed, cv::Size(), 1 << zoom, 1 << zoom, cv::INTER_NEAREST);
  const bool same_numbers =
      std::bit_cast<std::uint64_t>(c.dpi) == std::bit_cast<std::uint64_t>(dpi) &&
      std::bit_cast<std::uint64_t>(c.scale) == std::bit_cast<std::uint64_t>(scale);
  if (c.mask.size() != zoomed.size() || cv::countNonZero(c.mask != zoomed) != 0 || !same_numbers) {
    std::cerr << "a seed does not decode to its mask\n";
    std::exit(1);
  }
  return bytes;
}

std::vector<Seed> SmallMasks(double dpi, double scale) {
  const auto set = [](bool ink) { return ink ? 255 : 0; };
  std::vector<Seed> seeds = {
      {"empty-1x1", Encode(Cells(1, 1, [](int, int) { return 0; }), 0, dpi, scale, false)},
      {"set-1x1", Encode(Cells(1, 1, [](int, int) { return 255; }), 0, dpi, scale, false)},
      {"all-set-5x7", Encode(Cells(5, 7, [](int, int) { return 255; }), 0, dpi, scale, false)},
      {"checker-8x8",
       Encode(Cells(8, 8, [&](int y, int x) { return set((x + y) % 2); }), 0, dpi, scale, false)},
      {"row-0-6x9",
       Encode(Cells(6, 9, [&](int y, int) { return set(y == 0); }), 0, dpi, scale, false)},
      {"column-0-9x6",
       Encode(Cells(9, 6, [&](int, int x) { return set(x == 0); }), 0, dpi, scale, false)},
      {"raw-values-4x6",
       Encode(Cells(4, 6, [](int y, int x) { return (y * 6 + x) % 3 == 0 ? 255 : 254 - x; }), 0,
              dpi, scale, true)},
      {"box-32x48",
       Encode(
           Cells(32, 48, [&](int y, int x) { return set(y == 2 || y == 29 || x == 3 || x == 40); }),
           0, dpi, scale, false)},
      {"zoomed-box-24x64",
       Encode(
           Cells(24, 64, [&](int y, int x) { return set(y == 1 || y == 22 || x == 1 || x == 20); }),
           3, dpi, scale, false)},
  };
  return seeds;
}

// The mask of `cells` with resolutions and scales the arguments accept
// or refuse at their limits.
std::vector<Seed> Extremes(const std::string& name, const cv::Mat& cells, int zoom) {
  using limits = std::numeric_limits<double>;
  static const struct {
    const char* name;
    double dpi;
    double scale;
  } kArgs[] = {
      {"dpi-0", 0, 1},
      {"dpi-nan", limits::quiet_NaN(), 1},
      {"dpi-inf", limits::infinity(), 1},
      {"scale-negative", 300, -1},
      {"scale-1e-310", 300, 1e-310},
      {"scale-1e-100", 300, 1e-100},
      {"dpi-1e-310", 1e-310, 1},
      {"dpi-scale-1e300", 1e300, 1e300},
      {"dpi-max", limits::max(), 1},
      {"dpi-1e100-scale-1e-100", 1e100, 1e-100},
      {"dpi-3e-5", 3e-5, 1},
  };
  std::vector<Seed> seeds;
  for (const auto& a : kArgs) {
    seeds.push_back({name + "-" + a.name, Encode(cells, zoom, a.dpi, a.scale, false)});
  }
  return seeds;
}

cv::Mat DrawnMask(int category, drawgen::Shape shape, double dpi, bool filled) {
  drawgen::DrawOptions options;
  options.category = category;
  options.shape = shape;
  options.dpi = dpi;
  options.filled = filled;
  const drawgen::Drawing drawing = drawgen::Draw(options);
  return Binarise(drawing.image, category == 3 ? Smoothing::kGaussian5x5 : Smoothing::kNone);
}

// Returns true when the tool of `category` measures the drawing of the case
// `bytes` decodes to (status 0).
bool Measures(int category, const Bytes& bytes) {
  const MaskCase c = DecodeMaskCase(bytes);
  if (c.mask.empty() || !ArgsValid({"", c.dpi, c.scale})) return false;
  return Measure(GetCategory(category), DrawingOf(c.mask), c.dpi, c.scale).failure ==
         Failure::kNone;
}

// A filled comb of eleven teeth in the left third of 24 x 72 cells: zoomed
// eightfold, its outline is longer than 3000 pixels, as a category-1 section
// outline must be, on a mask of 192 x 576 pixels only.
cv::Mat CombCells() {
  return Cells(24, 72, [](int y, int x) {
    const bool tooth = x >= 1 && x <= 21 && x % 2 == 1 && y >= 1 && y <= 21;
    const bool spine = y == 22 && x >= 1 && x <= 21;
    return tooth || spine ? 255 : 0;
  });
}

std::vector<Seed> DrawingSeeds(int category) {
  // Resolution of the drawing, dpi given to the measurement, zoom exponent.
  const double drawn_dpi = category == 3 ? 24 : category == 2 ? 32 : 37.5;
  const double dpi = category == 2 ? 600 : 300;
  const int zoom = category == 1 ? 3 : 0;
  // A zoomed category-1 drawing is large and slow to measure: one shape.
  const std::vector<drawgen::Shape> shapes =
      category == 1 ? std::vector<drawgen::Shape>{drawgen::Shape::kGlobularJar}
                    : drawgen::AllShapes();
  std::vector<Seed> seeds;
  for (const drawgen::Shape shape : shapes) {
    const cv::Mat cells = DrawnMask(category, shape, drawn_dpi, true);
    const std::string name = "drawing-" + drawgen::ShapeName(shape);
    seeds.push_back({name, Encode(cells, zoom, dpi, 1, false)});
    if (category != 1 && shape == drawgen::Shape::kGlobularJar) {
      for (Seed& s : Extremes(name, cells, zoom)) seeds.push_back(std::move(s));
    }
  }
  if (category == 3) {
    const cv::Mat outline = DrawnMask(3, drawgen::Shape::kNeckedJar, drawn_dpi, false);
    seeds.push_back({"drawing-necked-outline", Encode(outline, zoom, dpi, 1, false)});
  }
  if (category == 1) {
    seeds.push_back({"comb", Encode(CombCells(), 3, dpi, 1, false)});
    for (Seed& s : Extremes("comb", CombCells(), 3)) seeds.push_back(std::move(s));
  }
  for (Seed& s : SmallMasks(dpi, 1)) seeds.push_back(std::move(s));
  return seeds;
}

Bytes CommandLine(const std::vector<std::string>& args) {
  Bytes bytes{static_cast<std::uint8_t>(args.size())};
  for (size_t i = 0; i < args.size(); ++i) {
    if (i) bytes.push_back(0);
    bytes.insert(bytes.end(), args[i].begin(), args[i].end());
  }
  return bytes;
}

std::vector<Seed> ArgsSeeds() {
  static const struct {
    const char* name;
    std::vector<std::string> args;
  } kLines[] = {
      {"none", {"orvelloCMD3"}},
      {"path-only", {"orvelloCMD3", "vase.tiff"}},
      {"two", {"orvelloCMD3", "vase.tiff", "600"}},
      {"three", {"orvelloCMD3", "dessin 1.png", "600", "0.5"}},
      {"four", {"orvelloCMD3", "a.jpg", "300", "1", "x"}},
      {"five", {"orvelloCMD", "a.jpg", "300", "1", "x", "y"}},
      {"comma", {"orvelloCMD", "a.jpg", "300", "1,5"}},
      {"exponent", {"orvelloCMD", "a.jpg", "3E2", "5E-1"}},
      {"hex", {"orvelloCMD", "a.jpg", "0x12C", "0x1p-1"}},
      {"nan", {"orvelloCMD", "a.jpg", "nan", "1"}},
      {"infinity", {"orvelloCMD", "a.jpg", "300", "inf"}},
      {"negative", {"orvelloCMD", "a.jpg", "-300", "1"}},
      {"zero", {"orvelloCMD", "a.jpg", "0", "0"}},
      {"text", {"orvelloCMD", "a.jpg", "trois cents", "  42abc"}},
      {"subnormal", {"orvelloCMD2", "a.jpg", "300", "1e-310"}},
      {"huge", {"orvelloCMD2", "a.jpg", "1e308", "1e308"}},
      {"empty", {"orvelloCMD2", "", "", ""}},
  };
  std::vector<Seed> seeds;
  for (const auto& line : kLines) seeds.push_back({line.name, CommandLine(line.args)});
  return seeds;
}

bool WriteSeeds(const std::filesystem::path& dir, const std::vector<Seed>& seeds) {
  std::filesystem::create_directories(dir);
  for (const Seed& seed : seeds) {
    std::ofstream file(dir / seed.name, std::ios::binary);
    file.write(reinterpret_cast<const char*>(seed.bytes.data()),
               static_cast<std::streamsize>(seed.bytes.size()));
    if (!file) {
      std::cerr << "cannot write " << (dir / seed.name) << "\n";
      return false;
    }
  }
  return true;
}

int Run(const std::filesystem::path& root) {
  static const struct {
    const char* target;
    int category;
  } kTargets[] = {{"silhouette", 3}, {"median", 2}, {"leftedge", 1}};
  for (const auto& t : kTargets) {
    const std::vector<Seed> seeds = DrawingSeeds(t.category);
    int measured = 0;
    size_t bytes = 0;
    std::string drawings_not_measured;
    for (const Seed& s : seeds) {
      const bool measures = Measures(t.category, s.bytes);
      measured += measures;
      bytes += s.bytes.size();
      const bool drawing = s.name == "comb" || (s.name.starts_with("drawing-") &&
                                                s.name.find('-') == s.name.rfind('-'));
      if (!measures && drawing) {
        drawings_not_measured += " " + s.name;
      }
    }
    std::cout << t.target << ": " << seeds.size() << " seeds, " << bytes << " bytes, " << measured
              << " measured by the tool";
    if (!drawings_not_measured.empty())
      std::cout << "; drawings not measured:" << drawings_not_measured;
    std::cout << "\n";
    if (!WriteSeeds(root / t.target, seeds)) return 1;
  }
  const std::vector<Seed> args = ArgsSeeds();
  std::cout << "args: " << args.size() << " seeds\n";
  return WriteSeeds(root / "args", args) ? 0 : 1;
}

}  // namespace
}  // namespace orvello::fuzz

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: orvello_fuzz_seeds <corpus directory>\n";
    return 2;
  }
  return orvello::fuzz::Run(argv[1]);
}
