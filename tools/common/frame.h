#ifndef ORVELLO_TOOLS_COMMON_FRAME_H_
#define ORVELLO_TOOLS_COMMON_FRAME_H_

// The frame shared by the three measurement tools: command line, version
// line, loading, binarisation, pixel size, output images, results file,
// messages and exit statuses.

#include <opencv2/core.hpp>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/segment.h"

namespace orvello {

// Exit statuses of a run. kStatusUnreadable shows as 255 to the caller.
inline constexpr int kStatusDone = 0;
inline constexpr int kStatusUnreadable = -1;
inline constexpr int kStatusNoReference = 1;
inline constexpr int kStatusBadArguments = 2;
inline constexpr int kStatusWriteFailed = 3;

// Messages, written as UTF-8.
inline constexpr std::string_view kCannotReadImage = "Cannot read the image: ";
inline constexpr std::string_view kBadArgumentsMessage =
    "Erreur ! Résolution ou échelle incorrecte !";
inline constexpr std::string_view kNoOpeningMessage =
    "Erreur ! Impossible de déterminer l'ouverture !";
inline constexpr std::string_view kCannotOpenResults = "impossible d'ouvrir le fichier results.txt";
inline constexpr std::string_view kCannotWriteImage = "impossible d'écrire le fichier ";
inline constexpr std::string_view kNoVesselMessage = "Erreur ! Aucun vase trouvé dans l'image !";

inline constexpr char kResultsFileName[] = "results.txt";
inline constexpr char kWaterImageName[] = "eau.jpg";

// The constant the tools use for pi (eleven decimals, not full precision).
inline constexpr double kPi = 3.14159265359;

// The colour of the measured rows on the water image: blue, green, red, 0.
inline const cv::Scalar kWaterBlue(255, 0, 0, 0);
inline constexpr int kWaterThickness = 2;

// The run parameters of one tool run.
struct RunArgs {
  std::string image_path;
  double dpi = 0;
  double scale = 0;
};

// Returns the parameters from the command line when argc is exactly 4 (the
// program name and three arguments: path, dpi, scale; the numbers converted
// with atof in the "C" locale), and `defaults` for any other count.
RunArgs TakeArgs(int argc, const char* const* argv, const RunArgs& defaults);

// The pixel sizes, in centimetres, that a run accepts. Within them every
// value of a results file is finite and a volume does not vanish: its cube
// times the largest disc sum of a mask that fits in memory stays finite.
inline constexpr double kSmallestPixelSize = 1e-90;
inline constexpr double kLargestPixelSize = 1e90;

// Returns true when the dpi and the scale are both finite and greater than 0
// and their pixel size, 2.54 / scale / dpi, lies within the accepted range.
bool ArgsValid(const RunArgs& args);

// Returns "opencv version : " and the major and minor version of the OpenCV
// the tool was compiled against, for example "opencv version : 4.6".
std::string VersionLine();

// Writes `message` and a line end on standard output, then flushes.
void Say(std::string_view message);

// Says `message` and returns `status`, for the early ends of a run.
int Fail(std::string_view message, int status);

// The start of every run: its parameters and its drawing, or the status it
// ends with.
struct RunStart {
  RunArgs args;
  cv::Mat drawing;           // 8-bit BGR; empty when the run ends at once
  int status = kStatusDone;  // kStatusBadArguments or kStatusUnreadable
  bool ended() const { return drawing.empty(); }
};

// Writes the version line, takes the parameters (TakeArgs), refuses bad ones
// and loads the drawing, saying the message of the first failure.
RunStart StartRun(int argc, const char* const* argv, const RunArgs& defaults);

// Returns the drawing at `path` read in colour (8-bit BGR), or an empty
// matrix when it cannot be read. A JPEG file cut short (no end marker after
// its last scan) cannot be read: decoding it would invent the missing rows.
// A PNG file with transparency is laid on white paper, as it shows on
// screen, instead of showing its hidden colour.
cv::Mat LoadDrawing(const std::string& path);

// Returns true when `bytes` start like a JPEG file but end before the end
// marker that follows its last scan.
bool IsTruncatedJpeg(std::string_view bytes);

// Returns `colour` (8-bit BGR) laid over white paper with the coverage
// `alpha` (8-bit, one channel, same size): opaque pixels keep their value.
cv::Mat OnWhitePaper(const cv::Mat& colour, const cv::Mat& alpha);

// Returns true when `mask` has no paper at all: every pixel is 255. Such an
// image (an all-dark scan) holds no drawing.
bool AllInk(const cv::Mat& mask);

enum class Smoothing { kNone, kGaussian5x5 };

// Returns the binary mask of `drawing` (8-bit BGR): grey, optionally smoothed
// with a 5 x 5 Gaussian, Otsu threshold, inverted, so that ink is 255 and
// paper 0.
cv::Mat Binarise(const cv::Mat& drawing, Smoothing smoothing);

// Returns 300 / dpi: the factor by which offsets chosen for 300 dpi scale.
double ResolutionFactor(double dpi);

// Returns the length in centimetres of one pixel: 2.54 / scale / dpi.
double PixelSize(double dpi, double scale);

// Returns the volume in centilitres of `disc_sum` square pixels stacked one
// pixel high: pixel_size cubed times disc_sum, divided by 10.
double VolumeCl(double pixel_size, double disc_sum);

// Returns a deep copy of `drawing` with every row of `rows` drawn in blue at
// thickness 2.
cv::Mat WaterImage(const cv::Mat& drawing, const std::vector<Segment>& rows);

// Draws `row` on `image` in blue at thickness 2: the same pixels as
// row.draw(image, 2, kWaterBlue).
void DrawWaterRow(cv::Mat& image, const Segment& row);

// Returns the same image as above, drawn on `drawing` itself, which the
// caller gives up: a run's last use of the drawing saves the copy.
cv::Mat WaterImage(cv::Mat&& drawing, const std::vector<Segment>& rows);

// Writes `image` as JPEG (or by the extension of `name`) with default
// settings. When the image library reports failure, says kCannotWriteImage
// and the name, and returns false.
bool WriteImage(const std::string& name, const cv::Mat& image);

// Returns the status of a run that reached its end: kStatusDone when every
// image was written, else kStatusWriteFailed.
int EndStatus(bool images_written);

// One line of the results file: label, value, unit ("" for none).
struct ResultLine {
  std::string_view label;
  double value;
  std::string_view unit;
};

// Returns the text of the results file: one "label value unit" line per
// entry, the value in the stream's default formatting (six significant
// digits).
std::string FormatResults(std::span<const ResultLine> lines);

// Writes the results file `path` (text mode, replaced if present). When it
// cannot be opened, says kCannotOpenResults and returns false.
bool WriteResults(std::span<const ResultLine> lines, const std::string& path = kResultsFileName);

}  // namespace orvello

#endif  // ORVELLO_TOOLS_COMMON_FRAME_H_
