#include "exchange/provenance.h"

#include <gtest/gtest.h>

#include "support/tool_runner.h"

namespace orvello::exchange {
namespace {

TEST(Sha256Test, KnownDigests) {
  const struct {
    std::string bytes;
    const char* digest;
  } kCases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  orvello::testing::TempDir dir;
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.bytes.size()) + " bytes");
    EXPECT_EQ(Sha256Hex(c.bytes), c.digest);
    orvello::testing::WriteFile(dir.path() / "file", c.bytes);
    EXPECT_EQ(Sha256File((dir.path() / "file").string()), c.digest);
  }
  EXPECT_EQ(Sha256File((dir.path() / "missing").string()), "");
  EXPECT_EQ(Sha256File(dir.path().string()), "");
  EXPECT_EQ(Sha256File("/dev/zero"), "");  // a device: never read without end
}

TEST(VersionTest, IsTheProjectVersion) { EXPECT_EQ(ProgramVersion(), ORVELLO_PROJECT_VERSION); }

}  // namespace
}  // namespace orvello::exchange
