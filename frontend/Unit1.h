#ifndef ORVELLO_FRONTEND_UNIT1_H_
#define ORVELLO_FRONTEND_UNIT1_H_

// The main window, the measurement run behind "Nouvelle image", and the run
// state that the new-image dialog fills in and the run reads.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "Calc.h"
#include "Prompts.h"
#include "ui_Unit1.h"

namespace orvello {

class TForm2;

// The run state, one per program. The dialog writes chemin_image, echelle,
// resolution, categorie and cancel; the run reads them once it has closed.
extern QString chemin_image;  // the chosen drawing; emptied by every run
extern QString chemin_appli;  // the program directory, ending with "/"
extern double echelle;        // drawing scale of the last accepted "OK"
extern int resolution;        // dots per inch of the last accepted "OK"
extern int categorie;         // drawing category (1, 2, 3) of that "OK"
extern bool cancel;           // true after "Annuler", false after "OK"

// The display chain: the water image's bytes as read from "eau.jpg", decoded
// once into ze_bitmap at full size; draw_bitmap is ze_bitmap at the current
// zoom, the one painted.
extern QByteArray ze_jpeg;
extern QImage ze_bitmap;
extern QImage draw_bitmap;

// Starts `program` with `arguments` (each passed as it is, no shell) in the
// working directory `working_directory`, and waits without time limit until
// its process has ended. Returns how it ended, with its standard output.
ToolRun LanceAppliAttenteFin(const QString& program, const QStringList& arguments,
                             const QString& working_directory);

// The main window: "Nouvelle image", the zoom, the results text and the
// zoomable water image.
class TForm1 : public QWidget, public Ui::TForm1 {
  Q_OBJECT

 public:
  // Creates the window and, hidden, the new-image dialog; both ask and tell
  // through `prompts`.
  explicit TForm1(Prompts prompts, QWidget* parent = nullptr);

  // The new-image dialog, owned by the window.
  TForm2* Form2;

  // Records the program directory in chemin_appli and centres the window.
  void FormCreate();

  // The measurement run: deletes the old results file, asks for the run
  // parameters, starts the category's tool in the program directory, waits
  // for it, then shows its water image at the zoom and its results. A tool
  // that could not start or failed, and a file that cannot be read, are
  // told through `prompts.warn`; the display then keeps what it showed.
  void Button1Click();

  // Shows the track bar's position in Label1 and rebuilds draw_bitmap from
  // ze_bitmap at that zoom, then repaints the paint box.
  void TrackBar1Change();

  // Paints draw_bitmap unscaled at the paint box's corner, unless it is 10
  // pixels wide or less.
  void PaintBox1Paint();

  // One wheel notch toward the user (down) or away from the user (up): moves
  // the vertical scroll bar by its line increment within its range.
  void ScrollBox1MouseWheelDown();
  void ScrollBox1MouseWheelUp();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Steps 8 to 13 of a run whose tool succeeded: the water image, the zoom,
  // the results text.
  void ShowOutputs();

  Prompts prompts_;
  int wheel_rest_ = 0;  // wheel rotation not yet worth a notch
};

}  // namespace orvello

#endif  // ORVELLO_FRONTEND_UNIT1_H_
