#ifndef ORVELLO_FRONTEND_FORMTESTING_H_
#define ORVELLO_FRONTEND_FORMTESTING_H_

// Test support for the forms: prompts that answer from a list and record
// what they were told, a run driven through the dialog, and a program
// directory to run tools in.

#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "Prompts.h"
#include "SpinEdit.h"
#include "Unit1.h"
#include "Unit2.h"

namespace orvello::testing {

// Prompts whose file dialog answers with the front of `pictures` (an empty
// text, or an empty list, is a cancelled dialog), whose questions answer
// with the front of `answers` (-1, a closed question, when empty), and
// whose message boxes only record their texts.
class FakePrompts {
 public:
  QStringList pictures;
  QList<int> answers;
  QStringList told;            // texts of plain message boxes, in order
  QStringList warned;          // texts of error message boxes, in order
  QStringList asked;           // texts of questions, in order
  QList<QStringList> choices;  // the choices of each question
  // The answer of the table's save dialog: a path ("" cancels) and whether
  // the French spreadsheet form is chosen.
  std::pair<QString, bool> table_file;

  // Returns prompts that act on this object, which must outlive them.
  Prompts Make() {
    return Prompts{
        .choose_picture =
            [this](QWidget*) { return pictures.isEmpty() ? QString() : pictures.takeFirst(); },
        .tell = [this](QWidget*, const QString& text) { told << text; },
        .warn = [this](QWidget*, const QString& text) { warned << text; },
        .ask =
            [this](QWidget*, const QString& text, const QStringList& offered) {
              asked << text;
              choices << offered;
              return answers.isEmpty() ? -1 : answers.takeFirst();
            },
        .choose_table_file = [this](QWidget*) { return table_file; },
    };
  }
};

// Puts the run state back as it is before the first run.
inline void ResetRunState() {
  chemin_image.clear();
  echelle = 0;
  resolution = 0;
  categorie = 0;
  cancel = false;
  ze_jpeg.clear();
  ze_bitmap = QImage();
  draw_bitmap = QImage();
}

// A main window that asks and tells through fake prompts, created with the
// run state as it is before the first run.
struct Window {
  Window() : form((ResetRunState(), prompts.Make())) {}

  FakePrompts prompts;
  TForm1 form;
};

// Types `text` into the resolution field in place of its content.
inline void TypeResolution(TSpinEdit* field, const QString& text) {
  field->selectAll();
  QTest::keyClick(field, Qt::Key_Delete);
  QTest::keyClicks(field, text);
}

// What the user gives the dialog in one showing.
struct DialogInput {
  QString picture;  // "" chooses nothing
  QString resolution = "300";
  QString scale = "1";
  int category = 3;     // 0 checks none
  bool cancel = false;  // "Annuler" instead of "OK"
};

// Returns the radio button of `category` (1 to 3) in `dialog`.
inline QRadioButton* CategoryButton(TForm2& dialog, int category) {
  QRadioButton* buttons[] = {dialog.RadioButton1, dialog.RadioButton2, dialog.RadioButton3};
  return buttons[category - 1];
}

// Fills the shown `dialog` with `input` and closes it with "OK" or
// "Annuler"; an "OK" that the dialog refuses is followed by "Annuler", so
// that a modal showing always ends.
inline void FillDialog(TForm2& dialog, FakePrompts& prompts, const DialogInput& input) {
  if (!input.picture.isEmpty()) {
    prompts.pictures << input.picture;
    dialog.Button1Click();
  }
  TypeResolution(dialog.SpinEdit1, input.resolution);
  dialog.Edit1->setText(input.scale);
  if (input.category != 0) CategoryButton(dialog, input.category)->setChecked(true);
  if (input.cancel) {
    dialog.Button3Click();
  } else {
    dialog.Button2Click();
  }
  if (dialog.isVisible()) dialog.Button3Click();
}

// Runs "Nouvelle image" on `form`, answering its modal dialog with `input`,
// and returns once the run has started (or did not start).
inline void StartThroughDialog(TForm1& form, FakePrompts& prompts, const DialogInput& input) {
  QTimer::singleShot(0, &form, [&] { FillDialog(*form.Form2, prompts, input); });
  form.Button1Click();
}

// Waits until the run of `form` has ended, if one goes on.
inline void WaitForRun(TForm1& form) {
  if (!form.Running()) return;
  QSignalSpy ended(&form, &TForm1::RunEnded);
  QVERIFY(ended.wait(120'000));
  QVERIFY(!form.Running());
}

// As StartThroughDialog, then waits until the run has ended.
inline void RunThroughDialog(TForm1& form, FakePrompts& prompts, const DialogInput& input) {
  StartThroughDialog(form, prompts, input);
  WaitForRun(form);
}

// A temporary program directory for a run.
class ProgramDir {
 public:
  // Returns the directory's path ending with "/", as chemin_appli holds it.
  QString Path() const { return dir_.path() + QLatin1Char('/'); }

  // Writes the file `name` in the directory with `bytes` and, when
  // `executable`, makes it executable by its owner.
  void Write(const QString& name, const QByteArray& bytes, bool executable = false) const {
    QFile file(Path() + name);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.fileName()));
    file.write(bytes);
    file.close();
    if (executable) {
      file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }
  }

  // Returns whether the file `name` exists in the directory.
  bool Has(const QString& name) const { return QFile::exists(Path() + name); }

 private:
  QTemporaryDir dir_;
};

}  // namespace orvello::testing

#endif  // ORVELLO_FRONTEND_FORMTESTING_H_
