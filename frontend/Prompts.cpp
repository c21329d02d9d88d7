#include "Prompts.h"

#include <QFileDialog>
#include <QMessageBox>

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
  };
}

}  // namespace orvello
