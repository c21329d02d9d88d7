#ifndef ORVELLO_TOOLS_COMMON_TOOL_H_
#define ORVELLO_TOOLS_COMMON_TOOL_H_

// The whole run of a measurement tool.

#include "common/category.h"

namespace orvello {

// Runs the tool of `category` on its command line: the version line, the
// arguments (or the category's defaults), the drawing, its measurement,
// then the tool's images, the water image and the results file in the
// current directory. Returns the exit status (kStatusDone,
// kStatusNoReference, kStatusBadArguments, kStatusUnreadable or
// kStatusWriteFailed).
int RunTool(const CategoryInfo& category, int argc, const char* const* argv);

}  // namespace orvello

#endif  // ORVELLO_TOOLS_COMMON_TOOL_H_
