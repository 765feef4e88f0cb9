#include "export_outputs.h"

#include <exception>
#include <future>
#include <optional>
#include <thread>

#include "convert_file.h"
#include "day_page.h"
#include "day_trace.h"
#include "export_reader.h"
#include "gpx_document.h"
#include "output_names.h"
#include "piece_writer.h"
#include "report_words.h"
#include "trip_facts.h"
#include "trip_reading.h"
#include "utc_times.h"

namespace {

// An export read once for all its outputs: its text, header and, when the options need them,
// the times of its rows.
struct ExportReading {
  std::string_view text;
  TrackHeader header;
  RowTimes times;
  bool timed = false;
  // Once its trip is read: what the page shows.
  std::string_view shown;
  const TripFacts* facts = nullptr;
  std::span<const TracePoint> trace;
  const TripRules* rules = nullptr;
  const ZoneClock* zone = nullptr;
  bool tripBeside = false;  // the trip is read on a thread of its own meanwhile
};

// Writes one output's document into its file, its pieces made on several threads.
using DocumentWriter = ConversionCounts (*)(const ExportReading&, const CliOptions&, AtomicFile&);

ConversionCounts WriteKml(const ExportReading& reading, const CliOptions& options,
                          AtomicFile& file) {
  // Beside a trip being read, on one thread: the trip, read on one, is the longer path.
  return ConvertInto(reading.text, reading.header.breaks, file,
                     reading.timed && options.timestamps ? &reading.times : nullptr,
                     reading.tripBeside ? 1 : 0);
}

ConversionCounts WriteGpx(const ExportReading& reading, const CliOptions&, AtomicFile& file) {
  const GpxPieces pieces(reading.header, reading.text, reading.times);
  return WritePiecesInOrder(
      pieces, [&file](std::string_view bytes) { file.Write(bytes); }, PieceThreads());
}

// Where the page sends a reader for every row of a long table.
constexpr EveryRowFrom kEveryRowFrom{"trackkml-cli --report=legs-csv",
                                     "trackkml-cli --report=stops-csv",
                                     "trackkml-cli --report=speeding-csv"};

ConversionCounts WritePage(const ExportReading& reading, const CliOptions&, AtomicFile& file) {
  file.Write(DayPage({reading.shown, reading.header, *reading.facts, reading.trace, *reading.rules,
                      reading.zone->Name(), kEveryRowFrom}));
  return {};
}

struct FileOutput {
  std::string_view kind;
  std::string_view extension;
  bool (*wanted)(const CliOptions&);
  bool needsTimes;  // beyond what the options ask of it
  DocumentWriter write;
  bool needsTrip = false;  // written once the trip's facts are read
};

// Every file an export may be saved to, in the order they are written; a new format is a new
// entry here. The first, the KML, counts the rows for the per-file line.
constexpr FileOutput kFileOutputs[] = {
    {"KML", ".kml", [](const CliOptions&) { return true; }, false, WriteKml},
    {"GPX", ".gpx", [](const CliOptions& options) { return options.gpx; }, true, WriteGpx},
    {"page", ".html", [](const CliOptions& options) { return options.html; }, true, WritePage,
     true},
};

// Each line of a text indented by two spaces.
std::string Indented(std::string_view text) {
  std::string out;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    out.append("  ").append(text.substr(start, end - start)).append("\n");
    start = end + 1;
  }
  return out;
}

}  // namespace

std::vector<SaveOutput> OutputsFor(const std::string& file, const CliOptions& options) {
  std::vector<SaveOutput> outputs;
  for (const FileOutput& output : kFileOutputs)
    if (output.wanted(options))
      outputs.push_back(
          {std::string(output.kind), OutputNameFor(file, options.outputDir, output.extension)});
  return outputs;
}

ExportConverter::ExportConverter(const CliOptions& options, const ZoneClock* zone,
                                 TripWorkbook* workbook)
    : options_(options), zone_(zone), workbook_(workbook) {
  rules_ = options.rules;
}

ExportResult ExportConverter::Convert(std::string_view shownFile, std::string_view text,
                                      LineBreaks breaks,
                                      const std::vector<std::unique_ptr<AtomicFile>>& files) {
  ExportReading reading;
  reading.text = text;
  reading.header = ReadTrackHeader(text, breaks);
  reading.timed = zone_ != nullptr;
  reading.shown = shownFile;
  reading.rules = &rules_;
  reading.zone = zone_;
  // The times of every row, once, for every output that follows the trip: first, on every
  // core, when the KML carries them; otherwise read beside the KML, before the facts.
  std::promise<void> timesRead;
  std::shared_future<void> timesReady = timesRead.get_future().share();
  const auto readTimes = [&](unsigned threads) {
    reading.times = ReadRowTimes(reading.header, text, threads);
    PutUtcTimes(reading.times, *zone_);
  };
  const bool timesFirst = reading.timed && options_.timestamps;
  if (timesFirst) readTimes(PieceThreads());
  if (!reading.timed || timesFirst) timesRead.set_value();

  std::optional<TripFactsWriter> facts;
  if (options_.NeedsFacts()) facts.emplace(rules_);
  std::optional<DayTraceWriter> trace;
  if (options_.html) trace.emplace();
  std::exception_ptr tripError;
  ExportResult result;
  {
    std::jthread trip;
    if (reading.timed && (!timesFirst || facts)) {
      reading.tripBeside = facts.has_value();
      trip = std::jthread([&] {
        bool timesSet = timesFirst;
        try {
          if (!timesFirst) {
            readTimes(PieceThreads());
            timesSet = true;
            timesRead.set_value();
          }
          if (!facts) return;
          std::vector<TripWriter*> writers{&*facts};
          if (trace) writers.push_back(&*trace);
          ReadTrip(text, reading.header, reading.times, writers);
        } catch (...) {
          tripError = std::current_exception();
          if (!timesSet) timesRead.set_exception(tripError);
        }
      });
    }
    std::size_t file = 0;
    // While the trip is still read, the outputs written so far go to the disk: the wait for
    // the disk then costs the run nothing. They are still committed together.
    const auto prepareWritten = [&] {
      for (std::size_t k = 0; k < file; ++k)
        files[k]->Prepare();
    };
    for (const FileOutput& output : kFileOutputs) {
      if (!output.wanted(options_)) continue;
      if (output.needsTimes) timesReady.get();
      if (output.needsTrip) {
        if (trip.joinable()) {
          prepareWritten();
          trip.join();
        }
        if (tripError) std::rethrow_exception(tripError);
        reading.facts = &facts->Facts();
        reading.trace = trace->Points();
      }
      const ConversionCounts counts = output.write(reading, options_, *files[file]);
      if (file++ == 0) result.counts = counts;
    }
    if (trip.joinable()) prepareWritten();
    if (reading.timed) timesReady.get();  // the per-file line counts the rows without a time
  }
  if (tripError) std::rethrow_exception(tripError);
  result.withoutTime = reading.times.withoutTime;
  if (facts) result.report = Report(shownFile, reading.header, facts->Facts());
  if (facts && options_.html) {
    using namespace report_words;
    const TripFacts& f = facts->Facts();
    result.day = {{},
                  Utf8(reading.header.vehicle),
                  Utf8(reading.header.date),
                  Fixed(f.distanceKm, 2),
                  Clock(f.moving)};
  }
  return result;
}

std::string ExportConverter::Report(std::string_view shownFile, const TrackHeader& header,
                                    const TripFacts& facts) {
  // One export's rows at a time: a run of many holds none of them.
  TripTables tables(zone_->Name());
  tables.Add(shownFile, header, facts, rules_);
  if (workbook_ != nullptr) workbook_->Add(tables);
  if (options_.report == CliOptions::Report::Text)
    return std::string(shownFile) + ":\n" +
           Indented(TripReportText(header, facts, zone_->Name(), rules_));
  const ReportTable* table = CsvTable(tables);
  return table != nullptr ? CsvRows(*table) : std::string();
}

const ReportTable* ExportConverter::CsvTable(const TripTables& tables) const {
  switch (options_.report) {
    case CliOptions::Report::Csv:
      return &tables.days;
    case CliOptions::Report::LegsCsv:
      return &tables.legs;
    case CliOptions::Report::StopsCsv:
      return &tables.stops;
    case CliOptions::Report::SpeedingCsv:
      return &tables.speeding;
    default:
      return nullptr;
  }
}

std::string ExportConverter::ReportHeader() const {
  if (zone_ == nullptr) return {};  // no facts without the zone's times
  const TripTables tables(zone_->Name());
  const ReportTable* table = CsvTable(tables);
  return table != nullptr ? CsvHeader(*table) : std::string();
}
