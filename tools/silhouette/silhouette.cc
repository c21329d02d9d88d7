#include "silhouette/silhouette.h"

#include <cmath>

#include "common/mask.h"

namespace orvello {

SilhouetteScan ScanSilhouette(const cv::Mat& mask) {
  SilhouetteScan scan;
  for (int i = 0; i < mask.rows; ++i) {
    const uchar* row = mask.ptr<uchar>(i);
    int left = -1;
    for (int x = 0; x < mask.cols; ++x) {
      if (row[x] == 255) {
        left = x;
        break;
      }
    }
    if (left < 0) continue;
    int right = mask.cols - 1;
    while (row[right] != 255) --right;

    if (!scan.found) scan.first_row = i;
    scan.found = true;
    scan.last_row = i;
    scan.opening_left = left;
    scan.opening_right = right;
    const Segment segment{cv::Point(left, i), cv::Point(right, i)};
    const double d = segment.length();
    scan.disc_sum += std::pow(d * 0.5, 2.0) * kPi;
    scan.rows.push_back(segment);
  }
  return scan;
}

SilhouetteValues SilhouetteResults(const SilhouetteScan& scan, double pixel_size) {
  SilhouetteValues values;
  values.volume_cl = VolumeCl(pixel_size, scan.disc_sum);
  values.height_cm = static_cast<double>(scan.last_row - scan.first_row + 1) * pixel_size;
  values.opening_cm = static_cast<double>(scan.opening_right - scan.opening_left + 1) * pixel_size;
  return values;
}

ResultValues ToValues(const SilhouetteValues& v) {
  ResultValues values;
  values.Set(ValueId::kVolume, v.volume_cl);
  values.Set(ValueId::kHeight, v.height_cm);
  values.Set(ValueId::kOpening, v.opening_cm);
  return values;
}

SilhouetteMeasurement MeasureSilhouetteDrawing(const cv::Mat& drawing, double dpi, double scale) {
  SilhouetteMeasurement m;
  m.mask = Binarise(drawing, Smoothing::kGaussian5x5);
  if (AllInk(m.mask)) {
    m.failure = Failure::kNoVessel;
    return m;
  }
  m.scan = ScanSilhouette(m.mask);
  if (!m.scan.found) {
    m.failure = Failure::kNoVessel;
    return m;
  }
  m.values = SilhouetteResults(m.scan, PixelSize(dpi, scale));
  return m;
}

}  // namespace orvello
