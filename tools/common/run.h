#ifndef ORVELLO_TOOLS_COMMON_RUN_H_
#define ORVELLO_TOOLS_COMMON_RUN_H_

// The run of a measurement tool: command line, version line, messages on
// standard output, exit statuses, output images and the results file.

#include <opencv2/core.hpp>
#include <string>
#include <string_view>

#include "common/category.h"
#include "common/values.h"

namespace orvello {

// Messages, written as UTF-8.
inline constexpr std::string_view kCannotReadImage = "Cannot read the image: ";
inline constexpr std::string_view kBadArgumentsMessage =
    "Erreur ! Résolution ou échelle incorrecte !";
inline constexpr std::string_view kCannotOpenResults = "impossible d'ouvrir le fichier results.txt";
inline constexpr std::string_view kCannotWriteImage = "impossible d'écrire le fichier ";

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

// Returns true when the dpi and the scale are both finite and greater than 0
// and their pixel size, 2.54 / scale / dpi, lies within the accepted range
// (kSmallestPixelSize to kLargestPixelSize).
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

// Writes the version line, takes the parameters (TakeArgs, with the
// category's default input and arguments), refuses bad ones and loads the
// drawing, saying the message of the first failure.
RunStart StartRun(int argc, const char* const* argv, const CategoryInfo& category);

// Writes `image` as JPEG (or by the extension of `name`) with default
// settings. When the image library reports failure, says kCannotWriteImage
// and the name, and returns false.
bool WriteImage(const std::string& name, const cv::Mat& image);

// Returns the status of a run that reached its end: kStatusDone when every
// image was written, else kStatusWriteFailed.
int EndStatus(bool images_written);

// Writes the results file `path` (text mode, replaced if present) with the
// text of FormatResults. When it cannot be opened, says kCannotOpenResults
// and returns false.
bool WriteResults(const ResultValues& values, const std::string& path = kResultsFileName);

}  // namespace orvello

#endif  // ORVELLO_TOOLS_COMMON_RUN_H_
