#include "Unit2.h"

#include <QKeyEvent>
#include <QScreen>
#include <algorithm>
#include <utility>

#include "Calc.h"
#include "Unit1.h"

// The example pictures are compiled into the front end's library; this keeps
// them linked in.
static void InitExamplePictures() { Q_INIT_RESOURCE(Orvello); }

namespace orvello {

TForm2::TForm2(Prompts prompts, QWidget* parent) : QDialog(parent), prompts_(std::move(prompts)) {
  InitExamplePictures();
  setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(size());
  // Labels fit their captions; the category buttons grow to theirs when the
  // font is wider than the form was drawn for.
  for (QLabel* label : {Label1, Label2, Label3, Label4, Label5}) {
    label->adjustSize();
  }
  for (QRadioButton* button : {RadioButton1, RadioButton2, RadioButton3}) {
    button->resize(std::max(button->width(), button->sizeHint().width()), button->height());
  }
  connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm2::Button3Click);
}

void TForm2::FormShow() {
  SpinEdit1->setValue(kResolutionStart);
  Edit1->setText(QStringLiteral("1"));
  Label1->setText(QStringLiteral("Non choisi"));
  Label1->adjustSize();
  Label6->clear();
  for (QRadioButton* button : {RadioButton1, RadioButton2, RadioButton3}) {
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
  }
}

void TForm2::Button1Click() {
  const QString path = prompts_.choose_picture(this);
  if (path.isEmpty()) return;
  chemin_image = path;
  Label1->setText(path);
  Label1->adjustSize();
  const std::optional<int> recorded = FileResolution(path);
  Label6->setText(recorded ? QStringLiteral("Le fichier indique %1 ppp").arg(*recorded)
                           : QString());
}

void TForm2::Button2Click() {
  if (chemin_image.isEmpty()) {
    prompts_.tell(this, QStringLiteral("Erreur ! Veuillez sélectionner une image !"));
    return;
  }
  const std::optional<double> scale = ParseScale(Edit1->text());
  if (!scale) {
    prompts_.tell(this, QStringLiteral("Erreur ! Format d'échelle incorrect !"));
    return;
  }
  echelle = *scale;
  if (!RadioButton1->isChecked() && !RadioButton2->isChecked() && !RadioButton3->isChecked()) {
    prompts_.tell(this, QStringLiteral("Erreur ! Veuillez sélectionner une catégorie !"));
    return;
  }
  SpinEdit1->interpretText();
  const std::optional<int> recorded = FileResolution(chemin_image);
  if (recorded && *recorded >= kResolutionMin && *recorded <= kResolutionMax &&
      *recorded != SpinEdit1->value()) {
    const int typed = SpinEdit1->value();
    const int choice =
        prompts_.ask(this, ResolutionMismatch(*recorded, typed),
                     {QStringLiteral("Utiliser %1 ppp").arg(*recorded),
                      QStringLiteral("Garder %1 ppp").arg(typed), QStringLiteral("Annuler")});
    if (choice == 0) {
      SpinEdit1->setValue(*recorded);
    } else if (choice != 1) {
      return;
    }
  }
  resolution = SpinEdit1->value();
  categorie = RadioButton1->isChecked() ? 1 : RadioButton2->isChecked() ? 2 : 3;
  cancel = false;
  accept();
}

void TForm2::Button3Click() {
  cancel = true;
  QDialog::reject();
}

void TForm2::reject() { Button3Click(); }

void TForm2::showEvent(QShowEvent* event) {
  // A window that the window system shows again (after minimising) keeps
  // its inputs.
  if (!event->spontaneous()) {
    if (const QScreen* screen = this->screen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      move(frame.topLeft());
    }
    FormShow();
  }
  QDialog::showEvent(event);
}

void TForm2::keyPressEvent(QKeyEvent* event) {
  // Neither button is the cancel button: Escape leaves the dialog open.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace orvello
