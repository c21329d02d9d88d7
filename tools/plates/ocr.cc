#include "plates/ocr.h"

#include <tesseract/baseapi.h>

#include <algorithm>
#include <cctype>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace orvello::plates {
namespace {

class OcrReader : public TextReader {
 public:
  explicit OcrReader(std::string* warning) {
    // The engine's own messages (resolution guesses) stay off the console.
    if (api_.Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY) != 0) {
      if (warning) {
        *warning =
            "the OCR engine's English data cannot be loaded (install tesseract-ocr-eng): "
            "catalogue numbers and bar labels are not read";
      }
      return;
    }
    api_.SetVariable("debug_file", "/dev/null");
    api_.SetPageSegMode(tesseract::PSM_SINGLE_LINE);
    ready_ = true;
  }
  ~OcrReader() override { api_.End(); }

  bool Available() const override { return ready_; }

  std::string ReadLine(const cv::Mat& grey, bool digits_only) override {
    if (!ready_ || grey.empty()) return "";
    // The line cut to its ink, then read with its letters at three heights
    // the engine reads well: the reading most of them agree on, else the
    // first.
    cv::Mat ink;
    cv::threshold(grey, ink, 0, 255, cv::THRESH_BINARY_INV | cv::THRESH_OTSU);
    cv::Mat points;
    cv::findNonZero(ink, points);
    if (points.empty()) return "";
    const cv::Rect box = cv::boundingRect(points);
    api_.SetVariable("tessedit_char_whitelist", digits_only ? "0123456789.,cm " : "");
    api_.SetVariable("user_defined_dpi", "300");
    std::vector<std::string> readings;
    for (const double height : {36.0, 28.0, 48.0}) {
      cv::Mat line;
      const double factor = height / box.height;
      cv::resize(grey(box), line, cv::Size(), factor, factor,
                 factor < 1 ? cv::INTER_AREA : cv::INTER_CUBIC);
      cv::threshold(line, line, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
      const int border = static_cast<int>(height * 0.6);
      cv::copyMakeBorder(line, line, border, border, border, border, cv::BORDER_CONSTANT,
                         cv::Scalar(255));
      api_.SetImage(line.data, line.cols, line.rows, 1, static_cast<int>(line.step));
      char* text = api_.GetUTF8Text();
      std::string out = text ? text : "";
      delete[] text;
      auto space = [](unsigned char c) { return std::isspace(c) != 0; };
      while (!out.empty() && space(out.back())) out.pop_back();
      size_t start = 0;
      while (start < out.size() && space(out[start])) ++start;
      readings.push_back(out.substr(start));
    }
    for (const std::string& reading : readings) {
      if (!reading.empty() && std::count(readings.begin(), readings.end(), reading) >= 2) {
        return reading;
      }
    }
    for (const std::string& reading : readings) {
      if (!reading.empty()) return reading;
    }
    return "";
  }

 private:
  tesseract::TessBaseAPI api_;
  bool ready_ = false;
};

}  // namespace

std::unique_ptr<TextReader> MakeOcrReader(std::string* warning) {
  return std::make_unique<OcrReader>(warning);
}

}  // namespace orvello::plates
