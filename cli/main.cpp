// trackkml-cli: converts many exports at once, with the window's own conversion and files.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <new>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>
#include <utility>

#include "cli_options.h"
#include "convert_file.h"
#include "export_reader.h"
#include "fix_times.h"
#include "gpx_document.h"
#include "line_view.h"
#include "program_args.h"
#include "time_zone.h"
#include "trip_points.h"
#include "trip_report.h"

namespace {

struct Progress {
  bool show = false;
  std::size_t total = 0;
  std::size_t done = 0;
  std::size_t points = 0;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

  void Update() const {
    if (!show) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double rate = seconds > 0 ? static_cast<double>(points) / seconds : 0.0;
    std::fprintf(stderr, "\r%zu of %zu files, %.0f points/s ", done, total, rate);
    if (done == total) std::fputc('\n', stderr);
    std::fflush(stderr);
  }
};

// A text for a line of the terminal: control characters (a newline in a file name) are shown
// escaped, so every report stays one line.
std::string Shown(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b != 0x7F) {
      shown.push_back(c);
    } else if (c == '\n') {
      shown.append("\\n");
    } else if (c == '\r') {
      shown.append("\\r");
    } else if (c == '\t') {
      shown.append("\\t");
    } else {
      shown.append("\\x").append(1, kHex[b >> 4]).append(1, kHex[b & 15]);
    }
  }
  return shown;
}

void ReportError(const std::string& file, const std::exception& error) {
  // The library's word for it would say nothing to the user.
  const bool memory = dynamic_cast<const std::bad_alloc*>(&error) != nullptr;
  std::cerr << "trackkml-cli: " << Shown(file) << ": "
            << Shown(DisplayMessage(memory ? "Not enough memory to convert it" : error.what()))
            << '\n';
}

// A file by what it is, links followed, so that two spellings of one file are one.
using FileId = std::pair<unsigned long long, unsigned long long>;
std::optional<FileId> IdOf(OsFiles& os, const std::string& name) {
  const auto facts = os.FactsOf(name);
  if (!facts) return std::nullopt;
  return FileId{facts->device, facts->inode};
}

int Run(const CliOptions& options) {
  OsFiles& os = SystemFiles();
  if (options.toStdout || options.summary) {
    const std::string& file = options.files.front();
    try {
      const std::string text = LoadExport(file, os);
      if (options.summary) {
        WriteSummary(text, STDOUT_FILENO, os);
      } else if (options.timestamps) {
        const RowTimes times = ReadRowTimes(ReadTrackHeader(text), SplitLines(text));
        const std::vector<std::int64_t> utc = ZoneClock(options.timeZone).ToUtc(times);
        ConvertToDescriptor(text, STDOUT_FILENO, os, &utc);
      } else {
        ConvertToDescriptor(text, STDOUT_FILENO, os);
      }
      return 0;
    } catch (const std::exception& error) {
      ReportError(file, error);
      return 1;
    }
  }

  Progress progress;
  progress.total = options.files.size();
  progress.show = !options.quiet && progress.total > 1 && ::isatty(STDERR_FILENO);
  const bool report = !options.quiet && !progress.show;

  // No output may replace one just written, nor a file given to be converted.
  std::set<FileId> inputs, written;
  for (const auto& file : options.files) {
    if (const auto id = IdOf(os, file)) inputs.insert(*id);
  }
  // The zone is read once, before any file: a name it does not know is a usage error.
  std::optional<ZoneClock> zone;
  if (options.NeedsTimes() || options.timeZone != CliOptions{}.timeZone)
    zone.emplace(options.timeZone);
  // With a report, standard output holds the report alone.
  std::ostream& perFile = options.report == CliOptions::Report::None ? std::cout : std::cerr;
  if (options.report == CliOptions::Report::Csv) std::cout << TripReportCsvHeader();

  int status = 0;
  for (const auto& file : options.files) {
    const std::string output = OutputNameFor(file, options.outputDir);
    const std::string gpxOutput = options.gpx ? OutputNameFor(file, options.outputDir, ".gpx") : "";
    try {
      for (const std::string* name : {&output, &gpxOutput}) {
        const auto id = name->empty() ? std::nullopt : IdOf(os, *name);
        if (!id) continue;
        const std::string its = name == &output ? "Its KML" : "Its GPX";
        if (inputs.count(*id) != 0) {
          throw AppError(its + " would replace the input \"" + *name + "\"");
        }
        if (written.count(*id) != 0) {
          throw AppError(its + " would replace the one just written to \"" + *name + "\"");
        }
      }
      const std::string text = LoadExport(file, os);
      // The text read once for all the outputs that follow the trip.
      const bool followsTrip = zone.has_value();
      const TrackHeader header = followsTrip ? ReadTrackHeader(text) : TrackHeader{};
      const ExportLines lines = followsTrip ? SplitLines(text) : ExportLines{};
      RowTimes times;
      std::vector<std::int64_t> utc;
      if (followsTrip) {
        times = ReadRowTimes(header, lines);
        utc = zone->ToUtc(times);
      }
      const ConversionCounts counts =
          ConvertToFile(text, output, os, options.timestamps ? &utc : nullptr);
      if (const auto id = IdOf(os, output)) written.insert(*id);
      progress.points += counts.points;

      if (options.gpx || options.report != CliOptions::Report::None) {
        const std::vector<TripPoint> points = ReadTripPoints(header, lines, times, utc);
        if (options.gpx) {
          SaveFile(GpxDocument(header, points), gpxOutput, os);
          if (const auto id = IdOf(os, gpxOutput)) written.insert(*id);
        }
        if (options.report != CliOptions::Report::None) {
          TripFacts facts = ComputeTripFacts(points, options.stopMinutes * 60);
          facts.rowsWithoutFix = counts.skipped;
          if (options.report == CliOptions::Report::Csv) {
            std::cout << TripReportCsvRow(file, header, facts, options.timeZone);
          } else {
            std::cout << Shown(file) << ":\n";
            std::istringstream report(
                TripReportText(header, facts, options.timeZone, options.stopMinutes * 60));
            for (std::string line; std::getline(report, line);)
              std::cout << "  " << line << '\n';
          }
        }
      }
      if (report) {
        perFile << Shown(file) << " -> " << Shown(output);
        if (options.gpx) perFile << " and " << Shown(gpxOutput);
        perFile << ": " << counts.points << " points, " << counts.skipped << " rows without a fix";
        if (zone && times.withoutTime != 0)
          perFile << ", " << times.withoutTime << " without a time";
        perFile << '\n';
      }
    } catch (const std::exception& error) {
      if (progress.show) std::fputc('\n', stderr);
      ReportError(file, error);
      status = 1;
    }
    ++progress.done;
    progress.Update();
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  CliOptions options;
  try {
    options = ParseCliOptions(ProgramArguments(argc, argv));
  } catch (const AppError& error) {
    std::cerr << "trackkml-cli: " << error.what() << '\n' << kUsageLine << '\n';
    return 2;
  }
  if (options.help) {
    std::cout << HelpText();
    return 0;
  }
  if (options.version) {
    std::cout << "trackkml-cli " TRACKKML_VERSION "\n";
    return 0;
  }
  try {
    return Run(options);
  } catch (const AppError& error) {  // the options could not be used: an unknown time zone
    std::cerr << "trackkml-cli: " << error.what() << '\n' << kUsageLine << '\n';
    return 2;
  }
}
