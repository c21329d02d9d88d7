#ifndef ORVELLO_FUZZ_FUZZ_CASE_H_
#define ORVELLO_FUZZ_FUZZ_CASE_H_

// The measurement fuzz targets' input: a mask with a resolution and a scale,
// decoded from arbitrary bytes, and the checks the targets make.
//
// Layout of an input (missing bytes read as 0, but the mask keeps only the
// rows whose cells the input holds, at least one):
//   byte 0        flags: bit 0 set: one byte per pixel, the byte is the mask
//                 value (only 255 is a set pixel); clear: one bit per pixel,
//                 1 is 255 and 0 is 0, least significant bit first.
//                 Bits 1-2: zoom exponent z, every cell becomes a
//                 2^z x 2^z block of pixels (smaller when the mask would
//                 exceed kMaxPixels).
//   bytes 1-2     rows of cells - 1, little endian, modulo kMaxCellSide
//   bytes 3-4     columns of cells - 1, the same
//   dpi, scale    each a selector byte: below kSpecialCount it picks
//                 SpecialValue(selector); otherwise 8 bytes follow, the
//                 double's bits, little endian
//   the rest      the cells, row by row

#include <cstddef>
#include <cstdint>
#include <opencv2/core.hpp>
#include <span>
#include <string_view>
#include <vector>

#include "common/segment.h"

namespace orvello::fuzz {

inline constexpr int kMaxCellSide = 512;
inline constexpr int kMaxCells = 1 << 16;
inline constexpr int kMaxPixels = 1 << 22;
inline constexpr int kSpecialCount = 16;

// Returns the special double number `index` (0 <= index < kSpecialCount):
// zeros of both signs, NaN, infinities, -1, the smallest subnormal, 1e-310,
// the smallest normal, 1e-100, 0.5, 1, 300, 1e100, 1e300, the largest.
double SpecialValue(int index);

// An 8-bit, one-channel mask whose every row is followed, and whose first
// row is preceded, by memory that AddressSanitizer reports when read, so
// that a scan stepping out of a row is caught.
class GuardedMask {
 public:
  // Returns a guarded copy of `mask` (8-bit, one channel).
  explicit GuardedMask(const cv::Mat& mask);
  ~GuardedMask();
  GuardedMask(const GuardedMask&) = delete;
  GuardedMask& operator=(const GuardedMask&) = delete;

  // Returns the mask; it shares the guarded buffer, so it must not outlive
  // this object.
  const cv::Mat& mat() const { return mat_; }

 private:
  std::vector<std::uint8_t> buffer_;
  std::size_t step_ = 0;
  cv::Mat mat_;
};

// A decoded input.
struct MaskCase {
  cv::Mat mask;  // 8-bit, one channel, continuous
  double dpi = 0;
  double scale = 0;
};

// Returns the case encoded by `data`, or an empty mask when its cells
// exceed kMaxCells.
MaskCase DecodeMaskCase(std::span<const std::uint8_t> data);

// Returns the bytes that decode to `cells` (8-bit, one channel, at most
// kMaxCellSide on a side) zoomed by 2^`zoom_exponent`, with `dpi` and
// `scale`; one bit per cell when every cell is 0 or 255 and `raw` is false.
std::vector<std::uint8_t> EncodeMaskCase(const cv::Mat& cells, int zoom_exponent, double dpi,
                                         double scale, bool raw);

// Ends the process with a message naming `what` on standard error unless
// `condition` holds.
void Require(bool condition, std::string_view what);

// Requires every segment of `rows` to lie inside `mask`, both its points on
// one row, the first not right of the second, and the first on a set pixel.
void RequireSegmentsInside(const std::vector<Segment>& rows, const cv::Mat& mask);

// Requires every value of `values` to be finite and not negative, naming
// `what`.
void RequireMeasured(std::span<const double> values, std::string_view what);

// Returns a colour drawing (8-bit BGR) of `mask`: set pixels black, others
// white, as the tools draw their water image on.
cv::Mat DrawingOf(const cv::Mat& mask);

}  // namespace orvello::fuzz

#endif  // ORVELLO_FUZZ_FUZZ_CASE_H_
