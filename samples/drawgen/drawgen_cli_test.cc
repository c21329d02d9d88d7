#include "drawgen/drawgen_cli.h"

#include <stdexcept>

#include <gtest/gtest.h>

namespace drawgen {
namespace {

TEST(ParseArgsTest, RequiresOut) {
  EXPECT_THROW(ParseArgs({"--category", "1", "--shape", "bowl"}),
               std::invalid_argument);
}

}  // namespace
}  // namespace drawgen
