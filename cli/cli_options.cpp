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

int Minutes(const std::string& text) {
  if (text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos)
    throw AppError("option --stop-minutes needs a number of minutes (0 to 9999)");
  return std::stoi(text);
}

}  // namespace

CliOptions ParseCliOptions(const std::vector<std::string>& args, const std::vector<bool>& quoted) {
  CliOptions options;
  std::vector<bool> quotedFiles;
  bool onlyFiles = false;
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
    } else if (arg == "--time-zone" || arg.starts_with("--time-zone=")) {
      options.timeZone = ValueOf(args, i, "--time-zone", "a zone name");
    } else if (arg == "--stop-minutes" || arg.starts_with("--stop-minutes=")) {
      options.stopMinutes = Minutes(ValueOf(args, i, "--stop-minutes", "a number of minutes"));
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
  if (toStandardOutput && (options.gpx || options.report != CliOptions::Report::None)) {
    throw AppError("--gpx and --report cannot be given with --stdout or --summary");
  }
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
         "      --report[=csv]   print the facts of each day (csv: a row per file); the\n"
         "                       per-file lines then go to standard error\n"
         "      --time-zone NAME the zone of the export's times (default Europe/Athens)\n"
         "      --stop-minutes N a stop is speed 0 for N minutes or more (default 5)\n"
         "  -h, --help           show this help\n"
         "      --version        show the version\n"
         "\n"
         "FILE \"-\" reads standard input. Exit status: 0 all converted, 1 some failed,\n"
         "2 bad usage.\n";
}
