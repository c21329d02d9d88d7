#include "drawgen/drawgen.h"

#include <stdexcept>

#include <gtest/gtest.h>

namespace drawgen {
namespace {

TEST(DrawTest, EveryCategoryDrawsInk) {
  for (int category : {1, 2, 3}) {
    SCOPED_TRACE(category);
    DrawOptions o;
    o.category = category;
    const Drawing d = Draw(o);
    EXPECT_EQ(d.image.type(), CV_8UC3);
    EXPECT_GT(d.truth.capacity_cl, 0);
  }
}

}  // namespace
}  // namespace drawgen
