// The front end: the main window of the measurement run.

#include <QApplication>

#include "Prompts.h"
#include "Unit1.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Orvello"));
  QApplication::setApplicationVersion(QStringLiteral(ORVELLO_VERSION));
  orvello::TForm1 form1(orvello::WidgetPrompts());
  form1.show();
  return QApplication::exec();
}
