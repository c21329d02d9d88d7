#ifndef ORVELLO_TOOLS_BATCH_PROGRESS_H_
#define ORVELLO_TOOLS_BATCH_PROGRESS_H_

// The progress of a batch on standard error: a bar redrawn in place on a
// terminal, one plain line per drawing otherwise.

#include <chrono>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

namespace orvello::batch {

// Returns the bar line for `done` of `total` drawings after `elapsed_s`
// seconds: a bar of `width` cells, the counts, the elapsed time and, once a
// drawing is done, the estimated time left, e.g.
// "[########------------]  40/100  elapsed 0:12  left 0:18".
std::string ProgressBar(int done, int total, double elapsed_s, int width);

// Returns the plain line for drawing `done` of `total`, named `name`, that
// ended with `outcome`, e.g. "[3/10] vase.jpg: measured (elapsed 0:02, left 0:05)".
std::string ProgressLine(int done, int total, std::string_view name, std::string_view outcome,
                         double elapsed_s);

// Returns `text` with every control character replaced by '?': the ASCII
// controls (below 0x20, and 0x7F) and the C1 controls (U+0080 to U+009F,
// and those bytes alone), so that a file name cannot drive the terminal.
std::string TerminalText(std::string_view text);

// Returns `seconds` as m:ss, or h:mm:ss from an hour on.
std::string Clock(double seconds);

// Reports finished drawings from any thread.
class Progress {
 public:
  // Reports on `out` as a bar when `terminal`, as lines otherwise, nothing
  // when `quiet`. Starts the clock.
  Progress(std::ostream& out, bool terminal, bool quiet, int total);

  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Records that the drawing `name` has ended with `outcome`; on a
  // terminal, a drawing that `failed` gets a line of its own above the bar.
  // Both are written as TerminalText. Thread-safe.
  void Done(std::string_view name, std::string_view outcome, bool failed);

  // Writes `line` (as TerminalText) on a line of its own, even when quiet;
  // on a terminal, above the bar. Thread-safe.
  void Note(std::string_view line);

  // Ends the bar's line. Call once, after the last Done.
  void Finish();

  // Returns the seconds since construction.
  double Elapsed() const;

 private:
  std::ostream& out_;
  const bool terminal_;
  const bool quiet_;
  const int total_;
  const std::chrono::steady_clock::time_point start_;
  std::mutex mutex_;
  int done_ = 0;
};

}  // namespace orvello::batch

#endif  // ORVELLO_TOOLS_BATCH_PROGRESS_H_
