#include "batch/record.h"

namespace orvello::batch {

std::string_view StatusName(Status status) {
  switch (status) {
    case Status::kMeasured:
      return "measured";
    case Status::kBadRow:
      return "bad-row";
    case Status::kUnknownCategory:
      return "unknown-category";
    case Status::kBadArguments:
      return "bad-arguments";
    case Status::kMissingFile:
      return "missing-file";
    case Status::kUnreadable:
      return "unreadable";
    case Status::kNoReference:
      return "no-reference";
    case Status::kImageNotWritten:
      return "image-not-written";
    case Status::kError:
      return "error";
  }
  return "error";
}

}  // namespace orvello::batch
