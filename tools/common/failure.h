#ifndef ORVELLO_TOOLS_COMMON_FAILURE_H_
#define ORVELLO_TOOLS_COMMON_FAILURE_H_

// Why a measurement finds nothing to measure, and what the tools say then.

#include <string_view>

namespace orvello {

enum class Failure {
  kNone,          // measured
  kNoVessel,      // no ink, or no paper at all
  kNoMedianLine,  // category 2: no median line
  kNoLeftEdge,    // category 1: no section outline qualifies
  kNoOpening,     // categories 1, 2: no opening column
};

// Returns the message a tool says for `failure` before it ends with status
// 1, as UTF-8; "" for kNone.
constexpr std::string_view FailureMessage(Failure failure) {
  switch (failure) {
    case Failure::kNone:
      return "";
    case Failure::kNoVessel:
      return "Erreur ! Aucun vase trouvé dans l'image !";
    case Failure::kNoMedianLine:
      return "Erreur ! Impossible de déterminer la ligne médiane !";
    case Failure::kNoLeftEdge:
      return "erreur ! impossible de déterminer le bord gauche !";
    case Failure::kNoOpening:
      return "Erreur ! Impossible de déterminer l'ouverture !";
  }
  return "";
}

}  // namespace orvello

#endif  // ORVELLO_TOOLS_COMMON_FAILURE_H_
