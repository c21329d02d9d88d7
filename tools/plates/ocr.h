#ifndef ORVELLO_TOOLS_PLATES_OCR_H_
#define ORVELLO_TOOLS_PLATES_OCR_H_

// The text reader over the OCR engine's C++ interface (English data).

#include <memory>
#include <string>

#include "plates/plates.h"

namespace orvello::plates {

// Returns a reader of English text. When the engine's language data cannot
// be loaded the reader is not Available(), reads nothing, and `*warning`
// (when not null) says why.
std::unique_ptr<TextReader> MakeOcrReader(std::string* warning);

}  // namespace orvello::plates

#endif  // ORVELLO_TOOLS_PLATES_OCR_H_
