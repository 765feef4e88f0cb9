// The command line of trackkml-cli.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app_error.h"
#include "trip_facts.h"

// The zone of the service's exports, when no other is named.
inline constexpr std::string_view kServiceZone = "Europe/Athens";

struct CliOptions {
  std::vector<std::string> files;  // on Windows with their patterns expanded
  std::string outputDir;
  bool toStdout = false;
  bool summary = false;
  bool quiet = false;
  bool help = false;
  bool version = false;
  // Beyond the document: times in the markers, a GPX file, the facts of each day.
  bool timestamps = false;
  bool gpx = false;
  bool html = false;  // a day page beside each KML, and an index of several
  // The facts on standard output: text, or one of the tables as CSV.
  enum class Report { None, Text, Csv, LegsCsv, StopsCsv, SpeedingCsv } report = Report::None;
  std::string workbook;                 // the facts as a workbook, when a name is given
  std::optional<std::string> timeZone;  // kServiceZone when not given
  TripRules rules;                      // stops and runs over the limit, as the options set them

  bool NeedsFacts() const { return report != Report::None || !workbook.empty() || html; }
  bool NeedsTimes() const { return timestamps || gpx || NeedsFacts(); }
};

// Raises AppError with the reason when the command line cannot be used.
CliOptions ParseCliOptions(const std::vector<std::string>& args);

// The help, and a bash completion script, made from the same table as the parser.
std::string HelpText();
std::string BashCompletion();
