#ifndef ORVELLO_TOOLS_BATCH_REPORT_H_
#define ORVELLO_TOOLS_BATCH_REPORT_H_

// The results files of a batch: results.csv, results.json and the
// self-contained page report.html.

#include <string>
#include <string_view>
#include <vector>

#include "batch/capacity.h"
#include "batch/record.h"

namespace orvello::batch {

// What the results files say about the batch as a whole.
struct BatchSummary {
  std::string input;               // the manifest or folder, as given
  std::vector<int> fill_percents;  // the fill levels of every record
  double scale_error = 0;
  double seconds = 0;       // wall time of the measurements
  Provenance provenance{};  // version and parameters of the run
};

// Returns `text` as one CSV field: in double quotes, inner quotes doubled,
// when it holds a comma, a quote or a line end; as it is otherwise.
std::string CsvField(std::string_view text);

// Returns the CSV header and one line per record (LF line ends). Columns:
// file, category, dpi, scale (as written), mirror (1 or 0), status, message,
// the keys of every value of the value table, fill_<percent>_cl per fill level,
// capacity_low_cl, capacity_high_cl, water_image. Values are written as the
// results file writes them; columns a record lacks are empty.
std::string FormatCsv(const std::vector<Record>& records, const BatchSummary& summary);

// Returns the JSON text: an object with the batch's input, fill levels,
// scale error, counts of measured and failed drawings, and "drawings", one
// object per record with the keys of the CSV columns (category, dpi and
// scale as numbers, null when they are not numbers; mirror as true or
// false; only the values the record has), "line" (its manifest line, 0 in
// a folder) and "curve", a list of [height_cm, capacity_cl] pairs. Values are the
// numbers the results file writes, to its six significant digits; a value
// that is not finite is null.
std::string FormatJson(const std::vector<Record>& records, const BatchSummary& summary);

// Returns the SVG plot of `curve`, capacity against filling height, with a
// dashed mark for each fill level below 100 %.
std::string CapacityPlotSvg(const std::vector<CurvePoint>& curve,
                            const std::vector<FillLevel>& fill);

// Returns the report page: inline style, a summary, and one table row per
// record with its thumbnail (a data URI) linking to its water image, its
// parameters, status or message, values, fill levels, range and plot.
std::string FormatHtml(const std::vector<Record>& records, const BatchSummary& summary);

// Returns `bytes` in Base64 with padding.
std::string Base64(std::string_view bytes);

// Returns `text` with &, <, >, " and ' escaped for HTML.
std::string HtmlEscape(std::string_view text);

}  // namespace orvello::batch

#endif  // ORVELLO_TOOLS_BATCH_REPORT_H_
