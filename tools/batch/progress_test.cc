#include "batch/progress.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>
#include <vector>

namespace orvello::batch {
namespace {

TEST(ClockTest, MinutesAndHours) {
  static const struct {
    double seconds;
    const char* text;
  } kCases[] = {{0, "0:00"},       {9.4, "0:09"},     {59.6, "1:00"}, {754, "12:34"},
                {3600, "1:00:00"}, {3725, "1:02:05"}, {-3, "0:00"}};
  for (const auto& c : kCases) EXPECT_EQ(Clock(c.seconds), c.text) << c.seconds;
}

TEST(ProgressBarTest, BarCountsElapsedAndLeft) {
  static const struct {
    int done, total;
    double elapsed;
    const char* text;
  } kCases[] = {
      {0, 100, 0, "[----------]    0/100  elapsed 0:00"},
      {40, 100, 12, "[####------]   40/100  elapsed 0:12  left 0:18"},
      {3, 7, 6, "[####------]  3/7  elapsed 0:06  left 0:08"},
      {7, 7, 61, "[##########]  7/7  elapsed 1:01  left 0:00"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ProgressBar(c.done, c.total, c.elapsed, 10), c.text);
  }
}

TEST(ProgressTest, PlainLinesFromManyThreads) {
  std::ostringstream out;
  {
    Progress progress(out, false, false, 40);
    std::vector<std::jthread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([&] {
        for (int i = 0; i < 10; ++i) progress.Done("d.png", "measured", false);
      });
    }
  }
  std::istringstream lines(out.str());
  std::string line;
  for (int n = 1; n <= 40; ++n) {
    ASSERT_TRUE(std::getline(lines, line)) << n;
    const std::string start = std::to_string(n) + "/40] d.png: measured (elapsed ";
    EXPECT_EQ(line.rfind('[' + start, 0), 0u) << line;
  }
  EXPECT_FALSE(std::getline(lines, line));
}

TEST(ProgressTest, BarRedrawnInPlaceOrNothingWhenQuiet) {
  std::ostringstream bar, quiet;
  Progress on_terminal(bar, true, false, 2);
  Progress silent(quiet, true, true, 2);
  for (Progress* p : {&on_terminal, &silent}) {
    p->Done("a.png", "measured", false);
    p->Done("b.png", "missing-file - Cannot read the image: b.png", true);
    p->Finish();
  }
  EXPECT_EQ(quiet.str(), "");
  EXPECT_EQ(bar.str(),
            "\r[------------------------------]  0/2  elapsed 0:00"
            "\r[###############---------------]  1/2  elapsed 0:00  left 0:00"
            "\rb.png: missing-file - Cannot read the image: b.png" +
                std::string(12, ' ') +
                "\n"
                "\r[##############################]  2/2  elapsed 0:00  left 0:00\n");
}

}  // namespace
}  // namespace orvello::batch
