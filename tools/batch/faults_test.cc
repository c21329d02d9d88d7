// The batch program under faults and hostile input: links planted in the
// output folder, an output folder holding an earlier batch or held by a
// running one, FIFOs, corrupt and oversized images, formula and control
// characters in file names, too many workers, odd drawing sizes and names.
// Each row runs orvello-batch as a process and checks its status, its
// messages, the output folder and that nothing outside it changed.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <functional>
#include <opencv2/imgcodecs.hpp>

#include "batch/batch.h"
#include "batch/output.h"
#include "common/safe_file.h"
#include "drawgen/drawgen.h"
#include "support/drawings.h"
#include "support/tool_runner.h"

namespace orvello::batch {
namespace {

namespace fs = std::filesystem;
using orvello::testing::ReadFile;
using orvello::testing::RunTool;
using orvello::testing::TempDir;
using orvello::testing::WriteFile;

// The folders of one row: `dir` holds the manifest and drawings and the
// output folder "out"; `outside` holds the targets of planted links.
struct Folders {
  fs::path dir;
  fs::path outside;
};

void Drawing(const fs::path& path) {
  drawgen::DrawOptions options;
  options.shape = drawgen::Shape::kBowl;
  ASSERT_TRUE(cv::imwrite(path.string(), drawgen::Draw(options).image));
}

void Manifest(const Folders& f, const std::string& rows) {
  WriteFile(f.dir / "m.csv", "file,category,dpi,scale\n" + rows);
}

// Plants a link at `at` to a new file `target` of the outside folder.
void PlantLink(const Folders& f, const fs::path& at, const std::string& target) {
  WriteFile(f.outside / target, "outside " + target);
  fs::create_directories(at.parent_path());
  fs::create_symlink(f.outside / target, at);
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

// The JPEG file of a drawing with bytes of its scan data inverted.
std::string FlippedJpeg() {
  drawgen::DrawOptions options;
  options.shape = drawgen::Shape::kBowl;
  std::string bytes = testing::JpegBytes(drawgen::Draw(options).image);
  const size_t middle = bytes.rfind("\xff\xda") + (bytes.size() - bytes.rfind("\xff\xda")) / 2;
  for (int i = 0; i < 8; ++i) bytes[middle + 7 * i] ^= 0x5A;
  return bytes;
}

struct Case {
  const char* name;
  std::function<void(const Folders&)> setup;
  std::vector<std::string> args;  // after the manifest
  int status;
  std::vector<std::string> err;             // pieces of standard error
  std::vector<std::string> csv;             // pieces of results.csv ("" when none is written)
  std::vector<std::string> out_files = {};  // files of "out" that must exist
  const char* shell = nullptr;              // runs the batch through "sh -c" with this prefix
  bool locked = false;                      // the test holds the lock of "out" meanwhile
};

const std::string kLongStem(250, 'n');

// The shell prefix of a run under a limit of 6 processes (the limit does
// not hold for root, which runs the batch as the user nobody then).
constexpr char kUnderProcessLimit[] = "process limit";

std::string UnderProcessLimit() {
  return geteuid() == 0
             ? "exec prlimit --nproc=6 setpriv --reuid=65534 --regid=65534 --clear-groups"
             : "exec prlimit --nproc=1";
}

const Case kCases[] = {
    {"links planted at the temporary and probe names of earlier versions",
     [](const Folders& f) {
       Drawing(f.dir / "x.png");
       Manifest(f, "x.png,3,300,1\n");
       PlantLink(f, f.dir / "out" / "results.csv.part", "a");
       PlantLink(f, f.dir / "out" / ".orvello-batch-probe.part", "b");
       PlantLink(f, f.dir / "out" / ".orvello-0000000000000000.tmp", "c");
       PlantLink(f, f.dir / "out" / ".orvello-batch.lock.part", "d");
     },
     {},
     0,
     {},
     {"x.png,3,300,1,0,measured"},
     {"results.csv", "eau/001-x.jpg", "eau/thumbs/001-x.jpg"}},
    {"an earlier batch is refused",
     [](const Folders& f) {
       Drawing(f.dir / "x.png");
       Manifest(f, "x.png,3,300,1\n");
       PlantLink(f, f.dir / "out" / "results.csv", "a");
       PlantLink(f, f.dir / "out" / "eau" / "001-x.jpg.part", "b");
     },
     {},
     2,
     {"holds an earlier batch's files (eau, results.csv): give --overwrite"},
     {}},
    {"--overwrite removes the earlier batch first",
     [](const Folders& f) {
       Drawing(f.dir / "x.png");
       Manifest(f, "x.png,3,300,1\n");
       PlantLink(f, f.dir / "out" / "results.csv", "a");
       PlantLink(f, f.dir / "out" / "eau" / "001-x.jpg", "b");
       WriteFile(f.dir / "out" / "eau" / "007-stale.jpg", "stale");
       WriteFile(f.dir / "out" / "notes.txt", "kept");
     },
     {"--overwrite"},
     0,
     {},
     {"x.png,3,300,1,0,measured"},
     {"notes.txt", "eau/001-x.jpg"}},
    {"a folder locked by a running batch",
     [](const Folders& f) {
       Drawing(f.dir / "x.png");
       Manifest(f, "x.png,3,300,1\n");
       fs::create_directories(f.dir / "out");
     },
     {},
     2,
     {"Another orvello-batch is writing into out"},
     {},
     {},
     nullptr,
     true},
    {"a FIFO, a device, a corrupt JPEG, an oversized PNG in the manifest",
     [](const Folders& f) {
       mkfifo((f.dir / "fifo.png").c_str(), 0600);
       WriteFile(f.dir / "flipped.jpg", FlippedJpeg());
       WriteFile(f.dir / "huge.png", HugePng(60000, 60000));
       Drawing(f.dir / "x.png");
       Manifest(f,
                "fifo.png,3,300,1\n/dev/zero,3,300,1\nflipped.jpg,3,300,1\nhuge.png,3,300,1\n"
                "x.png,3,300,1\n");
     },
     {},
     1,
     {},
     {"fifo.png,3,300,1,0,unreadable,Cannot read the image: ", "fifo.png (not a regular file)",
      "/dev/zero,3,300,1,0,unreadable,Cannot read the image: /dev/zero (not a regular file)",
      "flipped.jpg (corrupt JPEG data)",
      "huge.png (60000 x 60000 pixels, above the limit of 400000000)", "x.png,3,300,1,0,measured"}},
    {"a manifest that is a FIFO",
     [](const Folders& f) { mkfifo((f.dir / "m.csv").c_str(), 0600); },
     {},
     2,
     {"The manifest m.csv is not a regular file"},
     {}},
    {"formula prefixes in the text cells",
     [](const Folders& f) {
       for (const char* name : {"=1+1.png", "+x.png", "-x.png", "@x.png"}) Drawing(f.dir / name);
       Manifest(f,
                "=1+1.png,3,300,1\n+x.png,3,300,1\n-x.png,3,300,1\n@x.png,3,300,1\n"
                "@x.png,3,-1,1\n");
     },
     {},
     1,
     {},
     {"\n'=1+1.png,3,300,1,0,measured,", "\n'+x.png,3,300,1,0,measured,",
      "\n'-x.png,3,300,1,0,measured,", "\n'@x.png,3,300,1,0,measured,",
      "\n'@x.png,3,'-1,1,0,bad-arguments,"}},
    {"control characters in a file name",
     [](const Folders& f) {
       Manifest(f,
                "\"a\x1b]0;owned\x07\x1b[2J\x9b"
                "b.png\",3,300,1\n");
     },
     {},
     1,
     {"a?]0;owned??[2J?b.png: missing-file"},
     {"missing-file"}},
    {"-j 1000 under a process limit",
     [](const Folders& f) {
       fs::permissions(f.dir, fs::perms::all);  // for the unprivileged user below
       std::string rows;
       for (int i = 0; i < 80; ++i) rows += "x.png,3,300,1\n";
       Drawing(f.dir / "x.png");
       Manifest(f, rows);
     },
     {"-j", "1000"},
     0,
     {"workers (the system refuses more"},
     {"x.png,3,300,1,0,measured"},
     {},
     kUnderProcessLimit},
    {"a 500 x 1 drawing and a 250-character stem",
     [](const Folders& f) {
       cv::Mat line(1, 500, CV_8UC3, cv::Scalar::all(255));
       line.colRange(100, 400).setTo(cv::Scalar::all(0));
       ASSERT_TRUE(cv::imwrite((f.dir / "line.png").string(), line));
       Drawing(f.dir / (kLongStem + ".png"));
       Manifest(f, "line.png,3,300,1\n" + kLongStem + ".png,3,300,1\n");
     },
     {},
     0,
     {},
     {"line.png,3,300,1,0,measured", kLongStem + ".png,3,300,1,0,measured"},
     {"eau/001-line.jpg", "eau/thumbs/001-line.jpg",
      "eau/002-" + std::string(kLongestStem, 'n') + ".jpg"}},
};

// Returns every file below `folder` (not following links) with its content.
std::map<std::string, std::string> Contents(const fs::path& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(entry.path(), folder).string();
    contents[name] = entry.is_symlink()     ? "-> " + fs::read_symlink(entry.path()).string()
                     : entry.is_directory() ? "<folder>"
                                            : ReadFile(entry.path());
  }
  return contents;
}

TEST(BatchFaultsTest, EachFaultEndsWithItsStatusAndTouchesNothingOutside) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir, outside;
    const Folders f{dir.path(), outside.path()};
    c.setup(f);
    const auto outside_before = Contents(outside.path());
    FolderLock held;
    if (c.locked) {
      ASSERT_EQ(held.Take(dir.path() / "out"), "");
    }
    std::vector<std::string> args = {"m.csv", "-o", "out"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    testing::ToolRun run;
    if (c.shell) {
      std::string command =
          (c.shell == kUnderProcessLimit ? UnderProcessLimit() : std::string(c.shell)) + " \"$0\"";
      for (size_t i = 0; i < args.size(); ++i) command += " \"$" + std::to_string(i + 1) + "\"";
      std::vector<std::string> shell_args = {"-c", command, ORVELLO_BATCH};
      shell_args.insert(shell_args.end(), args.begin(), args.end());
      run = RunTool("/bin/sh", shell_args, dir.path());
    } else {
      run = RunTool(ORVELLO_BATCH, args, dir.path());
    }
    EXPECT_EQ(run.status, c.status) << run.err;
    for (const std::string& piece : c.err) {
      EXPECT_NE(run.err.find(piece), std::string::npos) << piece << "\n" << run.err;
    }
    EXPECT_EQ(run.err.find_first_of("\x1b\x07"), std::string::npos) << "control characters";
    const std::string csv = ReadFile(dir.path() / "out" / kCsvName);
    if (c.csv.empty()) {
      EXPECT_EQ(csv.find("measured"), std::string::npos) << "no results of this batch";
    }
    for (const std::string& piece : c.csv) {
      EXPECT_NE(csv.find(piece), std::string::npos) << piece << "\n" << csv;
    }
    for (const std::string& name : c.out_files) {
      EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir.path() / "out" / name))) << name;
    }
    EXPECT_EQ(Contents(outside.path()), outside_before);
    if (fs::exists(dir.path() / "out" / "eau")) {
      for (const auto& [name, content] : Contents(dir.path() / "out")) {
        EXPECT_FALSE(IsTempName(fs::path(name).filename().string()) && !content.starts_with("->"))
            << "temporary file left: " << name;
      }
    }
  }
}

TEST(BatchFaultsTest, AFullDiskLeavesNoPartialFile) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  TempDir dir, disk;
  if (mount("tmpfs", disk.path().c_str(), "tmpfs", 0, "size=1m") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here";
  }
  Drawing(dir.path() / "x.png");
  WriteFile(dir.path() / "m.csv", "file,category,dpi,scale\nx.png,3,300,1\n");
  // Everything but a few blocks is taken: the folders and the lock fit, the
  // water image does not.
  struct statvfs info;
  statvfs(disk.path().c_str(), &info);
  WriteFile(disk.path() / "filler",
            std::string(static_cast<size_t>(info.f_bavail) * info.f_frsize, 'x'));
  const auto run =
      RunTool(ORVELLO_BATCH, {"m.csv", "-o", (disk.path() / "out").string(), "-q"}, dir.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("Cannot write " + (disk.path() / "out" / kCsvName).string()),
            std::string::npos)
      << run.err;
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(disk.path())) {
    files.insert(fs::relative(entry.path(), disk.path()).string());
  }
  EXPECT_EQ(files, (std::set<std::string>{"filler", "out", "out/.orvello-batch.lock", "out/eau",
                                          "out/eau/thumbs", "out/overlay", "out/overlay/thumbs"}));
  umount2(disk.path().c_str(), MNT_DETACH);
}

}  // namespace
}  // namespace orvello::batch
