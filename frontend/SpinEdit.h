#ifndef ORVELLO_FRONTEND_SPINEDIT_H_
#define ORVELLO_FRONTEND_SPINEDIT_H_

#include <QSpinBox>

namespace orvello {

// A whole-number field with up and down arrows whose text may be anything
// while it is edited: it stands for ResolutionValue(text), and shows that
// value once the field loses the keyboard focus or its text is interpreted.
// The arrows step by one within the field's bounds.
class TSpinEdit : public QSpinBox {
  Q_OBJECT

 public:
  explicit TSpinEdit(QWidget* parent = nullptr);

 protected:
  QValidator::State validate(QString& input, int& pos) const override;
  int valueFromText(const QString& text) const override;
};

}  // namespace orvello

#endif  // ORVELLO_FRONTEND_SPINEDIT_H_
