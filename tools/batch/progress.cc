#include "batch/progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvello::batch {
namespace {

constexpr int kBarWidth = 30;

// Returns the estimated seconds left, or a negative value before the first
// drawing is done.
double Left(int done, int total, double elapsed_s) {
  return done > 0 ? elapsed_s / done * (total - done) : -1;
}

// Returns true when the byte at `i` (0x80 to 0xBF) continues a UTF-8
// sequence: a lead byte (0xC2 to 0xF4) stands before it, at most three
// bytes back, with only continuation bytes between.
bool Continues(std::string_view text, size_t i) {
  for (size_t back = 1; back <= 3 && back <= i; ++back) {
    const auto c = static_cast<unsigned char>(text[i - back]);
    if (c >= 0xC2 && c <= 0xF4) return true;
    if (c < 0x80 || c > 0xBF) return false;
  }
  return false;
}

}  // namespace

std::string TerminalText(std::string_view text) {
  std::string safe;
  safe.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
      safe += '?';  // a C1 control in UTF-8
      ++i;
    } else if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F && !Continues(text, i))) {
      safe += '?';
    } else {
      safe += text[i];
    }
  }
  return safe;
}

std::string Clock(double seconds) {
  const long total = std::lround(std::max(seconds, 0.0));
  char buffer[32];
  if (total >= 3600) {
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60,
                  total % 60);
  } else {
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld", total / 60, total % 60);
  }
  return buffer;
}

std::string ProgressBar(int done, int total, double elapsed_s, int width) {
  const int filled =
      total > 0 ? static_cast<int>(static_cast<long long>(width) * done / total) : width;
  std::string line = "[";
  line.append(filled, '#').append(width - filled, '-') += ']';
  const std::string count = std::to_string(total);
  std::string counted = std::to_string(done);
  counted.insert(0, count.size() - std::min(count.size(), counted.size()), ' ');
  line += "  " + counted + "/" + count + "  elapsed " + Clock(elapsed_s);
  const double left = Left(done, total, elapsed_s);
  if (left >= 0) line += "  left " + Clock(left);
  return line;
}

std::string ProgressLine(int done, int total, std::string_view name, std::string_view outcome,
                         double elapsed_s) {
  std::string line = "[";
  line += std::to_string(done);
  line += '/';
  line += std::to_string(total);
  line += "] ";
  line += name;
  line += ": ";
  line += outcome;
  line += " (elapsed " + Clock(elapsed_s) + ", left " + Clock(Left(done, total, elapsed_s)) + ")";
  return line;
}

Progress::Progress(std::ostream& out, bool terminal, bool quiet, int total)
    : out_(out),
      terminal_(terminal),
      quiet_(quiet),
      total_(total),
      start_(std::chrono::steady_clock::now()) {
  if (!quiet_ && terminal_) out_ << '\r' << ProgressBar(0, total_, 0, kBarWidth) << std::flush;
}

void Progress::Done(std::string_view name, std::string_view outcome, bool failed) {
  const std::lock_guard lock(mutex_);
  ++done_;
  if (quiet_) return;
  if (terminal_) {
    // The line wipes the bar with blanks; the bar is redrawn below it.
    const std::string bar = ProgressBar(done_, total_, Elapsed(), kBarWidth);
    if (failed) {
      std::string line = TerminalText(name);
      line += ": ";
      line += TerminalText(outcome);
      if (line.size() < bar.size()) line.append(bar.size() - line.size(), ' ');
      out_ << '\r' << line << '\n';
    }
    out_ << '\r' << bar << std::flush;
  } else {
    out_ << ProgressLine(done_, total_, TerminalText(name), TerminalText(outcome), Elapsed())
         << '\n'
         << std::flush;
  }
}

void Progress::Note(std::string_view line) {
  const std::lock_guard lock(mutex_);
  std::string text = TerminalText(line);
  if (terminal_ && !quiet_) {
    const std::string bar = ProgressBar(done_, total_, Elapsed(), kBarWidth);
    if (text.size() < bar.size()) text.append(bar.size() - text.size(), ' ');
    out_ << '\r' << text << '\n' << '\r' << bar << std::flush;
  } else {
    out_ << text << '\n' << std::flush;
  }
}

void Progress::Finish() {
  const std::lock_guard lock(mutex_);
  if (!quiet_ && terminal_) out_ << '\n' << std::flush;
}

double Progress::Elapsed() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

}  // namespace orvello::batch
