#ifndef ORVELLO_TOOLS_BATCH_MANIFEST_H_
#define ORVELLO_TOOLS_BATCH_MANIFEST_H_

// The drawings of a batch: the rows of a CSV manifest, or the drawings of a
// folder measured with one set of parameters.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orvello::batch {

// One drawing to measure, with its parameters as they were written. The
// texts are checked when the drawing is measured, in the order its tool
// checks them, so that a bad row gets the tool's own message.
struct Job {
  int line = 0;                // manifest line of the row; 0 in a folder
  std::string file;            // as written in the manifest, or the file name
  std::filesystem::path path;  // `file` resolved against the manifest's folder
  std::string category;        // "1", "2" or "3" when valid
  std::string dpi;
  std::string scale;
  bool mirror = false;    // the section stands right of the axis
  std::string row_error;  // non-empty: the row itself cannot be used
  // The row's fields of the manifest's other columns (JobList::extra_columns),
  // in their order, as written.
  std::vector<std::string> extra{};
};

// Values from the command line: the parameters of a folder's drawings, and
// for a manifest the values of empty fields (an empty text: none).
struct JobDefaults {
  std::string category;
  std::string dpi;
  std::string scale;
  bool mirror = false;
};

// The drawings of a batch, or why the input cannot be used.
struct JobList {
  std::vector<Job> jobs;
  std::string error;  // non-empty: the manifest or folder cannot be used
  // The manifest's columns other than file, category, dpi, scale and
  // mirror (an inventory number, a site, ...), as the header names them, in
  // their order; every job carries its fields of them.
  std::vector<std::string> extra_columns{};
};

// Returns the number that `text` holds, blanks around it allowed: a decimal
// number with "." and an optional exponent, "inf" or "nan" included. Returns
// NaN when `text` is anything else, so that validation rejects it.
double ParseNumber(std::string_view text);

// Returns the scale that `text` holds: a number as ParseNumber reads it, or
// a ratio as plates print it, "1:3" or "1/3" (one third), blanks around the
// parts allowed. Returns NaN for anything else.
double ParseScale(std::string_view text);

// Returns 1, 2 or 3 when `text` (blanks around allowed) is that category,
// else 0.
int ParseCategory(std::string_view text);

// One record of a CSV text and the line it starts on (from 1).
struct CsvRecord {
  int line = 0;
  std::vector<std::string> fields;
};

// Returns the records of the CSV `text`: fields separated by `separator`,
// optionally in double quotes (a doubled quote inside stands for one, and
// separators and line ends inside are kept), records ended by LF or CR LF. A
// leading UTF-8 byte-order mark is dropped, and so are blank lines. On an
// unterminated quote, sets `*error` and returns the records before it.
std::vector<CsvRecord> SplitCsv(std::string_view text, std::string* error, char separator = ',');

// Returns the field separator of the CSV `text`, read from its first line
// outside quotes: ';' when it holds more semicolons than commas (what a
// spreadsheet set to French writes, with decimal commas), else ','.
char DetectSeparator(std::string_view text);

// Returns the jobs of the manifest `text`, whose relative file names are
// resolved against `folder`. Fields are separated by commas, or by
// semicolons when the header line has more of them (DetectSeparator); then
// a decimal comma in the dpi and scale fields reads as a point. The header
// names the columns in any order, without regard to case or surrounding
// blanks: file, category, dpi and scale are required, mirror is optional,
// every other column is carried through (extra_columns). An empty field
// takes its value from `defaults`. A mirror field holds 1, 0, yes, no, true
// or false (empty: the default); anything else makes a row error, and so
// does an empty file field; row errors name the line and the column.
JobList ParseManifest(std::string_view text, const std::filesystem::path& folder,
                      const JobDefaults& defaults);

// Returns the jobs of the manifest file `manifest`, or an error when it
// cannot be read or parsed.
JobList ReadManifest(const std::filesystem::path& manifest, const JobDefaults& defaults);

// Returns true when `path` has the extension of a raster image format the
// image library reads (case ignored).
bool HasImageExtension(const std::filesystem::path& path);

// Returns one job per regular file with an image extension directly in
// `folder`, sorted by name, with the parameters of `defaults`; an error
// when the folder cannot be listed.
JobList ListFolder(const std::filesystem::path& folder, const JobDefaults& defaults);

}  // namespace orvello::batch

#endif  // ORVELLO_TOOLS_BATCH_MANIFEST_H_
