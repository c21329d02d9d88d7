#ifndef ORVELLO_TOOLS_COMMON_VALUES_H_
#define ORVELLO_TOOLS_COMMON_VALUES_H_

// The values a measurement reports, in one table: each value's id, its key
// in the batch's CSV and JSON, its label and unit in the results file, and
// the categories that report it. The results file, the batch's outputs and
// the tests all go through this table.

#include <array>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace orvello {

enum class ValueId {
  kVolume,
  kLiquidHeight,
  kTotalHeight,
  kHeight,
  kOpening,
  kRatio,
  kBase,
  kRimWidth
};

inline constexpr int kValueCount = 8;

// One value of the table. `label` and `unit` are written around the value
// in the results file, exactly as given ("" for no unit).
struct ValueSpec {
  ValueId id;
  std::string_view key;    // batch CSV column and JSON key
  std::string_view label;  // results-file label
  std::string_view unit;   // results-file unit
  std::string_view title;  // the report's English name
  bool sections;           // reported for categories 1 and 2
  bool silhouette;         // reported for category 3

  // Returns true when drawings of `category` report this value.
  constexpr bool In(int category) const {
    return category == 3 ? silhouette : (category == 1 || category == 2) && sections;
  }
};

// Every value, in the order of the results file and of the batch's columns:
// a category's results file lists its values in this order.
inline constexpr std::array<ValueSpec, kValueCount> kValueSchema = {{
    {ValueId::kVolume, "volume_cl", "Volume : ", " cL", "Volume", true, true},
    {ValueId::kLiquidHeight, "liquid_height_cm", "Hauteur du liquide : ", " cm", "Liquid height",
     true, false},
    {ValueId::kTotalHeight, "total_height_cm", "Hauteur totale : ", " cm", "Total height", true,
     false},
    {ValueId::kHeight, "height_cm", "Hauteur  : ", " cm", "Height", false, true},
    {ValueId::kOpening, "opening_cm", "Diametre ouverture : ", " cm", "Opening diameter", true,
     true},
    {ValueId::kRatio, "ratio", "Rapport Diametre de l'ouverture / Hauteur totale : ", "",
     "Opening / total height", true, false},
    {ValueId::kBase, "base_cm", "Diametre du fond : ", " cm", "Base diameter", true, false},
    {ValueId::kRimWidth, "rim_width_cm", "Largeur moyenne du bord :", " cm", "Mean rim width", true,
     false},
}};

// Returns the table entry of `id`.
constexpr const ValueSpec& Spec(ValueId id) { return kValueSchema[static_cast<int>(id)]; }

// The values of one measurement, by id; a value not set is absent.
class ResultValues {
 public:
  ResultValues() = default;
  // The values given, by id.
  ResultValues(std::initializer_list<std::pair<ValueId, double>> values) {
    for (const auto& [id, value] : values) Set(id, value);
  }

  void Set(ValueId id, double value) { values_[static_cast<int>(id)] = value; }
  bool Has(ValueId id) const { return values_[static_cast<int>(id)].has_value(); }
  // Returns the value of `id`, or nothing when it is absent.
  std::optional<double> Find(ValueId id) const { return values_[static_cast<int>(id)]; }
  // Returns the value of `id`. REQUIRES: Has(id).
  double Get(ValueId id) const { return *values_[static_cast<int>(id)]; }
  bool empty() const;

  bool operator==(const ResultValues&) const = default;

 private:
  std::array<std::optional<double>, kValueCount> values_;
};

// Returns `value` in the stream's default formatting: six significant
// digits, as the results file writes it ("12.5", "3.14159", "1e+06").
std::string FormatValue(double value);

// Returns the text of the results file: for each value present, in table
// order, one line of label, value (FormatValue) and unit.
std::string FormatResults(const ResultValues& values);

}  // namespace orvello

#endif  // ORVELLO_TOOLS_COMMON_VALUES_H_
