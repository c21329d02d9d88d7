// Draws generated vessels clean and degraded, measures them with the tools
// and the profile measurement, and writes the Markdown report.
//
//   orvello_robustness [report.md] [--threads N] [--subset K] [--real DIR]
//
// Without a file name the report goes to standard output. Threads default
// to the number of cores; --subset K measures every K-th degraded drawing of
// the grid (and every clean one); --real names the folder of real drawings
// (truth.json, files/), skipped with a message when absent.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "robustness/robustness.h"

int main(int argc, char** argv) {
  using namespace orvello::robustness;
  std::string path;
  std::string real_folder;
  int threads = static_cast<int>(std::thread::hardware_concurrency());
  int subset = 1;
  std::string command = argv[0];
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    command += " " + a;
    if ((a == "--threads" || a == "--subset" || a == "--real") && i + 1 < argc) {
      const std::string value = argv[++i];
      command += " " + value;
      if (a == "--threads") threads = std::max(1, std::atoi(value.c_str()));
      if (a == "--subset") subset = std::max(1, std::atoi(value.c_str()));
      if (a == "--real") real_folder = value;
    } else if (!a.empty() && a[0] != '-' && path.empty()) {
      path = a;
    } else {
      std::cerr << "usage: orvello_robustness [report.md] [--threads N] [--subset K] "
                   "[--real DIR]\n";
      return 2;
    }
  }

  std::vector<RealDrawing> real;
  if (!real_folder.empty()) {
    real = LoadRealDrawings(real_folder);
    if (real.empty()) {
      std::cerr << "no real drawings in " << real_folder << " (absent or unreadable): skipped\n";
    }
  }
  const auto start = std::chrono::steady_clock::now();
  const std::vector<Case> cases = Grid(subset);
  std::cerr << "measuring " << cases.size() << " drawings on " << threads << " threads\n";
  const auto results = RunCases(cases, threads, stderr);
  MeasureRealDrawings(&real);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const std::string report = Report(results, real, real_folder, command, elapsed.count(), threads);
  if (path.empty()) {
    std::cout << report;
    return 0;
  }
  const std::string temporary = path + ".tmp";
  std::filesystem::remove(temporary);
  {
    std::ofstream file(temporary, std::ios::out | std::ios::trunc);
    file << report;
    if (!file) {
      std::cerr << "cannot write " << temporary << "\n";
      return 1;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::cerr << "cannot write " << path << ": " << error.message() << "\n";
    return 1;
  }
  std::cout << "wrote " << path << " (" << results.size() << " drawings, "
            << static_cast<int>(elapsed.count()) << " s)\n";
  return 0;
}
