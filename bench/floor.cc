// The floor a tool run is compared with: it only reads the drawing, converts
// it to grey and writes JPEG files of the grey and the colour image, as many
// as the tool writes (two, or four with "4").

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const cv::Mat drawing = cv::imread(argv[1], cv::IMREAD_COLOR);
  if (drawing.empty()) return 1;
  cv::Mat grey;
  cv::cvtColor(drawing, grey, cv::COLOR_BGR2GRAY);
  const bool four = argc > 2 && std::string(argv[2]) == "4";
  cv::imwrite("floor-grey.jpg", grey);
  cv::imwrite("floor-colour.jpg", drawing);
  if (four) {
    cv::imwrite("floor-grey2.jpg", grey);
    cv::imwrite("floor-colour2.jpg", drawing);
  }
  return 0;
}
