// The loading of a drawing over arbitrary bytes given as an image file:
// whatever the bytes, ReadDrawing returns (no abort, no hang, no sanitizer
// report), and a drawing it returns is 8-bit BGR within the pixel limit.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/image_io.h"
#include "fuzz_case.h"

namespace orvello::fuzz {
namespace {

// A small limit keeps each input fast; the limit's own checks are the
// same at any value.
constexpr uint64_t kMaxPixels = 4'000'000;

void LoadBytes(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/orvello-load-fuzz-" + std::to_string(getpid());
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  const LoadedDrawing loaded = ReadDrawing(path, kMaxPixels);
  std::remove(path.c_str());
  if (loaded.drawing.empty()) return;
  Require(loaded.reason.empty(), "a drawing read has no reason");
  Require(loaded.drawing.type() == CV_8UC3, "a drawing is 8-bit BGR");
  Require(static_cast<uint64_t>(loaded.drawing.total()) <= kMaxPixels,
          "a drawing is within the pixel limit");
  Require(!IsCorruptJpeg(std::string(reinterpret_cast<const char*>(data), size)),
          "no corrupt JPEG is read");
}

}  // namespace
}  // namespace orvello::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orvello::fuzz::LoadBytes(data, size);
  return 0;
}
