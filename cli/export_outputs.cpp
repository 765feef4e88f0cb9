#include "export_outputs.h"

#include <exception>
#include <thread>

#include "convert_file.h"
#include "export_reader.h"
#include "gpx_document.h"
#include "trip_facts.h"
#include "utc_times.h"

namespace {

struct FileOutput {
  std::string_view kind;
  std::string_view extension;
  bool (*wanted)(const CliOptions&);
};

// Every file an export may be saved to; a new format is a new entry here and its writer below.
constexpr FileOutput kFileOutputs[] = {
    {"KML", ".kml", [](const CliOptions&) { return true; }},
    {"GPX", ".gpx", [](const CliOptions& options) { return options.gpx; }},
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

ExportConverter::ExportConverter(const CliOptions& options, const ZoneClock* zone)
    : options_(options), zone_(zone), tables_(options.timeZone) {
  rules_.stopSeconds = static_cast<std::int64_t>(options.stopMinutes) * 60;
  rules_.speedLimit = options.speedLimit;
  rules_.speedingSeconds = options.speedingSeconds;
}

ExportResult ExportConverter::Convert(std::string_view shownFile, std::string_view text,
                                      const std::vector<std::unique_ptr<AtomicFile>>& files) {
  ExportResult result;
  if (zone_ == nullptr) {
    result.counts = ConvertInto(text, *files[0]);
    return result;
  }
  // The times of every row, once, for every output that follows the trip.
  const TrackHeader header = ReadTrackHeader(text);
  RowTimes times = ReadRowTimes(header, text);
  PutUtcTimes(times, *zone_);
  result.withoutTime = times.withoutTime;

  // The writers the one reading of the trip feeds, in the order of the outputs' table.
  std::vector<std::unique_ptr<TripWriter>> writers;
  std::size_t file = 1;
  if (options_.gpx) {
    AtomicFile& gpx = *files[file++];
    writers.push_back(
        std::make_unique<GpxWriter>(header, [&gpx](std::string_view bytes) { gpx.Write(bytes); }));
  }
  TripFactsWriter* facts = nullptr;
  if (options_.NeedsFacts()) {
    auto writer = std::make_unique<TripFactsWriter>(rules_);
    facts = writer.get();
    writers.push_back(std::move(writer));
  }
  std::vector<TripWriter*> fed;
  for (const auto& writer : writers)
    fed.push_back(writer.get());

  // The trip is read while the KML's pieces are made.
  std::exception_ptr tripError;
  {
    std::jthread trip([&] {
      try {
        if (!fed.empty()) ReadTrip(text, header, times, fed);
      } catch (...) {
        tripError = std::current_exception();
      }
    });
    result.counts = ConvertInto(text, *files[0], options_.timestamps ? &times.utc : nullptr);
  }
  if (tripError) std::rethrow_exception(tripError);

  if (facts != nullptr) {
    const ReportTable* table = CsvTable();
    const std::size_t before = table != nullptr ? table->rows.size() : 0;
    tables_.Add(shownFile, header, facts->Facts(), rules_);
    if (options_.report == CliOptions::Report::Text) {
      result.report = std::string(shownFile) + ":\n" +
                      Indented(TripReportText(header, facts->Facts(), options_.timeZone, rules_));
    } else if (table != nullptr) {
      result.report = CsvRows(*table, before);
    }
  }
  return result;
}

const ReportTable* ExportConverter::CsvTable() const {
  switch (options_.report) {
    case CliOptions::Report::Csv:
      return &tables_.days;
    case CliOptions::Report::LegsCsv:
      return &tables_.legs;
    case CliOptions::Report::StopsCsv:
      return &tables_.stops;
    case CliOptions::Report::SpeedingCsv:
      return &tables_.speeding;
    default:
      return nullptr;
  }
}

std::string ExportConverter::ReportHeader() const {
  const ReportTable* table = CsvTable();
  return table != nullptr ? CsvHeader(*table) : std::string();
}
