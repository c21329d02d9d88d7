#ifndef ORVELLO_TOOLS_EXCHANGE_PROVENANCE_H_
#define ORVELLO_TOOLS_EXCHANGE_PROVENANCE_H_

// Where a result comes from: the program's version and the SHA-256 digest
// of the drawing it was measured on, so that a published figure can be
// traced back to its scan and its run.

#include <string>
#include <string_view>

namespace orvello::exchange {

// Returns the program's version, the project version of the build
// ("1.0.0.0").
std::string_view ProgramVersion();

// Returns the SHA-256 digest of `bytes`, 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);

// Returns the SHA-256 digest of the file at `path`, 64 lower-case
// hexadecimal digits, or "" when it is not a regular file (a FIFO or a
// device is never read) or cannot be read.
std::string Sha256File(const std::string& path);

}  // namespace orvello::exchange

#endif  // ORVELLO_TOOLS_EXCHANGE_PROVENANCE_H_
