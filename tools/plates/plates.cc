#include "plates/plates.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>
#include <opencv2/imgproc.hpp>
#include <regex>

namespace orvello::plates {
namespace {

// A component's share of the plate, from the connected components' stats.
struct Component {
  int label = 0;
  cv::Rect box;
  int area = 0;
};

class UnionFind {
 public:
  explicit UnionFind(size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), 0); }
  size_t Find(size_t i) {
    while (parent_[i] != i) i = parent_[i] = parent_[parent_[i]];
    return i;
  }
  void Join(size_t a, size_t b) { parent_[Find(a)] = Find(b); }

 private:
  std::vector<size_t> parent_;
};

cv::Rect Grow(const cv::Rect& box, int by) {
  return cv::Rect(box.x - by, box.y - by, box.width + 2 * by, box.height + 2 * by);
}

// Returns the distance between two boxes (0 when they touch or overlap).
double BoxDistance(const cv::Rect& a, const cv::Rect& b) {
  const int dx = std::max({0, b.x - a.br().x, a.x - b.br().x});
  const int dy = std::max({0, b.y - a.br().y, a.y - b.br().y});
  return std::hypot(dx, dy);
}

// Returns the overlap of the rows of two boxes, in rows.
int RowOverlap(const cv::Rect& a, const cv::Rect& b) {
  return std::min(a.br().y, b.br().y) - std::max(a.y, b.y);
}

// Returns `mask` with its holes (background not reached from the border)
// filled.
cv::Mat FillHoles(const cv::Mat& mask) {
  cv::Mat padded;
  cv::copyMakeBorder(mask, padded, 1, 1, 1, 1, cv::BORDER_CONSTANT, cv::Scalar(0));
  cv::Mat outside = padded.clone();
  cv::floodFill(outside, cv::Point(0, 0), cv::Scalar(255));
  cv::Mat filled = padded | ~outside;
  return filled(cv::Rect(1, 1, mask.cols, mask.rows)).clone();
}

// The mask of the components `members` within `box`.
cv::Mat MemberMask(const cv::Mat& labels, const cv::Rect& box, const std::vector<int>& members) {
  const cv::Mat region = labels(box);
  cv::Mat mask(box.size(), CV_8UC1, cv::Scalar(0));
  for (int y = 0; y < region.rows; ++y) {
    const int* row = region.ptr<int>(y);
    uchar* out = mask.ptr<uchar>(y);
    for (int x = 0; x < region.cols; ++x) {
      if (row[x] != 0 && std::binary_search(members.begin(), members.end(), row[x])) out[x] = 255;
    }
  }
  return mask;
}

// Returns the column (in `mask`) of a thin vertical line through most of
// the drawing's height with paper on both sides of it, the median line of a
// category-2 drawing; -1 when there is none.
int FindMedianLine(const cv::Mat& mask) {
  const int w = mask.cols, h = mask.rows;
  std::vector<double> cover(w);
  for (int x = 0; x < w; ++x) cover[x] = cv::countNonZero(mask.col(x)) / static_cast<double>(h);
  int best = -1;
  double best_cover = 0;
  for (int x = static_cast<int>(0.1 * w); x < static_cast<int>(0.9 * w);) {
    if (cover[x] < 0.75) {
      ++x;
      continue;
    }
    int end = x;
    double top = 0;
    while (end < w && cover[end] >= 0.75) top = std::max(top, cover[end++]);
    const int band = end - x;
    if (band <= std::max(1.0, 0.05 * h)) {
      auto side = [&](int from, int to) {
        double most = 0;
        for (int c = std::max(0, from); c <= std::min(w - 1, to); ++c) {
          most = std::max(most, cover[c]);
        }
        return most;
      };
      const double left = side(x - 2 * band - 1, x - band - 1 + 0);
      const double right = side(end + band, end + 2 * band);
      // It runs from the rim's top to the foot: ink within 3 % of the
      // height from both ends (an inner wall stops at the floor).
      const cv::Mat line = mask.colRange(x, end);
      cv::Mat rows;
      cv::reduce(line, rows, 1, cv::REDUCE_MAX);
      cv::Mat points;
      cv::findNonZero(rows, points);
      const cv::Rect reach = cv::boundingRect(points);
      const bool full = reach.y <= 0.03 * h && reach.br().y >= 0.97 * h;
      if (full && left < 0.6 && right < 0.6 && top > best_cover) {
        best_cover = top;
        best = (x + end - 1) / 2;
      }
    }
    x = end;
  }
  return best;
}

// Returns the overlap (intersection over union) of the filled drawing with
// its mirror image about its centroid's column, thickened by 2 % of its
// height: near 1 for a silhouette or exterior view, low for a section.
double MirrorOverlap(const cv::Mat& mask) {
  cv::Mat filled = FillHoles(mask);
  const int grow = std::max(1, static_cast<int>(std::lround(0.02 * mask.rows)));
  cv::dilate(filled, filled,
             cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * grow + 1, 2 * grow + 1)));
  const cv::Moments m = cv::moments(filled, true);
  if (m.m00 <= 0) return 0;
  const double cx = m.m10 / m.m00;
  cv::Mat wide;
  const int pad = filled.cols;
  cv::copyMakeBorder(filled, wide, 0, 0, pad, pad, cv::BORDER_CONSTANT, cv::Scalar(0));
  cv::Mat flipped;
  cv::flip(wide, flipped, 1);
  // Flipping `wide` mirrors about its centre column; shift to mirror about cx.
  const double centre = (wide.cols - 1) / 2.0;
  const double shift = 2 * (cx + pad - centre);
  const cv::Mat move = (cv::Mat_<double>(2, 3) << 1, 0, shift, 0, 1, 0);
  cv::warpAffine(flipped, flipped, move, wide.size(), cv::INTER_NEAREST);
  const double both = cv::countNonZero(wide & flipped);
  const double any = cv::countNonZero(wide | flipped);
  return any > 0 ? both / any : 0;
}

// Returns whether the section of a category-2 drawing stands right of its
// median line at column `median` (`band` wide on each side): on the rows
// from 20 % to 45 % of the height above the foot (below any handle), the
// section's side holds more ink per row (two walls, a filled or hatched
// wall) than the exterior view's single outline.
bool SectionOnTheRight(const cv::Mat& mask, int median, int band) {
  std::vector<int> left, right;
  for (int y = static_cast<int>(0.55 * mask.rows); y < static_cast<int>(0.8 * mask.rows); ++y) {
    left.push_back(cv::countNonZero(mask.row(y).colRange(0, median - band)));
    right.push_back(cv::countNonZero(mask.row(y).colRange(median + band, mask.cols)));
  }
  if (left.empty()) return false;
  std::nth_element(left.begin(), left.begin() + left.size() / 2, left.end());
  std::nth_element(right.begin(), right.begin() + right.size() / 2, right.end());
  return right[right.size() / 2] > left[left.size() / 2];
}

// Returns the angle in degrees of the bar's lower edge (positive when its
// right end stands higher in the image).
double BarAngle(const cv::Mat& ink, const cv::Rect& box) {
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  int n = 0;
  for (int x = box.x; x < box.br().x; ++x) {
    for (int y = box.br().y - 1; y >= box.y; --y) {
      if (ink.at<uchar>(y, x) != 0) {
        sx += x;
        sy += y;
        sxx += static_cast<double>(x) * x;
        sxy += static_cast<double>(x) * y;
        ++n;
        break;
      }
    }
  }
  const double denominator = n * sxx - sx * sx;
  if (n < 2 || denominator == 0) return 0;
  return -std::atan((n * sxy - sx * sy) / denominator) * 180 / CV_PI;
}

// Returns whether a component of size `box` looks like a scale bar: long,
// thin, with a row of ink along nearly its whole length.
bool IsBar(const cv::Mat& ink, const Component& c, double mm) {
  if (c.box.width < 6 * c.box.height || c.box.width < 10 * mm || c.box.height > 8 * mm) {
    return false;
  }
  const cv::Mat region = ink(c.box);
  for (int y = 0; y < region.rows; ++y) {
    if (cv::countNonZero(region.row(y)) >= 0.9 * c.box.width) return true;
  }
  return false;
}

// Returns the bar's length: on each row of ink along nearly its whole
// length, the distance between its two ends, each found to the sub-pixel
// from the darkness (paper 0, ink 1) of the five pixels around it; the
// median over those rows.
double BarLength(const cv::Mat& grey, const cv::Mat& ink, const cv::Rect& box, double paper) {
  const cv::Mat region = grey(box);
  std::vector<uchar> levels(region.begin<uchar>(), region.end<uchar>());
  std::sort(levels.begin(), levels.end());
  const double dark = levels[levels.size() / 20];
  auto darkness = [&](const uchar* row, int x) {
    if (x < 0 || x >= grey.cols) return 0.0;
    return std::clamp((paper - row[x]) / std::max(1.0, paper - dark), 0.0, 1.0);
  };
  std::vector<double> lengths;
  for (int y = box.y; y < box.br().y; ++y) {
    const uchar* mask = ink.ptr<uchar>(y);
    int first = box.x, last = box.br().x - 1;
    while (first <= last && mask[first] == 0) ++first;
    while (last >= first && mask[last] == 0) --last;
    if (cv::countNonZero(ink(box).row(y - box.y)) < 0.9 * box.width) continue;
    const uchar* row = grey.ptr<uchar>(y);
    double left = 0, right = 0;
    for (int x = first - 2; x <= first + 2; ++x) left += darkness(row, x);
    for (int x = last - 2; x <= last + 2; ++x) right += darkness(row, x);
    const double left_edge = first + 2.5 - left;
    const double right_edge = last - 2.5 + right;
    lengths.push_back(right_edge - left_edge);
  }
  if (lengths.empty()) return box.width;
  std::nth_element(lengths.begin(), lengths.begin() + lengths.size() / 2, lengths.end());
  return lengths[lengths.size() / 2];
}

}  // namespace

PlateLayout FindLayout(const cv::Mat& plate_bgr, double dpi) {
  PlateLayout layout;
  const double mm = dpi / 25.4;
  cv::Mat grey;
  cv::cvtColor(plate_bgr, grey, cv::COLOR_BGR2GRAY);
  cv::Mat otsu;
  const double level = std::clamp(
      cv::threshold(grey, otsu, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU), 90.0, 200.0);
  layout.ink = grey < level;
  // The paper's level: the median of the page, mostly paper.
  std::vector<uchar> sample;
  for (int y = 0; y < grey.rows; y += 7) {
    const uchar* row = grey.ptr<uchar>(y);
    for (int x = 0; x < grey.cols; x += 7) sample.push_back(row[x]);
  }
  std::nth_element(sample.begin(), sample.begin() + sample.size() / 2, sample.end());
  const double paper = sample[sample.size() / 2];
  cv::Mat stats, centroids;
  const int count =
      cv::connectedComponentsWithStats(layout.ink, layout.labels, stats, centroids, 8, CV_32S);
  std::vector<Component> components;
  for (int i = 1; i < count; ++i) {
    components.push_back(
        {i,
         cv::Rect(stats.at<int>(i, cv::CC_STAT_LEFT), stats.at<int>(i, cv::CC_STAT_TOP),
                  stats.at<int>(i, cv::CC_STAT_WIDTH), stats.at<int>(i, cv::CC_STAT_HEIGHT)),
         stats.at<int>(i, cv::CC_STAT_AREA)});
  }
  const double glyph = kMaxGlyphMm * mm;
  std::vector<Component> big, small;
  for (const Component& c : components) {
    if (IsBar(layout.ink, c, mm)) {
      ScaleBar bar;
      bar.box = c.box;
      bar.length_px = BarLength(grey, layout.ink, c.box, paper);
      bar.angle_degrees = BarAngle(layout.ink, c.box);
      layout.bars.push_back(bar);
    } else if (c.box.height <= glyph && c.box.width <= 4 * glyph) {
      small.push_back(c);
    } else {
      big.push_back(c);
    }
  }

  // Drawings: large ink joined when the boxes, grown by 3 % of their size,
  // meet; again until no two clusters' boxes meet.
  UnionFind join(big.size());
  for (size_t i = 0; i < big.size(); ++i) {
    for (size_t j = i + 1; j < big.size(); ++j) {
      const int grow = static_cast<int>(0.03 * std::max({big[i].box.width, big[i].box.height,
                                                         big[j].box.width, big[j].box.height}));
      if ((Grow(big[i].box, grow) & big[j].box).area() > 0) join.Join(i, j);
    }
  }
  std::map<size_t, DrawingItem> clusters;
  for (size_t i = 0; i < big.size(); ++i) {
    DrawingItem& d = clusters[join.Find(i)];
    d.box = d.components.empty() ? big[i].box : (d.box | big[i].box);
    d.components.push_back(big[i].label);
  }
  std::vector<DrawingItem> drawings;
  for (auto& [root, d] : clusters) drawings.push_back(std::move(d));
  for (bool merged = true; merged;) {
    merged = false;
    for (size_t i = 0; i < drawings.size() && !merged; ++i) {
      for (size_t j = i + 1; j < drawings.size() && !merged; ++j) {
        if ((drawings[i].box & drawings[j].box).area() > 0) {
          drawings[i].box |= drawings[j].box;
          drawings[i].components.insert(drawings[i].components.end(),
                                        drawings[j].components.begin(),
                                        drawings[j].components.end());
          drawings.erase(drawings.begin() + static_cast<long>(j));
          merged = true;
        }
      }
    }
  }

  // Each drawing's kind: a median line (category 2), a silhouette or
  // exterior view (symmetric), or a section alone (to pair with its
  // exterior view: category 1).
  std::vector<double> symmetry(drawings.size(), 1);
  for (size_t i = 0; i < drawings.size(); ++i) {
    DrawingItem& d = drawings[i];
    std::sort(d.components.begin(), d.components.end());
    const cv::Mat mask = MemberMask(layout.labels, d.box, d.components);
    const int median = FindMedianLine(mask);
    if (median >= 0) {
      // Both sides of a median line hold a wall through most of the height
      // (a section's inner wall has only the base beside it).
      auto rows_with_ink = [&](int from, int to) {
        cv::Mat rows;
        cv::reduce(mask.colRange(from, to), rows, 1, cv::REDUCE_MAX);
        return cv::countNonZero(rows) / static_cast<double>(mask.rows);
      };
      const int band = std::max(2, static_cast<int>(0.03 * mask.rows));
      if (median - band <= 0 || median + band >= mask.cols - 1 ||
          rows_with_ink(0, median - band) < 0.7 || rows_with_ink(median + band, mask.cols) < 0.7) {
        symmetry[i] = MirrorOverlap(mask);
        continue;
      }
      d.category = 2;
      d.axis_x = d.box.x + median;
      d.mirror = SectionOnTheRight(mask, median, band);
    } else {
      symmetry[i] = MirrorOverlap(mask);
    }
  }
  std::vector<bool> gone(drawings.size(), false);
  for (size_t i = 0; i < drawings.size(); ++i) {
    if (gone[i] || drawings[i].category == 2 || symmetry[i] >= 0.6) continue;
    const cv::Rect& s = drawings[i].box;
    int partner = -1;
    double nearest = 0;
    for (size_t j = 0; j < drawings.size(); ++j) {
      if (j == i || gone[j] || drawings[j].category == 2) continue;
      const cv::Rect& e = drawings[j].box;
      const double h = std::max(s.height, e.height);
      if (std::abs(s.y - e.y) > 0.1 * h || std::abs(s.br().y - e.br().y) > 0.1 * h) continue;
      // A section spans one radius, its exterior view two.
      if (s.width > 0.75 * e.width) continue;
      const double gap = BoxDistance(s, e);
      if (gap > 0.6 * h) continue;
      if (partner < 0 || gap < nearest) {
        partner = static_cast<int>(j);
        nearest = gap;
      }
    }
    if (partner < 0) continue;
    DrawingItem& d = drawings[i];
    const DrawingItem& e = drawings[static_cast<size_t>(partner)];
    d.category = 1;
    d.mirror = s.x > e.box.x;
    d.box |= e.box;
    d.components.insert(d.components.end(), e.components.begin(), e.components.end());
    std::sort(d.components.begin(), d.components.end());
    gone[static_cast<size_t>(partner)] = true;
  }
  for (size_t i = 0; i < drawings.size(); ++i) {
    if (!gone[i]) layout.drawings.push_back(std::move(drawings[i]));
  }

  // Small ink inside a drawing's box is part of it (pieces of a broken
  // outline, hatching); the rest is text, joined into lines.
  std::vector<Component> glyphs;
  for (const Component& c : small) {
    const cv::Point centre(c.box.x + c.box.width / 2, c.box.y + c.box.height / 2);
    bool inside = false;
    for (DrawingItem& d : layout.drawings) {
      if (d.box.contains(centre)) {
        d.components.insert(std::upper_bound(d.components.begin(), d.components.end(), c.label),
                            c.label);
        inside = true;
        break;
      }
    }
    if (!inside) glyphs.push_back(c);
  }
  UnionFind lines(glyphs.size());
  for (size_t i = 0; i < glyphs.size(); ++i) {
    for (size_t j = i + 1; j < glyphs.size(); ++j) {
      const cv::Rect& a = glyphs[i].box;
      const cv::Rect& b = glyphs[j].box;
      const int high = std::max(a.height, b.height);
      const int gap = std::max(b.x - a.br().x, a.x - b.br().x);
      if (RowOverlap(a, b) >= 0.4 * std::min(a.height, b.height) && gap <= high) {
        lines.Join(i, j);
      }
    }
  }
  std::map<size_t, TextLine> text;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    TextLine& line = text[lines.Find(i)];
    line.box = line.glyph_px == 0 ? glyphs[i].box : (line.box | glyphs[i].box);
    line.glyph_px = std::max(line.glyph_px, static_cast<double>(glyphs[i].box.height));
  }
  for (auto& [root, line] : text) {
    if (line.glyph_px < 1.2 * mm) continue;  // dust
    bool label = false;
    for (ScaleBar& bar : layout.bars) {
      const int cx = line.box.x + line.box.width / 2;
      const double reach = 0.25 * bar.box.width;
      if (cx >= bar.box.x - reach && cx <= bar.box.br().x + reach &&
          BoxDistance(line.box, bar.box) <= 3 * line.glyph_px) {
        bar.labels.push_back(line);
        label = true;
        break;
      }
    }
    if (!label) layout.texts.push_back(line);
  }

  // Drawings in reading order: rows from the top, left to right in a row.
  std::sort(layout.drawings.begin(), layout.drawings.end(),
            [](const DrawingItem& a, const DrawingItem& b) { return a.box.y < b.box.y; });
  for (size_t start = 0; start < layout.drawings.size();) {
    size_t end = start + 1;
    const cv::Rect& first = layout.drawings[start].box;
    while (end < layout.drawings.size() &&
           layout.drawings[end].box.y < first.y + first.height / 2) {
      ++end;
    }
    std::sort(layout.drawings.begin() + static_cast<long>(start),
              layout.drawings.begin() + static_cast<long>(end),
              [](const DrawingItem& a, const DrawingItem& b) { return a.box.x < b.box.x; });
    start = end;
  }

  // Catalogue numbers: each short line goes to the nearest drawing, within
  // half that drawing's size; a drawing keeps its nearest line.
  std::vector<double> best(layout.drawings.size(), 0);
  for (size_t t = 0; t < layout.texts.size(); ++t) {
    const cv::Rect& box = layout.texts[t].box;
    int nearest = -1;
    double distance = 0;
    for (size_t i = 0; i < layout.drawings.size(); ++i) {
      const double d = BoxDistance(box, layout.drawings[i].box);
      if (nearest < 0 || d < distance) {
        nearest = static_cast<int>(i);
        distance = d;
      }
    }
    if (nearest < 0) continue;
    DrawingItem& d = layout.drawings[static_cast<size_t>(nearest)];
    const double size = std::max(d.box.width, d.box.height);
    if (distance > 0.5 * size || box.width > 15 * layout.texts[t].glyph_px) continue;
    if (d.number_line < 0 || distance < best[static_cast<size_t>(nearest)]) {
      d.number_line = static_cast<int>(t);
      best[static_cast<size_t>(nearest)] = distance;
    }
  }
  return layout;
}

double ParseBarLabel(const std::string& text) {
  static const std::regex number(R"((\d+(?:[.,]\d+)?)\s*(mm|cm|m)?)");
  double best = kNaN;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), number);
       it != std::sregex_iterator(); ++it) {
    std::string digits = (*it)[1].str();
    std::replace(digits.begin(), digits.end(), ',', '.');
    double value = std::stod(digits);
    const std::string unit = (*it)[2].str();
    if (unit == "mm") value /= 10;
    if (unit == "m") value *= 100;
    if (std::isnan(best) || value > best) best = value;
  }
  return best > 0 ? best : kNaN;
}

double ParseLength(const std::string& text) {
  static const std::regex length(R"(\s*(\d+(?:[.,]\d+)?|\.\d+)\s*(mm|cm|m)?\s*)");
  std::smatch match;
  if (!std::regex_match(text, match, length)) return kNaN;
  std::string digits = match[1].str();
  std::replace(digits.begin(), digits.end(), ',', '.');
  double value = std::stod(digits);
  if (match[2] == "mm") value /= 10;
  if (match[2] == "m") value *= 100;
  return value > 0 && std::isfinite(value) ? value : kNaN;
}

std::string PixelSourceName(PixelSource source) {
  switch (source) {
    case PixelSource::kBarLabel:
      return "bar-label";
    case PixelSource::kBarGiven:
      return "bar-given";
    case PixelSource::kManifest:
      return "manifest";
    case PixelSource::kNone:
      break;
  }
  return "none";
}

namespace {

cv::Mat GreyCrop(const cv::Mat& plate_bgr, const cv::Rect& box, double margin) {
  const cv::Rect area = Grow(box, static_cast<int>(std::lround(margin))) &
                        cv::Rect(0, 0, plate_bgr.cols, plate_bgr.rows);
  cv::Mat grey;
  cv::cvtColor(plate_bgr(area), grey, cv::COLOR_BGR2GRAY);
  return grey;
}

std::string Format(const char* format, double a, double b = 0) {
  char text[256];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

}  // namespace

PlateResult MeasurePlate(const cv::Mat& plate_bgr, const PlateParams& params, TextReader* reader) {
  PlateResult result;
  result.layout = FindLayout(plate_bgr, params.dpi);
  const PlateLayout& layout = result.layout;
  const bool reading = reader != nullptr && reader->Available();

  // The pixel size: from the first bar of known length, else the manifest.
  for (const ScaleBar& bar : layout.bars) {
    double cm = params.bar_cm > 0 ? params.bar_cm : kNaN;
    std::string said;
    if (reading) {
      std::vector<TextLine> labels = bar.labels;
      std::sort(labels.begin(), labels.end(),
                [](const TextLine& a, const TextLine& b) { return a.box.x < b.box.x; });
      for (const TextLine& label : labels) {
        const std::string part =
            reader->ReadLine(GreyCrop(plate_bgr, label.box, 0.3 * label.glyph_px), true);
        if (!part.empty()) said += (said.empty() ? "" : " ") + part;
      }
    }
    const double read = ParseBarLabel(said);
    if (std::isnan(cm)) cm = read;
    if (std::isnan(cm) || bar.length_px <= 0) continue;
    const double pixel = cm / bar.length_px;
    if (std::isnan(result.pixel_cm)) {
      result.pixel_cm = pixel;
      result.bar_cm = cm;
      result.bar_text = said;
      result.source = params.bar_cm > 0 ? PixelSource::kBarGiven : PixelSource::kBarLabel;
    } else if (std::abs(pixel / result.pixel_cm - 1) > 0.01) {
      result.warnings.push_back("the scale bars disagree: " +
                                Format("%.5g and %.5g cm per pixel", result.pixel_cm, pixel));
    }
  }
  if (!layout.bars.empty() && std::isnan(result.pixel_cm)) {
    result.warnings.push_back(
        reading ? "a scale bar was found but its length could not be read (give it with --bar)"
                : "a scale bar was found but its label cannot be read without OCR (give its "
                  "length with --bar)");
  }
  const bool manifest = params.dpi > 0 && params.scale > 0;
  if (manifest) {
    const double stated = 2.54 / (params.dpi * params.scale);
    if (std::isnan(result.pixel_cm)) {
      result.pixel_cm = stated;
      result.source = PixelSource::kManifest;
    } else if (std::abs(result.pixel_cm / stated - 1) > 0.01) {
      result.warnings.push_back(
          "the scale bar and the given resolution and scale differ by " +
          Format("%.1f %%: the bar's pixel size is used", 100 * (result.pixel_cm / stated - 1)));
    }
  }
  if (std::isnan(result.pixel_cm)) {
    result.warnings.push_back("no scale bar of known length and no scale given: nothing measured");
  }

  // Each drawing alone, measured.
  for (size_t i = 0; i < layout.drawings.size(); ++i) {
    const DrawingItem& item = layout.drawings[i];
    DrawingResult d;
    d.index = static_cast<int>(i) + 1;
    d.category = item.category;
    d.mirror = item.mirror;
    const int margin =
        static_cast<int>(std::lround(0.05 * std::max(item.box.width, item.box.height)));
    d.box = Grow(item.box, margin) & cv::Rect(0, 0, plate_bgr.cols, plate_bgr.rows);
    d.crop = plate_bgr(d.box).clone();
    cv::Mat others =
        (layout.labels(d.box) != 0) & ~MemberMask(layout.labels, d.box, item.components);
    cv::dilate(others, others, cv::Mat());
    d.crop.setTo(cv::Scalar(255, 255, 255), others);
    if (reading && item.number_line >= 0) {
      const TextLine& line = layout.texts[static_cast<size_t>(item.number_line)];
      d.name = reader->ReadLine(GreyCrop(plate_bgr, line.box, 0.3 * line.glyph_px), false);
    }
    if (std::isnan(result.pixel_cm)) {
      d.profile.refusal = "no pixel size: no scale bar of known length and no scale given";
    } else {
      profile::ProfileParams p;
      p.dpi = 2.54 / result.pixel_cm;
      p.scale = 1;
      p.category = d.category;
      p.mirror = d.mirror;
      p.surface = params.surface;
      p.scale_error = params.scale_error;
      p.fill_percents = params.fill_percents;
      d.profile = profile::MeasureProfile(d.crop, p);
    }
    result.drawings.push_back(std::move(d));
  }

  // The page's skew, from its bar, or from most drawings: a drawing turned
  // upright by an angle far from it was misjudged.
  double page_skew = kNaN;
  if (!layout.bars.empty()) {
    page_skew = layout.bars.front().angle_degrees;
  } else {
    std::vector<double> skews;
    for (const DrawingResult& d : result.drawings) {
      if (d.profile.measured) skews.push_back(d.profile.geometry.skew_degrees);
    }
    if (skews.size() >= 3) {
      std::nth_element(skews.begin(), skews.begin() + skews.size() / 2, skews.end());
      page_skew = skews[skews.size() / 2];
    }
  }
  for (DrawingResult& d : result.drawings) {
    if (!d.profile.measured || std::isnan(page_skew)) continue;
    const double skew = d.profile.geometry.skew_degrees;
    if (std::min(std::abs(skew - page_skew), std::abs(skew + page_skew)) > kMaxSkewApartDegrees) {
      d.profile.confidence = profile::Confidence::kCheck;
      d.profile.warnings.emplace_back(kWarnSkewApart);
    }
  }
  return result;
}

cv::Mat DrawOverview(const cv::Mat& plate_bgr, const PlateResult& result) {
  cv::Mat out = plate_bgr.clone();
  const double unit = std::max(plate_bgr.cols, plate_bgr.rows) / 1500.0;
  const int thick = std::max(1, static_cast<int>(std::lround(2 * unit)));
  const double font = 0.9 * unit;
  for (const TextLine& line : result.layout.texts) {
    cv::rectangle(out, line.box, cv::Scalar(160, 160, 160), std::max(1, thick / 2));
  }
  for (const DrawingResult& d : result.drawings) {
    const cv::Scalar colour = d.profile.measured ? cv::Scalar(0, 160, 0) : cv::Scalar(0, 0, 220);
    cv::rectangle(out, d.box, colour, thick);
    std::string label = std::to_string(d.index) + ": cat " + std::to_string(d.category) +
                        (d.mirror ? " mirror" : "");
    if (!d.name.empty()) label += " \"" + d.name + "\"";
    int base = 0;
    const cv::Size size = cv::getTextSize(label, cv::FONT_HERSHEY_SIMPLEX, font, thick, &base);
    const cv::Point at(d.box.x + thick, d.box.y + size.height + 2 * thick);
    cv::rectangle(out,
                  cv::Rect(at.x - thick, at.y - size.height - thick, size.width + 2 * thick,
                           size.height + base + 2 * thick),
                  cv::Scalar(255, 255, 255), cv::FILLED);
    cv::putText(out, label, at, cv::FONT_HERSHEY_SIMPLEX, font, colour, thick, cv::LINE_AA);
  }
  for (const ScaleBar& bar : result.layout.bars) {
    cv::rectangle(out, Grow(bar.box, thick * 2), cv::Scalar(220, 80, 0), thick);
    std::string label = Format("%.1f px", bar.length_px);
    if (!std::isnan(result.bar_cm)) label = Format("%g cm = ", result.bar_cm) + label;
    int base = 0;
    const cv::Size size = cv::getTextSize(label, cv::FONT_HERSHEY_SIMPLEX, font, thick, &base);
    const int x = std::max(0, std::min(bar.box.x, out.cols - size.width - thick));
    cv::putText(out, label, cv::Point(x, bar.box.br().y + static_cast<int>(30 * unit)),
                cv::FONT_HERSHEY_SIMPLEX, font, cv::Scalar(220, 80, 0), thick, cv::LINE_AA);
  }
  return out;
}

}  // namespace orvello::plates
