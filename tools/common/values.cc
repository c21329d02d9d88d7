#include "common/values.h"

#include <algorithm>
#include <sstream>

namespace orvello {

bool ResultValues::empty() const {
  return std::none_of(values_.begin(), values_.end(), [](const auto& v) { return v.has_value(); });
}

std::string FormatValue(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

std::string FormatResults(const ResultValues& values) {
  std::ostringstream text;
  for (const ValueSpec& spec : kValueSchema) {
    if (const std::optional<double> value = values.Find(spec.id)) {
      text << spec.label << *value << spec.unit << '\n';
    }
  }
  return text.str();
}

}  // namespace orvello
