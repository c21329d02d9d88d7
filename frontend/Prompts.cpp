#include "Prompts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace orvello {
namespace {

// The picture formats offered first, then one entry per format.
constexpr char kPictureFilter[] =
    "Toutes les images (*.jpg *.jpeg *.tif *.tiff *.bmp *.png);;"
    "Image JPEG (*.jpg *.jpeg);;"
    "Image TIFF (*.tif *.tiff);;"
    "Bitmap (*.bmp);;"
    "Image PNG (*.png);;"
    "Tous les fichiers (*)";

void ShowMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon) {
  QMessageBox box(icon, QString::fromUtf8(kMessageCaption), text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace

Prompts WidgetPrompts() {
  return Prompts{
      .choose_picture =
          [](QWidget* parent) {
            return QFileDialog::getOpenFileName(parent, QStringLiteral("Ouvrir"), QString(),
                                                QString::fromUtf8(kPictureFilter));
          },
      .tell = [](QWidget* parent,
                 const QString& text) { ShowMessage(parent, text, QMessageBox::NoIcon); },
      .warn = [](QWidget* parent,
                 const QString& text) { ShowMessage(parent, text, QMessageBox::Critical); },
      .ask =
          [](QWidget* parent, const QString& text, const QStringList& choices) {
            QMessageBox box(QMessageBox::Question, QString::fromUtf8(kMessageCaption), text,
                            QMessageBox::NoButton, parent);
            QList<QAbstractButton*> buttons;
            for (const QString& choice : choices) {
              buttons << box.addButton(choice, QMessageBox::AcceptRole);
            }
            if (!buttons.isEmpty()) box.setDefaultButton(static_cast<QPushButton*>(buttons[0]));
            box.exec();
            return static_cast<int>(buttons.indexOf(box.clickedButton()));
          },
      .choose_table_file =
          [](QWidget* parent) {
            const QString plain = QStringLiteral("CSV (séparateur « , », décimales « . ») (*.csv)");
            const QString french =
                QStringLiteral("CSV tableur français (séparateur « ; », décimales « , ») (*.csv)");
            QString chosen_filter;
            QString path = QFileDialog::getSaveFileName(
                parent, QStringLiteral("Enregistrer le tableau des mesures"),
                QStringLiteral("mesures.csv"), plain + QStringLiteral(";;") + french,
                &chosen_filter);
            if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
              path += QStringLiteral(".csv");
            }
            return std::pair<QString, bool>(path, chosen_filter == french);
          },
  };
}

}  // namespace orvello
