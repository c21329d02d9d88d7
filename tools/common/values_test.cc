#include "common/values.h"

#include <gtest/gtest.h>

#include <set>

namespace orvello {
namespace {

TEST(ValueSchemaTest, EachValueHasOneEntryAndAUniqueKey) {
  std::set<std::string_view> keys;
  for (int i = 0; i < kValueCount; ++i) {
    const ValueSpec& spec = kValueSchema[i];
    EXPECT_EQ(static_cast<int>(spec.id), i) << spec.key;
    EXPECT_EQ(&Spec(spec.id), &spec) << spec.key;
    EXPECT_TRUE(keys.insert(spec.key).second) << spec.key;
    EXPECT_TRUE(spec.sections || spec.silhouette) << spec.key;
  }
}

TEST(ValueSchemaTest, CategoriesReportTheirValuesInResultsFileOrder) {
  static const struct {
    int category;
    std::vector<std::string_view> keys;
  } kCases[] = {
      {1,
       {"volume_cl", "liquid_height_cm", "total_height_cm", "opening_cm", "ratio", "base_cm",
        "rim_width_cm"}},
      {2,
       {"volume_cl", "liquid_height_cm", "total_height_cm", "opening_cm", "ratio", "base_cm",
        "rim_width_cm"}},
      {3, {"volume_cl", "height_cm", "opening_cm"}},
      {4, {}},
  };
  for (const auto& c : kCases) {
    std::vector<std::string_view> keys;
    for (const ValueSpec& spec : kValueSchema) {
      if (spec.In(c.category)) keys.push_back(spec.key);
    }
    EXPECT_EQ(keys, c.keys) << "category " << c.category;
  }
}

TEST(FormatResultsTest, WritesLabelValueUnitOfThePresentValuesInTableOrder) {
  ResultValues silhouette;
  silhouette.Set(ValueId::kOpening, 10.2);
  silhouette.Set(ValueId::kVolume, 12.5);
  silhouette.Set(ValueId::kHeight, 8.3);
  EXPECT_EQ(FormatResults(silhouette),
            "Volume : 12.5 cL\nHauteur  : 8.3 cm\nDiametre ouverture : 10.2 cm\n");

  ResultValues section;
  section.Set(ValueId::kVolume, 1);
  section.Set(ValueId::kLiquidHeight, 2);
  section.Set(ValueId::kTotalHeight, 3);
  section.Set(ValueId::kOpening, 4);
  section.Set(ValueId::kRatio, 5);
  section.Set(ValueId::kBase, 6);
  section.Set(ValueId::kRimWidth, 7);
  EXPECT_EQ(FormatResults(section),
            "Volume : 1 cL\n"
            "Hauteur du liquide : 2 cm\n"
            "Hauteur totale : 3 cm\n"
            "Diametre ouverture : 4 cm\n"
            "Rapport Diametre de l'ouverture / Hauteur totale : 5\n"
            "Diametre du fond : 6 cm\n"
            "Largeur moyenne du bord :7 cm\n");
  EXPECT_EQ(FormatResults(ResultValues()), "");
}

TEST(FormatValueTest, SixSignificantDigits) {
  static const struct {
    double value;
    const char* text;
  } kCases[] = {
      {1234567.0, "1.23457e+06"},
      {123456.7, "123457"},
      {0.0001234567, "0.000123457"},
      {0.00001234567, "1.23457e-05"},
      {2.0, "2"},
      {0.1 + 0.2, "0.3"},
      {0, "0"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(FormatValue(c.value), c.text) << "value " << c.value;
    ResultValues values;
    values.Set(ValueId::kRatio, c.value);
    EXPECT_EQ(FormatResults(values),
              std::string("Rapport Diametre de l'ouverture / Hauteur totale : ") + c.text + "\n")
        << "value " << c.value;
  }
}

}  // namespace
}  // namespace orvello
