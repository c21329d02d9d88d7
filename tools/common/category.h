#ifndef ORVELLO_TOOLS_COMMON_CATEGORY_H_
#define ORVELLO_TOOLS_COMMON_CATEGORY_H_

// The drawing categories and their tools: program names, default inputs,
// the files a tool writes and its exit statuses. Free of the image library,
// so that the front end includes it too; the measurement of each category
// is in common/measure.h.

#include <array>
#include <span>
#include <string_view>

namespace orvello {

// Exit statuses of a tool run. kStatusUnreadable shows as 255 to the caller.
inline constexpr int kStatusDone = 0;
inline constexpr int kStatusUnreadable = -1;
inline constexpr int kStatusNoReference = 1;
inline constexpr int kStatusBadArguments = 2;
inline constexpr int kStatusWriteFailed = 3;

// The files a tool writes into its current directory.
inline constexpr char kResultsFileName[] = "results.txt";
inline constexpr char kWaterImageName[] = "eau.jpg";

// One drawing category and its tool.
struct CategoryInfo {
  int number;                      // 1, 2 or 3, as the user chooses it
  std::string_view program;        // the tool's executable name
  std::string_view reference;      // what the tool looks for, in English
  std::string_view default_input;  // measured when the tool gets no arguments
  double default_dpi;
  double default_scale;
  // The images the tool writes before the water image, in their order.
  std::array<std::string_view, 2> tool_images;
  int tool_image_count;

  // Returns the images the tool writes before the water image.
  constexpr std::span<const std::string_view> ToolImages() const {
    return std::span<const std::string_view>(tool_images.data(), tool_image_count);
  }
};

// Every category, by number.
inline constexpr std::array<CategoryInfo, 3> kCategories = {{
    {1, "orvelloCMD2", "left edge", "25.bmp", 300, 1, {"contours.jpg", "bord.jpg"}, 2},
    {2, "orvelloCMD", "median line", "vase.jpg", 300, 1, {}, 0},
    {3, "orvelloCMD3", "silhouette", "vase.tiff", 600, 1, {"gray.jpg"}, 1},
}};

// Returns the category numbered `number`, or nullptr when there is none.
constexpr const CategoryInfo* FindCategory(int number) {
  for (const CategoryInfo& category : kCategories) {
    if (category.number == number) return &category;
  }
  return nullptr;
}

// Returns the category numbered `number`. REQUIRES: FindCategory(number).
constexpr const CategoryInfo& GetCategory(int number) { return *FindCategory(number); }

}  // namespace orvello

#endif  // ORVELLO_TOOLS_COMMON_CATEGORY_H_
