// What the tool makes of one export: the files in a table of outputs, each a document written
// in pieces on several threads from the one reading of the export (its text, header and the
// times of its rows), and the facts of its trip for the report, read from the rows in trip
// order meanwhile.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "atomic_file.h"
#include "cli_options.h"
#include "day_page.h"
#include "export_conversion.h"
#include "save_rules.h"
#include "time_zone.h"
#include "trip_facts.h"
#include "trip_report.h"
#include "trip_workbook.h"

// The files one export is saved to, in the order they are written.
std::vector<SaveOutput> OutputsFor(const std::string& file, const CliOptions& options);

struct ExportResult {
  ConversionCounts counts;
  std::size_t withoutTime = 0;       // fixes whose time does not read
  std::string report;                // this export's part of the report on standard output
  std::optional<DayIndexEntry> day;  // its line in the index of pages, but for the link
};

class ExportConverter {
 public:
  // `zone` when the options need times; `workbook` when the facts go to one too.
  ExportConverter(const CliOptions& options, const ZoneClock* zone, TripWorkbook* workbook);

  // Writes the outputs of `text` into `files` (opened for OutputsFor(file)); the caller
  // commits them. `file` as it is to be shown.
  ExportResult Convert(std::string_view shownFile, std::string_view text, LineBreaks breaks,
                       const std::vector<std::unique_ptr<AtomicFile>>& files);
  // What the report on standard output begins with: a CSV's column names.
  std::string ReportHeader() const;

 private:
  // The table of `tables` the report on standard output prints, if a CSV one.
  const ReportTable* CsvTable(const TripTables& tables) const;
  // The export's facts to the workbook; its part of the report on standard output.
  std::string Report(std::string_view shownFile, const TrackHeader& header, const TripFacts& facts);

  const CliOptions& options_;
  const ZoneClock* zone_;
  TripWorkbook* workbook_;
  TripRules rules_;
};
