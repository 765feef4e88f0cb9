// The command line of trackkml-cli.
#pragma once

#include <string>
#include <vector>

#include "app_error.h"

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
  enum class Report { None, Text, Csv } report = Report::None;
  std::string timeZone = "Europe/Athens";
  int stopMinutes = 5;

  bool NeedsTimes() const { return timestamps || gpx || report != Report::None; }
};

// Raises AppError with the reason when the command line cannot be used. `quoted` tells which
// arguments were written in quotes (none when empty): those are never file patterns.
CliOptions ParseCliOptions(const std::vector<std::string>& args,
                           const std::vector<bool>& quoted = {});

inline constexpr const char* kUsageLine = "usage: trackkml-cli [options] FILE...";
std::string HelpText();
