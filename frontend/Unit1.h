#ifndef ORVELLO_FRONTEND_UNIT1_H_
#define ORVELLO_FRONTEND_UNIT1_H_

// The main window, the measurement run behind "Nouvelle image", and the run
// state that the new-image dialog fills in and the run reads.

#include <QByteArray>
#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "Calc.h"
#include "Prompts.h"
#include "ui_Unit1.h"

class QProcess;
class QTemporaryDir;

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

// The display chain: the shown image's bytes as read from its file, decoded
// once into ze_bitmap at full size; draw_bitmap is ze_bitmap at the current
// zoom (up to 100 %), the one painted. All three are empty when nothing is
// shown.
extern QByteArray ze_jpeg;
extern QImage ze_bitmap;
extern QImage draw_bitmap;

// Starts `program` with `arguments` (each passed as it is, no shell) in the
// working directory `working_directory`, with no input, and returns at
// once. `on_end` is called on the calling thread once the process has ended
// or could not start, with how it ended and its standard output. Returns
// the process, a child of `owner` that deletes itself after `on_end`:
// killing it ends the run (`on_end` then sees a crash).
QProcess* LanceAppliAttenteFin(const QString& program, const QStringList& arguments,
                               const QString& working_directory, QObject* owner,
                               std::function<void(const ToolRun&)> on_end);

// Returns the folder under which runs get their working folders: the
// user's cache location for this program when it can be created, else the
// temporary folder.
QString RunsBase();

// Writes `bytes` to `path` whole: into a new temporary file created
// exclusively in the same folder, flushed, then renamed over `path` (a link
// there is replaced, never followed). Returns an empty text, or why the
// file could not be written, `path` then being as it was.
QString WriteFileWhole(const QString& path, const QByteArray& bytes);

// The main window: "Nouvelle image", the zoom, the results text and the
// zoomable water image; during a run "Annuler" and the elapsed time; the
// profile measurement beside the results, with a switch between the water
// image and the profile's overlay; the table of the session's measurements.
class TForm1 : public QWidget, public Ui::TForm1 {
  Q_OBJECT

 public:
  // Creates the window and, hidden, the new-image dialog; both ask and tell
  // through `prompts`.
  explicit TForm1(Prompts prompts, QWidget* parent = nullptr);
  ~TForm1() override;

  // The new-image dialog, owned by the window.
  TForm2* Form2;

  // Records the program directory in chemin_appli and centres the window.
  void FormCreate();

  // "Nouvelle image": asks for the run parameters and, unless the dialog
  // was cancelled, starts the run and returns while it goes on. The run
  // clears what was shown, runs the category's tool in a fresh working
  // folder under RunsBase(), then shows its water image at the zoom and its
  // results, then (with orvello-batch beside the tools) measures the profile
  // of the same drawing. Every outcome replaces what was shown: a failure
  // is told through `prompts.warn` and leaves nothing of an earlier run on
  // screen; Label3 and the window's title always name what is shown. Does
  // nothing while a run goes on.
  void Button1Click();

  // "Annuler" (also Escape): ends the running tool's process; nothing of
  // the cancelled tool is shown. Does nothing when no run goes on.
  void Button2Click();

  // "Ajuster": the zoom at which the whole image fits the visible area.
  void Button3Click();

  // "Enregistrer le tableau…": saves the session's table as CSV in the
  // form that the user chooses.
  void Button4Click();

  // The picture switch: the water image (RadioButton1) or the profile's
  // overlay (RadioButton2), at the same zoom.
  void RadioButton1Click();
  void RadioButton2Click();

  // Shows the track bar's position in Label1 and rebuilds draw_bitmap from
  // ze_bitmap at that zoom, then repaints the paint box.
  void TrackBar1Change();

  // Paints draw_bitmap unscaled at the paint box's corner, unless it is 10
  // pixels wide or less; above 100 %, paints ze_bitmap enlarged, smoothly.
  void PaintBox1Paint();

  // One wheel notch toward the user (down) or away from the user (up): moves
  // the vertical scroll bar by its line increment within its range.
  void ScrollBox1MouseWheelDown();
  void ScrollBox1MouseWheelUp();

  // Sets the zoom to `percent` of the image's size (between kZoomMin and
  // kZoomMax): Label1 shows it, the track bar follows up to 100 %.
  void SetZoom(double percent);

  // Returns the zoom in percent of the image's size.
  double Zoom() const { return zoom_; }

  // Returns whether a run goes on.
  bool Running() const { return process_ != nullptr; }

  // Returns the process of the running tool or batch, or nullptr.
  QProcess* RunningProcess() const { return process_; }

  // Returns the working folder of the last run, or an empty text.
  QString RunFolder() const;

  // Returns the session's measurements, one per run, oldest first.
  const QList<SessionRow>& Session() const { return session_; }

  // The zoom's bounds, in percent, for Ctrl + wheel and "Ajuster".
  static constexpr double kZoomMin = 1;
  static constexpr double kZoomMax = 800;

 signals:
  // Sent when a run has ended, whatever its outcome.
  void RunEnded();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // What a run measures.
  struct Params {
    QString path;
    int dpi = 0;
    double scale = 0;
    int category = 0;
  };

  void StartRun(const Params& params);
  void ToolEnded(const QString& program, const ToolRun& run);
  void ProfileEnded(const ToolRun& run);
  void StartProfile();
  // Leaves the busy state and tells that the run has ended.
  void EndRun();
  void SetBusy(bool busy);
  void ShowElapsed();
  // Empties the image, the values, the profile and the switch.
  void ClearDisplay();
  // Clears the display, says in Label3 and the title that the run of
  // `params_` failed, marks its row, and tells `message`.
  void Fail(const QString& message);
  // Reads and decodes the image at `path` into `bytes` and `image`. Returns
  // an empty text, or the message for why it cannot be shown.
  static QString ReadImage(const QString& path, QByteArray* bytes, QImage* image);
  // Makes `image` (read as `bytes`) the one shown, at the current zoom.
  void ShowImage(const QByteArray& bytes, const QImage& image);
  // Rebuilds draw_bitmap and the paint box's size from ze_bitmap at zoom_.
  void Rescale();
  void Paint(const QRect& area);
  void UpdateSessionRow(qsizetype row);
  // Returns "vase.tiff, 600 ppp, échelle 1, catégorie 3".
  QString Describe(const Params& params) const;
  // Sets the window's title: "Orvello", then what is shown and whether a
  // run goes on.
  void UpdateTitle();

  Prompts prompts_;
  int wheel_rest_ = 0;  // wheel rotation not yet worth a notch
  int zoom_rest_ = 0;   // Ctrl + wheel rotation not yet worth a notch
  double zoom_ = 20;    // percent of the image's own size

  Params params_;                           // the run going on or last run
  std::unique_ptr<QTemporaryDir> run_dir_;  // its working folder
  QProcess* process_ = nullptr;             // the tool or batch running
  bool cancelling_ = false;
  QElapsedTimer elapsed_;
  QTimer busy_timer_;
  QString busy_text_;

  bool shown_ = false;      // the display shows the results of params_
  QByteArray water_bytes_;  // the water image as shown after the run
  QImage water_;
  QString overlay_path_;  // the profile's overlay, when there is one

  QList<SessionRow> session_;
  qsizetype session_row_ = -1;  // the row of the current run
};

}  // namespace orvello

#endif  // ORVELLO_FRONTEND_UNIT1_H_
