#ifndef ORVELLO_FRONTEND_CALC_H_
#define ORVELLO_FRONTEND_CALC_H_

// The front end's arithmetic and texts, kept apart from the widgets so that
// they can be checked without a window.

#include <QByteArray>
#include <QSize>
#include <QString>
#include <optional>

namespace orvello {

// The bounds and start value of the resolution field, in dots per inch.
inline constexpr int kResolutionMin = 100;
inline constexpr int kResolutionMax = 10000;
inline constexpr int kResolutionStart = 300;

// The scroll box's vertical line increment, in pixels, stepped once per
// wheel notch.
inline constexpr int kWheelLine = 8;

// One wheel notch, in the units of QWheelEvent::angleDelta().
inline constexpr int kWheelNotch = 120;

// Returns `length` times `position` / 100, rounded to the nearest integer,
// an exact half going to the even neighbour (50.5 gives 50, 51.5 gives 52).
// REQUIRES: length >= 0, 0 <= position <= 100.
int ZoomLength(int length, int position);

// Returns `size` with both sides passed through ZoomLength.
QSize ZoomSize(QSize size, int position);

// Returns the zoom label's text: "Zoom : ", the position, " %".
QString ZoomLabel(int position);

// Returns whether a zoomed image of `drawn` is painted: only when it is more
// than 10 pixels wide.
bool Paints(QSize drawn);

// Returns the paint box's size once `drawn` is shown: `drawn` when it is
// painted, else `current`, which the paint box then keeps.
QSize PaintBoxSize(QSize current, QSize drawn);

// Returns `scale` as the tools read it: general format with 15 significant
// digits, shortest form, "." as decimal separator, no group separator
// (1 gives "1", 0.5 gives "0.5", 1e-5 gives "1e-05").
QString ScaleText(double scale);

// Returns the scale typed in `text`, or nullopt when the text is refused.
// Characters of code 32 and below are dropped at both ends; "." and "," are
// both the decimal separator, whatever the locale. Accepted: an optional
// sign, digits with at most one separator and at least one digit, an
// optional exponent ("e" or "E", optional sign, digits). Refused: anything
// else (an empty text, letters, blanks or a second separator inside, group
// separators) and values that overflow.
std::optional<double> ParseScale(const QString& text);

// Returns the resolution that the field holding `text` stands for: the text
// read as a whole number, or kResolutionMin when it is not one, brought
// within kResolutionMin and kResolutionMax.
int ResolutionValue(const QString& text);

// Returns the path of the measurement tool for drawing category `categorie`
// in `program_dir` (which ends with "/"): the program of category
// `categorie`, and of category 2 for any other value.
QString ToolProgram(const QString& program_dir, int categorie);

// Returns `position` + `step`, kept within `minimum` and `maximum`.
// REQUIRES: minimum <= maximum.
int WheelStep(int position, int step, int minimum, int maximum);

// How a tool's process ended.
struct ToolRun {
  bool started = false;  // false: the program could not be started
  bool crashed = false;  // ended by a signal or an abnormal exit
  int exit_status = 0;   // meaningful when started and not crashed
  QByteArray output;     // everything the tool wrote on standard output
};

// Returns the last line of `output` that holds more than blanks, decoded as
// UTF-8 and without its line end; empty when there is none.
QString LastLine(const QByteArray& output);

// Returns the message for a run of `program` that ended as `run`, or an
// empty text when it succeeded (started, not crashed, status 0). A start
// failure gives "Impossible de lancer " and the program's path; otherwise
// the tool's last line of output, or, when it wrote none, a line saying how
// the program ended.
QString RunFailure(const QString& program, const ToolRun& run);

// Returns the message for a file at `path` that could not be opened because
// of `cause`: "Impossible d'ouvrir le fichier "<path>". <cause>".
QString OpenFailure(const QString& path, const QString& cause);

// Returns the message for an image file at `path` that could not be decoded
// because of `cause`: "Impossible de lire l'image "<path>". <cause>".
QString DecodeFailure(const QString& path, const QString& cause);

}  // namespace orvello

#endif  // ORVELLO_FRONTEND_CALC_H_
