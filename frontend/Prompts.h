#ifndef ORVELLO_FRONTEND_PROMPTS_H_
#define ORVELLO_FRONTEND_PROMPTS_H_

// The modal questions and messages of the front end, behind one seam so that
// the forms can run without a real file dialog or message box.

#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

class QWidget;

namespace orvello {

// The caption of every message box.
inline constexpr char kMessageCaption[] = "Orvello";

struct Prompts {
  // Lets the user choose a drawing file over `parent`. Returns its full path,
  // or an empty text when the user cancels.
  std::function<QString(QWidget* parent)> choose_picture;

  // Shows `text` over `parent` in a plain message box with one OK button and
  // returns once it has been dismissed.
  std::function<void(QWidget* parent, const QString& text)> tell;

  // As `tell`, with an error icon: for runs that failed.
  std::function<void(QWidget* parent, const QString& text)> warn;

  // Asks `text` over `parent` with one button per entry of `choices`.
  // Returns the index of the chosen entry, or -1 when the question is
  // closed without a choice.
  std::function<int(QWidget* parent, const QString& text, const QStringList& choices)> ask;

  // Lets the user choose where to save the session's table over `parent`,
  // and in which of the two CSV forms. Returns the path (empty when the
  // user cancels) and whether the French spreadsheet form was chosen.
  std::function<std::pair<QString, bool>(QWidget* parent)> choose_table_file;
};

// Returns prompts that open the open-picture dialog (a QFileDialog) and
// message boxes (QMessageBox) captioned kMessageCaption.
Prompts WidgetPrompts();

}  // namespace orvello

#endif  // ORVELLO_FRONTEND_PROMPTS_H_
