#ifndef ORVELLO_FRONTEND_CALC_H_
#define ORVELLO_FRONTEND_CALC_H_

// The front end's arithmetic and texts, kept apart from the widgets so that
// they can be checked without a window.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
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

// As ZoomSize, at a zoom of `percent` that need not be whole.
QSize ZoomSize(QSize size, double percent);

// Returns the largest zoom in percent at which `image` fits in `area`
// whole, keeping its proportions; 100 for an empty image or area.
double FitZoom(QSize image, QSize area);

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
// optional exponent ("e" or "E", optional sign, digits); or a ratio as
// scales are printed on plates, two such numbers without sign joined by ":"
// or "/" (blanks around it allowed), read as the first divided by the
// second ("1:3" and "1/3" are one third). Refused: anything else (an empty
// text, letters, blanks or a second separator inside, group separators), a
// ratio over zero, and values that overflow.
std::optional<double> ParseScale(const QString& text);

// Returns the resolution that the field holding `text` stands for: the text
// read as a whole number, or kResolutionMin when it is not one, brought
// within kResolutionMin and kResolutionMax.
int ResolutionValue(const QString& text);

// Returns the path of the measurement tool for drawing category `categorie`
// in `program_dir` (which ends with "/"): the program of category
// `categorie`, and of category 2 for any other value.
QString ToolProgram(const QString& program_dir, int categorie);

// Returns the path of the batch program in `program_dir` (which ends with
// "/"): "orvello-batch".
QString BatchProgram(const QString& program_dir);

// Returns `position` + `step`, kept within `minimum` and `maximum`.
// REQUIRES: minimum <= maximum.
int WheelStep(int position, int step, int minimum, int maximum);

// How a tool's process ended.
struct ToolRun {
  bool started = false;    // false: the program could not be started
  bool crashed = false;    // ended by a signal or an abnormal exit
  bool cancelled = false;  // ended by the user's "Annuler"
  int exit_status = 0;     // when crashed: the signal's number, if known
  QByteArray output;       // everything the tool wrote on standard output
};

// Returns the usual name of signal `number` ("SIGSEGV" for 11 on Linux), or
// an empty text for a signal without a usual name.
QString SignalName(int number);

// Returns the last line of `output` that holds more than blanks, decoded as
// UTF-8 and without its line end; empty when there is none.
QString LastLine(const QByteArray& output);

// Returns the message for a run of `program` that ended as `run`, or an
// empty text when it succeeded (started, not crashed, status 0) or was
// cancelled. A start failure gives "Impossible de lancer " and the
// program's path; a crash "Erreur ! le programme de mesure s'est arrêté
// anormalement (signal N, NAME) : " and the path, whatever the tool wrote
// before; otherwise the tool's last line of output, or, when it wrote
// none, a line saying how the program ended.
QString RunFailure(const QString& program, const ToolRun& run);

// Returns the message for a file at `path` that could not be opened because
// of `cause`: "Impossible d'ouvrir le fichier "<path>". <cause>".
QString OpenFailure(const QString& path, const QString& cause);

// Returns the message for an image file at `path` that could not be decoded
// because of `cause`: "Impossible de lire l'image "<path>". <cause>".
QString DecodeFailure(const QString& path, const QString& cause);

// Returns the message for a results file at `path` that holds nothing.
QString EmptyResults(const QString& path);

// Returns the resolution in dots per inch, rounded to a whole number, that
// the image file starting with `bytes` records in its header: a PNG's pHYs
// chunk (in metres), a JPEG's JFIF density (in inches or centimetres), a
// TIFF's XResolution with its ResolutionUnit (inches when absent), a BMP's
// horizontal pixels per metre. Returns nullopt when the file records none,
// records it without a unit, or is not one of these formats; never reads
// outside `bytes`.
std::optional<int> RecordedResolution(QByteArrayView bytes);

// Returns RecordedResolution of the regular file at `path`, reading it
// without decoding the image; nullopt when it is missing, not a regular
// file or cannot be read.
std::optional<int> FileResolution(const QString& path);

// Returns "Le fichier indique <recorded> ppp ; vous avez saisi <typed>
// ppp.".
QString ResolutionMismatch(int recorded, int typed);

// Returns the text of a number written with "." by the tools or the batch
// with its decimal separator made "," (for French texts and spreadsheets).
QString FrenchNumber(const QString& c_number);

// Returns the value text of the first line of a results file, "Volume : "
// then a number then " cL", as the tool wrote it ("48.5971"); empty when
// the first line is not one.
QString VolumeText(const QString& results);

// The profile measurement of a drawing, as the batch writes it in its
// results.json under the refined_* keys.
struct ProfileMeasure {
  QString status;                       // refined_status, as written
  std::optional<double> capacity_cl;    // refined_capacity_cl
  std::optional<double> low_cl;         // refined_capacity_low_cl
  std::optional<double> high_cl;        // refined_capacity_high_cl
  QString confidence;                   // confidence, as a text
  QStringList warnings;                 // warnings, one text each
  QString overlay_image;                // overlay_image, relative to the output folder
  QString refusal;                      // refined_refusal: why it was refused
  std::optional<double> solid_cl;       // refined_solid_cl: the whole vessel's volume
  std::optional<double> solid_low_cl;   // refined_solid_low_cl
  std::optional<double> solid_high_cl;  // refined_solid_high_cl
};

// Returns the profile measurement of the first drawing of the batch's
// results.json text `json`; nullopt when the text is not such a file or the
// drawing has no refined_status key.
std::optional<ProfileMeasure> ReadProfile(const QByteArray& json);

// Returns the profile measurement as shown beside the tool's results, in
// French words: its state (with the reason of a refusal, as the batch
// wrote it), the capacity with its range (and the whole vessel's volume
// with its range, when given), the confidence and the warnings;
// "Mesure du profil indisponible." when `measure` is nullopt.
QString ProfileText(const std::optional<ProfileMeasure>& measure);

// Returns the French words for the confidence `confidence` of a profile
// measurement ("bonne" for "ok", "à vérifier" for "check", a fraction 0.82
// as "82 %"); an unknown word with its hyphens and underscores as blanks.
QString ConfidenceWords(const QString& confidence);

// Returns the French sentence for the warning code `code` of a profile
// measurement ("le contour a des lacunes, qui ont été comblées" for
// "open-outline"); an unknown code with its hyphens and underscores as
// blanks.
QString WarningWords(const QString& code);

// One measurement of the session, one row of the session's table. The
// numbers are texts with "." as decimal separator, empty when unknown.
struct SessionRow {
  QString file;  // the drawing's full path
  int category = 0;
  int dpi = 0;
  QString scale;                // ScaleText of the scale
  QString tool_capacity_cl;     // the tool's volume, as it wrote it
  QString profile_capacity_cl;  // the profile measurement's capacity
  QString confidence;           // in French words
  QString state;                // "mesuré", "échec : ...", "annulé", "en cours"
};

// The column titles of the session's table, in the order of SessionRow.
QStringList SessionColumns();

// Returns the fields of `row` in the order of SessionColumns, numbers with
// "." (or with "," when `french`).
QStringList SessionFields(const SessionRow& row, bool french);

// The two forms of the session's CSV file.
enum class CsvForm {
  kPlain,              // "," between fields, "." in numbers, UTF-8
  kFrenchSpreadsheet,  // ";" between fields, "," in numbers, UTF-8 with BOM
};

// Returns the CSV file of `rows` in `form`: a title line (SessionColumns)
// then one line per row, each ended by CR LF. A field holding the field
// separator, a double quote or a line end is put in double quotes, with
// its quotes doubled; a field starting with "=", "+", "-", "@", a tab or a
// carriage return gets a leading "'" so that spreadsheets read it as text.
QByteArray SessionCsv(const QList<SessionRow>& rows, CsvForm form);

// Returns the manifest of one drawing for the batch: its title line
// "file,category,dpi,scale" and one row, the path quoted as CSV needs.
QByteArray OneRowManifest(const QString& path, int category, int dpi, const QString& scale);

}  // namespace orvello

#endif  // ORVELLO_FRONTEND_CALC_H_
