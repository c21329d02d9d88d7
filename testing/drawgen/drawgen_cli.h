#ifndef ORVELLO_TESTING_DRAWGEN_DRAWGEN_CLI_H_
#define ORVELLO_TESTING_DRAWGEN_DRAWGEN_CLI_H_

// The drawgen command line: draws one vessel, writes the picture and prints
// its analytic values.

#include <iosfwd>
#include <string>
#include <vector>

#include "drawgen/drawgen.h"

namespace orvello::drawgen {

struct CliArgs {
  DrawOptions draw;
  std::string out;    // picture file; its extension chooses the format
  bool grey = false;  // write one channel instead of three
  bool bmp1 = false;  // write a 1-bit bitmap (the file must end in .bmp)
  int jpeg_dpi = 0;   // JFIF density to record in a JPEG file; 0: leave it
  bool help = false;  // --help: print the usage and nothing else
  // A surface, pen or degradation option was given: Run prints the sub-pixel
  // positions too.
  bool extended = false;
};

// Returns the usage text, several lines.
std::string Usage();

// Returns the arguments parsed from `args` (the command line without the
// program name). Throws std::invalid_argument, with a message naming the
// offending argument, for an unknown option, a missing or malformed value,
// a missing --category, --shape or --out, a category other than 1, 2, 3, an
// unknown shape, surface or section fill, a dpi, scale, height, --jpeg-dpi,
// --pen-mm, --breaks, --specks, --skew or --jpeg-quality out of range, --bmp1 on
// a file not ending in .bmp or --jpeg-dpi on one not ending in .jpg/.jpeg.
CliArgs ParseArgs(const std::vector<std::string>& args);

// Draws `args.draw`, writes the picture to `args.out` and prints the
// analytic values and positions to `out`, one "key=value" per line (the
// sub-pixel positions, stroke, skew and scale bar too when args.extended).
// Throws std::invalid_argument when the drawing cannot be made and
// std::runtime_error when the file cannot be written.
void Run(const CliArgs& args, std::ostream& out);

// The whole program: parses, runs, and reports errors on `err`. Returns 0,
// 2 for bad arguments (with a message and the usage), 1 when writing fails.
int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace orvello::drawgen

#endif  // ORVELLO_TESTING_DRAWGEN_DRAWGEN_CLI_H_
