#include "fuzz_case.h"

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <opencv2/imgproc.hpp>

namespace orvello::fuzz {
namespace {

constexpr std::size_t kGuardBytes = 16;
constexpr std::uint8_t kRawSelector = 0xff;

// Reads the input front to back; bytes past its end read as 0.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}

  std::uint8_t Byte() { return at_ < data_.size() ? data_[at_++] : 0; }

  std::size_t Left() const { return data_.size() - std::min(at_, data_.size()); }

  int Side() {
    const int low = Byte();
    const int high = Byte();
    return (low | high << 8) % kMaxCellSide + 1;
  }

  double Number() {
    const std::uint8_t selector = Byte();
    if (selector < kSpecialCount) return SpecialValue(selector);
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(Byte()) << (8 * i);
    return std::bit_cast<double>(bits);
  }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t at_ = 0;
};

void PutNumber(double value, std::vector<std::uint8_t>& out) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  for (int i = 0; i < kSpecialCount; ++i) {
    if (std::bit_cast<std::uint64_t>(SpecialValue(i)) == bits) {
      out.push_back(static_cast<std::uint8_t>(i));
      return;
    }
  }
  out.push_back(kRawSelector);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

void PutSide(int side, std::vector<std::uint8_t>& out) {
  out.push_back(static_cast<std::uint8_t>((side - 1) & 0xff));
  out.push_back(static_cast<std::uint8_t>((side - 1) >> 8));
}

}  // namespace

double SpecialValue(int index) {
  using limits = std::numeric_limits<double>;
  static constexpr double kValues[kSpecialCount] = {0.0,
                                                    -0.0,
                                                    limits::quiet_NaN(),
                                                    limits::infinity(),
                                                    -limits::infinity(),
                                                    -1.0,
                                                    limits::denorm_min(),
                                                    1e-310,
                                                    limits::min(),
                                                    1e-100,
                                                    0.5,
                                                    1.0,
                                                    300.0,
                                                    1e100,
                                                    1e300,
                                                    limits::max()};
  return kValues[index];
}

GuardedMask::GuardedMask(const cv::Mat& mask) {
  const std::size_t cols = static_cast<std::size_t>(mask.cols);
  const std::size_t rows = static_cast<std::size_t>(mask.rows);
  step_ = (cols + 7) / 8 * 8 + 8;
  buffer_.assign(kGuardBytes + rows * step_ + kGuardBytes, 0);
  std::uint8_t* first = buffer_.data() + kGuardBytes;
  for (std::size_t y = 0; y < rows; ++y) {
    std::memcpy(first + y * step_, mask.ptr<std::uint8_t>(static_cast<int>(y)), cols);
  }
  ASAN_POISON_MEMORY_REGION(buffer_.data(), kGuardBytes);
  for (std::size_t y = 0; y < rows; ++y) {
    ASAN_POISON_MEMORY_REGION(first + y * step_ + cols, step_ - cols);
  }
  ASAN_POISON_MEMORY_REGION(first + rows * step_, kGuardBytes);
  mat_ = cv::Mat(mask.rows, mask.cols, CV_8UC1, first, step_);
}

GuardedMask::~GuardedMask() { ASAN_UNPOISON_MEMORY_REGION(buffer_.data(), buffer_.size()); }

MaskCase DecodeMaskCase(std::span<const std::uint8_t> data) {
  Reader in(data);
  const std::uint8_t flags = in.Byte();
  const bool raw = flags & 1;
  int zoom = 1 << ((flags >> 1) & 3);
  int rows = in.Side();
  const int cols = in.Side();
  MaskCase c;
  c.dpi = in.Number();
  c.scale = in.Number();
  if (rows * cols > kMaxCells) return c;
  // Only the rows the input holds, so that a large mask takes a large input.
  const std::size_t cells_left = in.Left() * (raw ? 1 : 8);
  const std::size_t rows_held = (cells_left + static_cast<std::size_t>(cols) - 1) / cols;
  rows = std::clamp(static_cast<int>(std::min<std::size_t>(rows_held, kMaxCellSide)), 1, rows);
  cv::Mat cells(rows, cols, CV_8UC1);
  int bit = 8;
  std::uint8_t byte = 0;
  for (int y = 0; y < rows; ++y) {
    std::uint8_t* row = cells.ptr<std::uint8_t>(y);
    for (int x = 0; x < cols; ++x) {
      if (raw) {
        row[x] = in.Byte();
        continue;
      }
      if (bit == 8) {
        byte = in.Byte();
        bit = 0;
      }
      row[x] = (byte >> bit++) & 1 ? 255 : 0;
    }
  }
  while (zoom > 1 && rows * cols * zoom * zoom > kMaxPixels) zoom /= 2;
  if (zoom == 1) {
    c.mask = cells;
  } else {
    cv::resize(cells, c.mask, cv::Size(cols * zoom, rows * zoom), 0, 0, cv::INTER_NEAREST);
  }
  return c;
}

std::vector<std::uint8_t> EncodeMaskCase(const cv::Mat& cells, int zoom_exponent, double dpi,
                                         double scale, bool raw) {
  raw = raw || cv::countNonZero((cells != 0) & (cells != 255)) > 0;
  std::vector<std::uint8_t> out;
  out.push_back(static_cast<std::uint8_t>((raw ? 1 : 0) | (zoom_exponent & 3) << 1));
  PutSide(cells.rows, out);
  PutSide(cells.cols, out);
  PutNumber(dpi, out);
  PutNumber(scale, out);
  int bit = 0;
  for (int y = 0; y < cells.rows; ++y) {
    const std::uint8_t* row = cells.ptr<std::uint8_t>(y);
    for (int x = 0; x < cells.cols; ++x) {
      if (raw) {
        out.push_back(row[x]);
        continue;
      }
      if (bit == 0) out.push_back(0);
      if (row[x] == 255) out.back() |= static_cast<std::uint8_t>(1 << bit);
      bit = (bit + 1) % 8;
    }
  }
  return out;
}

void Require(bool condition, std::string_view what) {
  if (condition) return;
  std::fprintf(stderr, "orvello fuzz check failed: %.*s\n", static_cast<int>(what.size()),
               what.data());
  std::abort();
}

void RequireSegmentsInside(const std::vector<Segment>& rows, const cv::Mat& mask) {
  for (const Segment& s : rows) {
    Require(s.first.y == s.second.y, "a segment lies on one row");
    Require(s.first.y >= 0 && s.first.y < mask.rows, "a segment's row is inside the mask");
    Require(s.first.x >= 0 && s.first.x <= s.second.x && s.second.x < mask.cols,
            "a segment's columns are inside the mask, left to right");
    Require(mask.at<std::uint8_t>(s.first) == 255, "a segment starts on a set pixel");
  }
}

void RequireMeasured(std::span<const double> values, std::string_view what) {
  for (size_t i = 0; i < values.size(); ++i) {
    if (std::isfinite(values[i]) && values[i] >= 0) continue;
    std::fprintf(stderr, "orvello fuzz check failed: %.*s: value %zu is %g\n",
                 static_cast<int>(what.size()), what.data(), i + 1, values[i]);
    std::abort();
  }
}

cv::Mat DrawingOf(const cv::Mat& mask) {
  cv::Mat drawing;
  cv::cvtColor(mask != 255, drawing, cv::COLOR_GRAY2BGR);
  return drawing;
}

}  // namespace orvello::fuzz
