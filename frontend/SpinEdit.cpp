#include "SpinEdit.h"

#include "Calc.h"

namespace orvello {

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent) {
  setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QValidator::State TSpinEdit::validate(QString&, int&) const { return QValidator::Acceptable; }

int TSpinEdit::valueFromText(const QString& text) const { return ResolutionValue(text); }

}  // namespace orvello
