// Faults and hostile inputs, run through the three tools: links planted at
// the output names, FIFOs and devices given as the drawing, corrupt JPEG
// files, images that declare more pixels than the limit, a full disk. Each
// ends with its status and message, leaves the expected files, and changes
// nothing outside the directory it runs in.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <functional>
#include <opencv2/imgcodecs.hpp>

#include "support/drawings.h"
#include "support/tool_runner.h"

namespace orvello {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::RunTool;
using testing::TempDir;
using testing::WriteFile;

const std::string kVersion = testing::VersionText();

struct Tool {
  const char* program;
  cv::Mat (*drawing)();
  std::vector<std::string> outputs;  // in the order they are written
};

cv::Mat LeftEdge() { return testing::LeftEdgeDrawing(); }

const Tool kTools[] = {
    {ORVELLO_CMD3, testing::SilhouetteDrawing, {"gray.jpg", "eau.jpg", "results.txt"}},
    {ORVELLO_CMD, testing::MedianDrawing, {"eau.jpg", "results.txt"}},
    {ORVELLO_CMD2, LeftEdge, {"contours.jpg", "bord.jpg", "eau.jpg", "results.txt"}},
};

// The JPEG file of `drawing` with its scan data damaged: `flips` bytes in
// the middle of the entropy-coded data inverted.
std::string FlippedJpeg(const cv::Mat& drawing, int flips) {
  std::string bytes = testing::JpegBytes(drawing);
  const size_t scan = bytes.rfind("\xff\xda");
  const size_t start = scan + 2 +
                       (static_cast<unsigned char>(bytes[scan + 2]) << 8 |
                        static_cast<unsigned char>(bytes[scan + 3]));
  const size_t middle = start + (bytes.size() - 2 - start) / 2;
  for (int i = 0; i < flips; ++i) bytes[middle + 7 * i] ^= 0x5A;
  return bytes;
}

// The JPEG file of `drawing` with its frame header's height changed by
// `rows`.
std::string ResizedJpeg(const cv::Mat& drawing, int rows) {
  std::string bytes = testing::JpegBytes(drawing);
  const size_t frame = bytes.find("\xff\xc0");
  const int height = (static_cast<unsigned char>(bytes[frame + 5]) << 8 |
                      static_cast<unsigned char>(bytes[frame + 6])) +
                     rows;
  bytes[frame + 5] = static_cast<char>(height >> 8);
  bytes[frame + 6] = static_cast<char>(height & 0xFF);
  return bytes;
}

// A small PNG file whose header declares `width` x `height` pixels.
std::string HugePng(uint32_t width, uint32_t height) {
  std::vector<uchar> bytes;
  cv::imencode(".png", cv::Mat(8, 8, CV_8UC3, cv::Scalar::all(255)), bytes);
  for (int i = 0; i < 4; ++i) {
    bytes[16 + i] = static_cast<uchar>(width >> (24 - 8 * i));
    bytes[20 + i] = static_cast<uchar>(height >> (24 - 8 * i));
  }
  return std::string(bytes.begin(), bytes.end());
}

// What stands in the run directory before the run, besides the drawing.
enum class Plant { kNothing, kLinksAtOutputs, kLinksAtTempNames, kResultsFolder, kEauFolder };

struct Case {
  const char* name;
  std::function<void(const fs::path& dir, const Tool& tool)> input;  // makes "d"
  Plant plant;
  int status;
  std::string message;               // after the version line, "" for none
  bool outputs;                      // the tool's outputs exist afterwards
  const char* max_pixels = nullptr;  // ORVELLO_MAX_PIXELS for the run
};

void WriteDrawing(const fs::path& dir, const Tool& tool) {
  ASSERT_TRUE(cv::imwrite((dir / "d").string() + ".png", tool.drawing()));
  fs::rename(dir / "d.png", dir / "d");
}

void WriteBytes(const fs::path& dir, const std::string& bytes) { WriteFile(dir / "d", bytes); }

const Case kCases[] = {
    {"links planted at every output", WriteDrawing, Plant::kLinksAtOutputs, 0, "", true},
    {"links planted at temporary-looking names", WriteDrawing, Plant::kLinksAtTempNames, 0, "",
     true},
    {"results.txt is a folder: not opened, status 0", WriteDrawing, Plant::kResultsFolder, 0,
     "impossible d'ouvrir le fichier results.txt", false},
    {"eau.jpg is a folder: status 3", WriteDrawing, Plant::kEauFolder, 3,
     "impossible d'écrire le fichier eau.jpg", false},
    {"a FIFO", [](const fs::path& dir, const Tool&) { mkfifo((dir / "d").c_str(), 0600); },
     Plant::kNothing, 255, "Cannot read the image: d (not a regular file)", false},
    {"a device",
     [](const fs::path& dir, const Tool&) { fs::create_symlink("/dev/zero", dir / "d"); },
     Plant::kNothing, 255, "Cannot read the image: d (not a regular file)", false},
    {"a JPEG with flipped bytes in its scan",
     [](const fs::path& dir, const Tool& tool) { WriteBytes(dir, FlippedJpeg(tool.drawing(), 8)); },
     Plant::kNothing, 255, "Cannot read the image: d (corrupt JPEG data)", false},
    {"a JPEG whose height is patched larger",
     [](const fs::path& dir, const Tool& tool) {
       WriteBytes(dir, ResizedJpeg(tool.drawing(), 64));
     },
     Plant::kNothing, 255, "Cannot read the image: d (corrupt JPEG data)", false},
    {"a JPEG whose height is patched smaller",
     [](const fs::path& dir, const Tool& tool) {
       WriteBytes(dir, ResizedJpeg(tool.drawing(), -64));
     },
     Plant::kNothing, 255, "Cannot read the image: d (corrupt JPEG data)", false},
    {"a PNG declaring 60000 x 60000 pixels",
     [](const fs::path& dir, const Tool&) { WriteBytes(dir, HugePng(60000, 60000)); },
     Plant::kNothing, 255,
     "Cannot read the image: d (60000 x 60000 pixels, above the limit of 400000000)", false},
    {"a PNG declaring 32768 x 32768 pixels",
     [](const fs::path& dir, const Tool&) { WriteBytes(dir, HugePng(32768, 32768)); },
     Plant::kNothing, 255,
     "Cannot read the image: d (32768 x 32768 pixels, above the limit of 400000000)", false},
    {"a valid drawing above a lowered limit", WriteDrawing, Plant::kNothing, 255,
     "Cannot read the image: d (", false, "1000"},
    {"a valid JPEG drawing",
     [](const fs::path& dir, const Tool& tool) {
       WriteBytes(dir, testing::JpegBytes(tool.drawing()));
     },
     Plant::kNothing, 0, "", true},
};

// Plants what `plant` asks in `dir`, pointing links at files of `outside`.
void PlantIn(Plant plant, const fs::path& dir, const fs::path& outside, const Tool& tool) {
  int n = 0;
  switch (plant) {
    case Plant::kNothing:
      break;
    case Plant::kLinksAtOutputs:
      for (const std::string& name : tool.outputs) {
        WriteFile(outside / name, "target of " + name);
        fs::create_symlink(outside / name, dir / name);
      }
      break;
    case Plant::kLinksAtTempNames:
      for (const char* name : {"results.txt.part", "eau.jpg.part", ".orvello-0000000000000000.tmp",
                               ".orvello-ffffffffffffffff.tmp"}) {
        const std::string target = std::string("t").append(std::to_string(++n));
        WriteFile(outside / target, "target");
        fs::create_symlink(outside / target, dir / name);
      }
      break;
    case Plant::kResultsFolder:
      fs::create_directory(dir / "results.txt");
      break;
    case Plant::kEauFolder:
      fs::create_directory(dir / "eau.jpg");
      break;
  }
}

// Returns every file of `dir` (not following links) with its content.
std::map<std::string, std::string> Contents(const fs::path& dir) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    contents[name] = entry.is_symlink()     ? "-> " + fs::read_symlink(entry.path()).string()
                     : entry.is_directory() ? "<folder>"
                                            : ReadFile(entry.path());
  }
  return contents;
}

TEST(FaultsTest, EachFaultEndsWithItsStatusAndTouchesNothingOutside) {
  for (const Tool& tool : kTools) {
    // The outputs of a clean run of the drawing, which a run that measures
    // must reproduce byte for byte.
    TempDir reference;
    WriteDrawing(reference.path(), tool);
    ASSERT_EQ(RunTool(tool.program, {"d", "300", "1"}, reference.path()).status, 0);
    TempDir jpeg_reference;
    WriteBytes(jpeg_reference.path(), testing::JpegBytes(tool.drawing()));
    ASSERT_EQ(RunTool(tool.program, {"d", "300", "1"}, jpeg_reference.path()).status, 0);
    for (const Case& c : kCases) {
      SCOPED_TRACE(std::string(tool.program) + ": " + c.name);
      TempDir dir, outside;
      c.input(dir.path(), tool);
      PlantIn(c.plant, dir.path(), outside.path(), tool);
      const auto outside_before = Contents(outside.path());
      if (c.max_pixels) setenv("ORVELLO_MAX_PIXELS", c.max_pixels, 1);
      const auto run = RunTool(tool.program, {"d", "300", "1"}, dir.path());
      unsetenv("ORVELLO_MAX_PIXELS");
      EXPECT_EQ(run.status, c.status);
      if (c.message.empty()) {
        EXPECT_EQ(run.out, kVersion);
      } else {
        EXPECT_TRUE(run.out.starts_with(kVersion + c.message)) << run.out;
      }
      EXPECT_EQ(Contents(outside.path()), outside_before);
      const fs::path& expected =
          std::string(c.name) == "a valid JPEG drawing" ? jpeg_reference.path() : reference.path();
      for (const std::string& name : tool.outputs) {
        SCOPED_TRACE(name);
        const fs::path file = dir.path() / name;
        if (c.outputs) {
          EXPECT_FALSE(fs::is_symlink(file));
          EXPECT_EQ(ReadFile(file), ReadFile(expected / name));
        } else if (c.plant == Plant::kNothing) {
          EXPECT_FALSE(fs::exists(fs::symlink_status(file)));
        }
      }
      for (const auto& entry : fs::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_FALSE(name.starts_with(".orvello-") && !entry.is_symlink())
            << "temporary file left: " << name;
      }
    }
  }
}

// A tmpfs of `bytes` mounted on a fresh directory, unmounted on destruction.
class SmallDisk {
 public:
  explicit SmallDisk(size_t bytes) {
    const std::string options = "size=" + std::to_string(bytes);
    mounted_ = mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~SmallDisk() {
    if (mounted_) umount2(dir_.path().c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  bool mounted() const { return mounted_; }
  const fs::path& path() const { return dir_.path(); }
  // Leaves `bytes` free (rounded down to blocks) by writing a filler file.
  void LeaveFree(uint64_t bytes) {
    struct statvfs info;
    statvfs(dir_.path().c_str(), &info);
    const uint64_t free = static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
    WriteFile(dir_.path() / "filler", std::string(free - std::min(free, bytes), 'x'));
  }

 private:
  TempDir dir_;
  bool mounted_ = false;
};

TEST(FaultsTest, AFullDiskIsReportedAndLeavesNoPartialFile) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  constexpr uint64_t kPage = 4096;
  for (const Tool& tool : kTools) {
    SCOPED_TRACE(tool.program);
    TempDir reference;
    WriteDrawing(reference.path(), tool);
    ASSERT_EQ(
        RunTool(tool.program, {(reference.path() / "d").string(), "300", "1"}, reference.path())
            .status,
        0);
    // Room for the images only: results.txt, written last, finds the disk
    // full.
    uint64_t images = 0;
    std::string messages;
    for (const std::string& name : tool.outputs) {
      if (name != "results.txt")
        images += (fs::file_size(reference.path() / name) + kPage - 1) / kPage * kPage;
      messages += "impossible d'écrire le fichier " + name + "\n";
    }
    static const struct {
      const char* name;
      bool room_for_images;
    } kRows[] = {{"full after the images", true}, {"full from the start", false}};
    for (const auto& row : kRows) {
      SCOPED_TRACE(row.name);
      SmallDisk disk(16 << 20);
      if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
      disk.LeaveFree(row.room_for_images ? images : 0);
      const auto run =
          RunTool(tool.program, {(reference.path() / "d").string(), "300", "1"}, disk.path());
      EXPECT_EQ(run.status, 3);
      std::set<std::string> expected = {"filler"};
      if (row.room_for_images) {
        EXPECT_EQ(run.out, kVersion + "impossible d'écrire le fichier results.txt\n");
        for (const std::string& name : tool.outputs) {
          if (name != "results.txt") expected.insert(name);
        }
      } else {
        EXPECT_EQ(run.out, kVersion + messages);
      }
      std::set<std::string> entries;
      for (const auto& entry : fs::directory_iterator(disk.path())) {
        entries.insert(entry.path().filename().string());
      }
      EXPECT_EQ(entries, expected);
      for (const std::string& name : expected) {
        if (name == "filler") continue;
        EXPECT_EQ(ReadFile(disk.path() / name), ReadFile(reference.path() / name)) << name;
      }
    }
  }
}

}  // namespace
}  // namespace orvello
