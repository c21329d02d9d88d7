#ifndef ORVELLO_TOOLS_BATCH_CLI_H_
#define ORVELLO_TOOLS_BATCH_CLI_H_

// The command line of orvello-batch.

#include <optional>
#include <ostream>

#include "batch/batch.h"

namespace orvello::batch {

// What the command line asks for: a batch to run, or the exit status of a
// run that ends here (help, or a command line that cannot be used, whose
// message has been written).
struct CommandLine {
  std::optional<BatchOptions> options;
  int status = 0;
};

// Returns the options of `argv`, writing help on `out` and errors on `err`.
// An error makes status kBatchUnusable.
CommandLine ParseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err);

// Runs orvello-batch with `argv` on the standard streams; returns its exit
// status.
int RunCommandLine(int argc, const char* const* argv);

}  // namespace orvello::batch

#endif  // ORVELLO_TOOLS_BATCH_CLI_H_
