#include "plates/ocr.h"

#include <tesseract/baseapi.h>

#include <algorithm>
#include <cctype>
#include <opencv2/imgproc.hpp>

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
    // Letters about 40 px tall, on a white border a letter wide.
    cv::Mat line;
    const double factor = std::clamp(40.0 / std::max(1, grey.rows), 0.25, 8.0);
    cv::resize(grey, line, cv::Size(), factor, factor, cv::INTER_AREA);
    cv::threshold(line, line, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    cv::copyMakeBorder(line, line, 30, 30, 30, 30, cv::BORDER_CONSTANT, cv::Scalar(255));
    api_.SetVariable("tessedit_char_whitelist", digits_only ? "0123456789.,cm " : "");
    api_.SetVariable("user_defined_dpi", "300");
    api_.SetImage(line.data, line.cols, line.rows, 1, static_cast<int>(line.step));
    char* text = api_.GetUTF8Text();
    std::string out = text ? text : "";
    delete[] text;
    auto space = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!out.empty() && space(out.back())) out.pop_back();
    size_t start = 0;
    while (start < out.size() && space(out[start])) ++start;
    return out.substr(start);
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
