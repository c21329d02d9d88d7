#include "exchange/provenance.h"

#include <openssl/evp.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>

namespace orvello::exchange {
namespace {

struct ContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextFree>;

// Returns the hexadecimal digest of the data that `feed` passes to its
// argument, or "" when the digest fails or `feed` returns false.
template <typename Feed>
std::string Digest(Feed feed) {
  Context context(EVP_MD_CTX_new());
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return "";
  auto update = [&](const char* data, size_t size) {
    return EVP_DigestUpdate(context.get(), data, size) == 1;
  };
  if (!feed(update)) return "";
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int size = 0;
  if (EVP_DigestFinal_ex(context.get(), digest.data(), &size) != 1) return "";
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < size; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

}  // namespace

std::string_view ProgramVersion() { return ORVELLO_VERSION; }

std::string Sha256Hex(std::string_view bytes) {
  return Digest([&](auto update) { return update(bytes.data(), bytes.size()); });
}

std::string Sha256File(const std::string& path) {
  // A FIFO or a device would be read without end.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return "";
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  return Digest([&](auto update) {
    std::array<char, 1 << 16> buffer;
    while (in) {
      in.read(buffer.data(), buffer.size());
      if (in.gcount() > 0 && !update(buffer.data(), static_cast<size_t>(in.gcount()))) {
        return false;
      }
    }
    return in.eof();
  });
}

}  // namespace orvello::exchange
