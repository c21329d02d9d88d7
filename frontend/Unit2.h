#ifndef ORVELLO_FRONTEND_UNIT2_H_
#define ORVELLO_FRONTEND_UNIT2_H_

// The new-image dialog: drawing file, resolution, scale and category of one
// measurement, stored into the run state of Unit1.

#include <QDialog>

#include "Prompts.h"
#include "ui_Unit2.h"

namespace orvello {

class TForm2 : public QDialog, public Ui::TForm2 {
  Q_OBJECT

 public:
  // Creates the dialog, hidden; it asks for the file and tells its messages
  // through `prompts`.
  explicit TForm2(Prompts prompts, QWidget* parent = nullptr);

  // Resets the inputs: resolution 300, scale "1", "Non choisi", no category.
  // Runs each time the dialog is shown.
  void FormShow();

  // "Parcourir": lets the user choose the drawing; a confirmed choice goes
  // into chemin_image and Label1, a cancelled one changes nothing. Label6
  // then tells the resolution that the file records, if any.
  void Button1Click();

  // "OK": checks that a drawing was chosen, that the scale converts and that
  // a category is checked, in that order, telling the first failure and
  // keeping the dialog open. When the file records a resolution (within the
  // field's bounds) other than the field's, asks which one to use: the
  // file's (the field then shows it), the typed one, or neither (the dialog
  // stays open). When all pass, stores echelle, resolution and categorie,
  // clears cancel and closes the dialog. The scale is stored as soon as it
  // converts, before the category is checked.
  void Button2Click();

  // "Annuler": sets cancel and closes the dialog. A close by the window
  // manager does the same.
  void Button3Click();

  // Closing the dialog in any other way than "OK" counts as "Annuler".
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  Prompts prompts_;
};

}  // namespace orvello

#endif  // ORVELLO_FRONTEND_UNIT2_H_
