// Measures generated drawings of every category against their analytic
// values and writes the Markdown report.
//
//   orvello_accuracy [report.md [threads]]
//
// Without a file name the report goes to standard output. Threads default
// to the number of cores.

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "accuracy/accuracy.h"

int main(int argc, char** argv) {
  using namespace orvello::accuracy;
  const int threads =
      argc > 2 ? std::atoi(argv[2]) : static_cast<int>(std::thread::hardware_concurrency());
  std::string command = "build-acc/bin/orvello_accuracy";
  for (int i = 1; i < argc; ++i) command += std::string(" ") + argv[i];

  const auto start = std::chrono::steady_clock::now();
  const auto results = RunCases(AllCases(), threads);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const std::string report = Report(results, command, elapsed.count());
  if (argc < 2) {
    std::cout << report;
    return 0;
  }
  std::ofstream file(argv[1]);
  file << report;
  if (!file) {
    std::cerr << "cannot write " << argv[1] << "\n";
    return 1;
  }
  std::cout << "wrote " << argv[1] << " (" << results.size() << " drawings, "
            << static_cast<int>(elapsed.count()) << " s)\n";
  return 0;
}
