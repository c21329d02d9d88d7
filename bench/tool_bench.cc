// Times each tool on a large generated drawing against the floor program in
// the same run, and reports median wall times, their ratio and the tool's
// peak memory as a Markdown table.
//
//   orvello_tool_bench [runs]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <opencv2/imgcodecs.hpp>
#include <string>
#include <vector>

#include "common/category.h"
#include "drawgen/drawgen.h"

namespace drawgen = orvello::drawgen;

namespace {

struct Timing {
  double seconds = 0;
  long peak_kib = 0;
};

// Runs `argv` in `directory`, its output discarded; returns wall time and
// peak resident memory.
Timing Run(const std::vector<std::string>& argv, const std::filesystem::path& directory) {
  std::cout.flush();  // the child must not write out the parent's buffer
  std::fflush(stdout);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(directory.c_str()) != 0) _exit(120);
    if (!freopen("/dev/null", "w", stdout)) _exit(121);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(122);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::cerr << argv[0] << " failed with status " << status << "\n";
    std::exit(1);
  }
  return {elapsed.count(), usage.ru_maxrss};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Bench {
  int category;
  const char* image;
  const char* floor_images;  // "2" or "4"
  double goal;
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::filesystem::path bin = std::filesystem::canonical("/proc/self/exe").parent_path();
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("orvello-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);

  static const Bench kBenches[] = {
      {3, "large3.tiff", "2", 1.25},
      {2, "large2.png", "2", 1.25},
      {1, "large1.png", "4", 1.5},
  };
  std::cout << "| tool | drawing | runs | tool median (s) | floor median (s) | ratio | goal "
               "| tool peak memory (MiB) |\n|---|---|---|---|---|---|---|---|\n";
  for (const Bench& b : kBenches) {
    const std::string program(orvello::GetCategory(b.category).program);
    drawgen::DrawOptions options;
    options.shape = drawgen::Shape::kGlobularJar;
    options.category = b.category;
    options.dpi = 600;
    options.height_cm = 18;
    options.width_px = 7000;
    options.height_px = 5000;
    const drawgen::Drawing drawing = drawgen::Draw(options);
    cv::imwrite((dir / b.image).string(), drawing.image);

    std::vector<double> tool_times, floor_times;
    long peak = 0;
    for (int i = 0; i < runs; ++i) {
      const Timing t = Run({(bin / program).string(), b.image, "600", "1"}, dir);
      tool_times.push_back(t.seconds);
      peak = std::max(peak, t.peak_kib);
      floor_times.push_back(
          Run({(bin / "orvello_floor").string(), b.image, b.floor_images}, dir).seconds);
    }
    const double tool = Median(tool_times), floor = Median(floor_times);
    std::printf(
        "| `%s` | %d x %d, category %d, 600 dpi | %d | %.3f | %.3f | %.2f | %.2f | %.0f |\n",
        program.c_str(), drawing.image.cols, drawing.image.rows, b.category, runs, tool, floor,
        tool / floor, b.goal, peak / 1024.0);
  }
  std::filesystem::remove_all(dir);
  return 0;
}
