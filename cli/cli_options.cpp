#include "cli_options.h"

#include "program_args.h"

namespace {

// The value of an option given as "--name VALUE" or "--name=VALUE".
std::string ValueOf(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
                    const std::string& what) {
  std::string value;
  if (args[i] == name) {
    if (i + 1 == args.size()) throw AppError("option " + name + " needs " + what);
    value = args[++i];
  } else {
    value = args[i].substr(name.size() + 1);
  }
  if (value.empty()) throw AppError("option " + name + " needs " + what);
  return value;
}

// A whole number from 0 to 9999, or the option's usage error.
int WholeNumber(const std::string& text, const std::string& option, const std::string& what) {
  if (text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos)
    throw AppError("option " + option + " needs " + what + " (0 to 9999)");
  return std::stoi(text);
}

// "90" or "90.5" km/h, above 0 and at most 9999.
double SpeedLimit(const std::string& text) {
  const std::size_t point = text.find('.');
  const std::string whole = text.substr(0, point);
  const std::string part = point == std::string::npos ? "" : text.substr(point + 1);
  const bool digits = !whole.empty() && whole.size() <= 4 &&
                      whole.find_first_not_of("0123456789") == std::string::npos &&
                      part.size() <= 3 &&
                      part.find_first_not_of("0123456789") == std::string::npos &&
                      (point == std::string::npos || !part.empty());
  const double limit = digits ? std::stod(text) : 0;
  if (limit <= 0 || limit > 9999)
    throw AppError("option --speed-limit needs a speed in km/h (above 0, to 9999)");
  return limit;
}

}  // namespace

CliOptions ParseCliOptions(const std::vector<std::string>& args, const std::vector<bool>& quoted) {
  CliOptions options;
  std::vector<bool> quotedFiles;
  bool onlyFiles = false;
  bool speedingSecondsGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (onlyFiles || arg == "-" || arg.empty() || arg[0] != '-') {
      options.files.push_back(arg);
      quotedFiles.push_back(i < quoted.size() && quoted[i]);
    } else if (arg == "--") {
      onlyFiles = true;
    } else if (arg == "-o" || arg == "--output-dir") {
      if (i + 1 == args.size()) throw AppError("option " + arg + " needs a folder");
      options.outputDir = args[++i];
      if (options.outputDir.empty()) throw AppError("option " + arg + " needs a folder");
    } else if (arg.starts_with("--output-dir=")) {
      options.outputDir = arg.substr(13);
      if (options.outputDir.empty()) throw AppError("option --output-dir needs a folder");
    } else if (arg == "--stdout") {
      options.toStdout = true;
    } else if (arg == "--summary") {
      options.summary = true;
    } else if (arg == "-q" || arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--timestamps") {
      options.timestamps = true;
    } else if (arg == "--gpx") {
      options.gpx = true;
    } else if (arg == "--report" || arg == "--report=text") {
      options.report = CliOptions::Report::Text;
    } else if (arg == "--report=csv") {
      options.report = CliOptions::Report::Csv;
    } else if (arg == "--report=legs-csv") {
      options.report = CliOptions::Report::LegsCsv;
    } else if (arg == "--report=stops-csv") {
      options.report = CliOptions::Report::StopsCsv;
    } else if (arg == "--report=speeding-csv") {
      options.report = CliOptions::Report::SpeedingCsv;
    } else if (arg == "--report=xlsx") {
      // The next argument is the workbook's name; an option or "-" there is a mistake.
      if (i + 1 == args.size() || args[i + 1].empty() || args[i + 1][0] == '-')
        throw AppError(
            "option --report=xlsx needs a FILE for the workbook (write one whose "
            "name begins with \"-\" as ./-NAME)");
      if (!options.workbook.empty()) throw AppError("option --report=xlsx given twice");
      options.workbook = args[++i];
    } else if (arg == "--time-zone" || arg.starts_with("--time-zone=")) {
      options.timeZone = ValueOf(args, i, "--time-zone", "a zone name");
    } else if (arg == "--stop-minutes" || arg.starts_with("--stop-minutes=")) {
      options.stopMinutes = WholeNumber(ValueOf(args, i, "--stop-minutes", "a number of minutes"),
                                        "--stop-minutes", "a number of minutes");
    } else if (arg == "--speed-limit" || arg.starts_with("--speed-limit=")) {
      options.speedLimit = SpeedLimit(ValueOf(args, i, "--speed-limit", "a speed in km/h"));
    } else if (arg == "--speeding-seconds" || arg.starts_with("--speeding-seconds=")) {
      options.speedingSeconds =
          WholeNumber(ValueOf(args, i, "--speeding-seconds", "a number of seconds"),
                      "--speeding-seconds", "a number of seconds");
      speedingSecondsGiven = true;
    } else {
      throw AppError("unknown option " + arg);
    }
  }
  if (options.help || options.version) return options;

  options.files = ExpandFilePatterns(options.files, quotedFiles);
  if (options.files.empty()) throw AppError("no FILE given");
  if (options.toStdout && options.summary) {
    throw AppError("--stdout and --summary cannot be given together");
  }
  const bool toStandardOutput = options.toStdout || options.summary;
  if (toStandardOutput && options.files.size() != 1) {
    throw AppError(std::string(options.toStdout ? "--stdout" : "--summary") +
                   " takes exactly one FILE");
  }
  if (toStandardOutput && (options.gpx || options.NeedsFacts())) {
    throw AppError("--gpx and --report cannot be given with --stdout or --summary");
  }
  if (speedingSecondsGiven && !options.speedLimit)
    throw AppError("--speeding-seconds needs --speed-limit");
  if (toStandardOutput && !options.outputDir.empty()) {
    throw AppError("--output-dir cannot be given with --stdout or --summary");
  }
  for (const auto& file : options.files) {
    if (file == "-" && !toStandardOutput) {
      throw AppError("standard input (-) can only be read with --stdout or --summary");
    }
  }
  return options;
}

std::string HelpText() {
  return std::string(kUsageLine) +
         "\n"
         "Converts exports of the vehicle-tracking service (.csv) to KML documents.\n"
         "Each FILE's KML is saved under its path with every \".csv\" replaced by \".kml\".\n"
         "\n"
         "  -o, --output-dir DIR  write the KML documents into DIR instead\n"
         "      --stdout         write the KML of the one FILE to standard output\n"
         "      --summary        write the summary lines of the one FILE to standard output\n"
         "  -q, --quiet          report nothing but errors\n"
         "      --timestamps     give each marker its time, for a map's time slider\n"
         "      --gpx            also write a GPX file (\".gpx\" for \".kml\") of the trip\n"
         "      --report[=FORM]  print the facts of each day: FORM text (the default), csv\n"
         "                       (a row a file), legs-csv, stops-csv or speeding-csv (a\n"
         "                       row a leg, stop or run over the limit); the per-file\n"
         "                       lines then go to standard error\n"
         "      --report=xlsx FILE  write the facts as a workbook FILE: days, stops,\n"
         "                       legs and speeding on sheets of their own\n"
         "      --time-zone NAME the zone of the export's times (default Europe/Athens)\n"
         "      --stop-minutes N a stop is speed 0 for N minutes or more, from arrival to\n"
         "                       departure (default 5; 0: every run at speed 0)\n"
         "      --speed-limit KMH  report each run of fixes over KMH km/h, from the first\n"
         "                       fix over it to the next under it ...\n"
         "      --speeding-seconds S  ... that lasts S seconds or more (default 10)\n"
         "  -h, --help           show this help\n"
         "      --version        show the version\n"
         "\n"
         "FILE \"-\" reads standard input. Exit status: 0 all converted, 1 some failed,\n"
         "2 bad usage.\n";
}
