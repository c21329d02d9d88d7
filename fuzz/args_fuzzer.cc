// The argument conversion over arbitrary command lines: byte 0 gives the
// argument count (0 to 6), the rest are the arguments, separated by 0 bytes.

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/mask.h"
#include "common/run.h"
#include "fuzz_case.h"

namespace orvello::fuzz {
namespace {

bool SameNumber(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) ||
         (std::isnan(a) && std::isnan(b));
}

void ConvertArgs(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  const int argc = data[0] % 7;
  std::vector<std::string> texts(static_cast<std::size_t>(argc));
  std::size_t at = 1;
  for (std::string& text : texts) {
    while (at < size && data[at] != 0) text.push_back(static_cast<char>(data[at++]));
    ++at;
  }
  std::vector<const char*> argv;
  for (const std::string& text : texts) argv.push_back(text.c_str());
  argv.push_back(nullptr);

  const RunArgs defaults{"vase.tiff", 600, 1};
  const RunArgs args = TakeArgs(argc, argv.data(), defaults);
  if (argc == 4) {
    Require(args.image_path == texts[1], "the path is the first argument");
    Require(SameNumber(args.dpi, std::atof(texts[2].c_str())), "the dpi is read with atof");
    Require(SameNumber(args.scale, std::atof(texts[3].c_str())), "the scale is read with atof");
  } else {
    Require(args.image_path == defaults.image_path && args.dpi == defaults.dpi &&
                args.scale == defaults.scale,
            "any other count gives the defaults");
  }
  const bool valid = ArgsValid(args);
  const bool positive =
      std::isfinite(args.dpi) && args.dpi > 0 && std::isfinite(args.scale) && args.scale > 0;
  Require(!valid || positive, "valid arguments are finite and greater than 0");
  if (!positive) return;
  const double pixel_size = PixelSize(args.dpi, args.scale);
  Require(valid == (pixel_size >= kSmallestPixelSize && pixel_size <= kLargestPixelSize),
          "positive arguments are valid when their pixel size is in the accepted range");
  if (!valid) return;
  const double f = ResolutionFactor(args.dpi);
  Require(std::isfinite(pixel_size) && pixel_size > 0 && std::isfinite(f) && f > 0,
          "valid arguments give a finite pixel size and resolution factor above 0");
}

}  // namespace
}  // namespace orvello::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orvello::fuzz::ConvertArgs(data, size);
  return 0;
}
