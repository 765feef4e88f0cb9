// trackkml-cli: converts many exports at once, with the window's own conversion and files.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <new>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include "cli_options.h"
#include "console.h"
#include "convert_file.h"
#include "export_reader.h"
#include "fix_times.h"
#include "gpx_document.h"
#include "line_view.h"
#include "program_args.h"
#include "save_rules.h"
#include "shown_text.h"
#include "standard_output.h"
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

void ReportError(const std::string& file, const std::exception& error) {
  // The library's word for it would say nothing to the user.
  const bool memory = dynamic_cast<const std::bad_alloc*>(&error) != nullptr;
  const auto* appError = dynamic_cast<const AppError*>(&error);
  const std::string message = memory ? DisplayMessage("Not enough memory to convert it")
                              : appError != nullptr ? DisplayMessageWithReason(*appError)
                                                    : DisplayMessage(error.what());
  std::cerr << "trackkml-cli: " << Shown(file) << ": " << Shown(message) << '\n';
}

// The files one export is saved to, in the order they are written.
std::vector<SaveOutput> OutputsFor(const std::string& file, const CliOptions& options) {
  std::vector<SaveOutput> outputs{{"KML", OutputNameFor(file, options.outputDir)}};
  if (options.gpx) outputs.push_back({"GPX", OutputNameFor(file, options.outputDir, ".gpx")});
  return outputs;
}

std::string ReportOf(const std::string& file, const TrackHeader& header, const TripFacts& facts,
                     const CliOptions& options) {
  if (options.report == CliOptions::Report::Csv)
    return TripReportCsvRow(file, header, facts, options.timeZone);
  std::string report = Shown(file) + ":\n";
  std::istringstream text(
      TripReportText(header, facts, options.timeZone, options.stopMinutes * 60));
  for (std::string line; std::getline(text, line);)
    report.append("  ").append(line).append("\n");
  return report;
}

int Run(const CliOptions& options) {
  OsFiles& os = SystemFiles();
  StandardOutput out(os);
  // The zone is read once, before any file: a name it does not know is a usage error.
  std::optional<ZoneClock> zone;
  if (options.NeedsTimes() || options.timeZone != CliOptions{}.timeZone) {
    // A name that is no zone name is a usage error, database or not.
    if (!IsZoneName(options.timeZone)) throw UnknownZone(options.timeZone);
    if (const auto missing = ZoneClock::MissingDatabase()) {
      std::cerr << "trackkml-cli: " << Shown(*missing) << '\n';
      return 1;
    }
    zone.emplace(options.timeZone);
  }
  if (options.toStdout || options.summary) {
    const std::string& file = options.files.front();
    try {
      const std::string text = LoadExport(file, os);
      if (options.summary) {
        WriteSummary(text, STDOUT_FILENO, os);
      } else if (options.timestamps) {
        const RowTimes times = ReadRowTimes(ReadTrackHeader(text), SplitLines(text));
        const std::vector<std::int64_t> utc = zone->ToUtc(times);
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
  progress.show = !options.quiet && progress.total > 1 && IsTerminal(STDERR_FILENO);
  const bool report = !options.quiet && !progress.show;

  // Every output of the run is found and checked before any is written: none may be a file
  // given to be converted, nor one file for two outputs.
  SaveRules rules(os);
  for (const auto& file : options.files)
    rules.Protect(file);
  std::vector<int> claims(options.files.size(), -1);
  std::vector<std::exception_ptr> refusals(options.files.size());
  for (std::size_t i = 0; i < options.files.size(); ++i) {
    try {
      claims[i] = rules.Claim(options.files[i], OutputsFor(options.files[i], options));
    } catch (const AppError&) {
      refusals[i] = std::current_exception();
    }
  }

  // With a report, standard output holds the report alone.
  const bool perFileToStdout = options.report == CliOptions::Report::None;
  if (options.report == CliOptions::Report::Csv) out.Write(TripReportCsvHeader());

  int status = 0;
  for (std::size_t i = 0; i < options.files.size(); ++i) {
    const std::string& file = options.files[i];
    try {
      const std::string text = LoadExport(file, os);
      // The export is read before its outputs are refused: a missing export says so.
      if (refusals[i]) std::rethrow_exception(refusals[i]);
      const auto outputs = rules.Open(claims[i]);
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
          ConvertInto(text, *outputs[0], options.timestamps ? &utc : nullptr);
      progress.points += counts.points;

      std::string tripReport;
      if (options.gpx || options.report != CliOptions::Report::None) {
        const std::vector<TripPoint> points = ReadTripPoints(header, lines, times, utc);
        if (options.gpx) outputs[1]->Write(GpxDocument(header, points));
        if (options.report != CliOptions::Report::None) {
          TripFacts facts = ComputeTripFacts(points, options.stopMinutes * 60);
          facts.rowsWithoutFix = counts.skipped;
          tripReport = ReportOf(file, header, facts, options);
        }
      }
      // Every output whole before any replaces its file.
      CommitTogether(outputs, os);
      out.Write(tripReport);
      if (report) {
        std::ostringstream line;
        line << Shown(file) << " -> " << Shown(outputs[0]->Name());
        if (options.gpx) line << " and " << Shown(outputs[1]->Name());
        line << ": " << counts.points << " points, " << counts.skipped << " rows without a fix";
        if (zone && times.withoutTime != 0) line << ", " << times.withoutTime << " without a time";
        line << '\n';
        if (perFileToStdout) {
          out.Write(line.str());
        } else {
          std::cerr << line.str();
        }
      }
    } catch (const std::exception& error) {
      if (progress.show) std::fputc('\n', stderr);
      ReportError(file, error);
      status = 1;
    }
    ++progress.done;
    progress.Update();
  }
  return out.Failed() ? 1 : status;
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  UseUtf8Console();
#ifndef _WIN32
  // A pipe whose reader has gone fails that write with its reason, not the whole run.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  CliOptions options;
  try {
    const ProgramArguments arguments = ReadProgramArguments(argc, argv);
    options = ParseCliOptions(arguments.args, arguments.quoted);
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
