// Measures generated drawings of mixed categories once with orvello-batch
// and once with one sequential run of the category's tool per drawing, in
// the same run, and prints drawings per second and their ratio as a
// Markdown table.
//
//   orvello_batch_bench [drawings] [rounds]

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <opencv2/imgcodecs.hpp>
#include <string>
#include <thread>
#include <vector>

#include "common/category.h"
#include "drawgen/drawgen.h"

namespace drawgen = orvello::drawgen;

namespace {

namespace fs = std::filesystem;

struct Timing {
  double seconds = 0;
  long peak_kib = 0;
};

// Runs `argv` in `directory` with its standard output and error discarded;
// exits the benchmark when it does not end with status 0.
Timing Run(const std::vector<std::string>& argv, const fs::path& directory) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
    std::cerr << "cannot start " << argv[0] << "\n";
    std::exit(1);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::cerr << argv[0] << " failed with status " << status << "\n";
    std::exit(1);
  }
  return {elapsed.count(), usage.ru_maxrss};
}

struct Drawing {
  std::string file;
  int category;
};

// Writes `count` drawings cycling through the categories and shapes, 10 to
// 16 cm tall at 300 dpi, some anti-aliased with scan noise.
std::vector<Drawing> Generate(const fs::path& dir, int count) {
  const std::vector<drawgen::Shape> shapes = drawgen::AllShapes();
  std::vector<Drawing> drawings;
  for (int i = 0; i < count; ++i) {
    drawgen::DrawOptions options;
    options.category = 1 + i % 3;
    options.shape = shapes[(i / 3) % shapes.size()];
    options.height_cm = 10 + i % 7;
    options.antialias = i % 4 == 1;
    options.noise = i % 4 == 1;
    options.seed = static_cast<unsigned>(i + 1);
    const std::string file = std::to_string(i) + ".png";
    cv::imwrite((dir / file).string(), drawgen::Draw(options).image);
    drawings.push_back({file, options.category});
  }
  return drawings;
}

std::string ToolOf(int category) { return std::string(orvello::GetCategory(category).program); }

// Returns the 1-minute load average of the machine, or -1.
double LoadAverage() {
  std::ifstream file("/proc/loadavg");
  double load = -1;
  file >> load;
  return load;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
  const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
  const fs::path dir =
      fs::temp_directory_path() / ("orvello-batch-bench-" + std::to_string(getpid()));
  fs::create_directories(dir / "drawings");
  const std::vector<Drawing> drawings = Generate(dir / "drawings", count);
  std::ofstream manifest(dir / "drawings" / "manifest.csv");
  manifest << "file,category,dpi,scale\n";
  for (const Drawing& d : drawings) manifest << d.file << ',' << d.category << ",300,1\n";
  manifest.close();

  const auto tools = [&] {
    double total = 0;
    for (size_t i = 0; i < drawings.size(); ++i) {
      const fs::path run_dir = dir / "tools" / std::to_string(i);
      fs::create_directories(run_dir);
      total += Run({(bin / ToolOf(drawings[i].category)).string(),
                    (dir / "drawings" / drawings[i].file).string(), "300", "1"},
                   run_dir)
                   .seconds;
    }
    fs::remove_all(dir / "tools");
    return total;
  };
  const auto batch = [&](const std::string& jobs, long* peak) {
    const Timing t = Run({(bin / "orvello-batch").string(), "drawings/manifest.csv", "--out", "out",
                          "--quiet", "--jobs", jobs},
                         dir);
    *peak = std::max(*peak, t.peak_kib);
    fs::remove_all(dir / "out");
    return t.seconds;
  };

  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const double load_before = LoadAverage();
  tools();  // warm the page cache and the libraries
  std::vector<double> tool_times, batch_times, single_times;
  long peak = 0, single_peak = 0;
  for (int r = 0; r < rounds; ++r) {
    tool_times.push_back(tools());
    batch_times.push_back(batch(std::to_string(cores), &peak));
    single_times.push_back(batch("1", &single_peak));
  }
  const double tool = Median(tool_times), all = Median(batch_times), one = Median(single_times);
  std::printf(
      "%d drawings (categories 1, 2, 3 in turn, 300 dpi), %u cores, median of %d "
      "round(s), load average %.2f before and %.2f after\n\n",
      count, cores, rounds, load_before, LoadAverage());
  std::printf(
      "| run | wall time (s) | drawings per second | ratio to the tools | peak memory "
      "(MiB) |\n|---|---|---|---|---|\n");
  std::printf("| one tool run per drawing, in sequence | %.2f | %.1f | 1.00 | |\n", tool,
              count / tool);
  std::printf("| `orvello-batch --jobs 1` | %.2f | %.1f | %.2f | %.0f |\n", one, count / one,
              tool / one, single_peak / 1024.0);
  std::printf("| `orvello-batch` (%u workers) | %.2f | %.1f | %.2f | %.0f |\n", cores, all,
              count / all, tool / all, peak / 1024.0);
  fs::remove_all(dir);
  return 0;
}
