#include "cli_options.h"

#include <getopt.h>

#include <algorithm>
#include <cctype>

#include "program_args.h"
#include "tool_messages.h"

using namespace tool_messages;

namespace {

// A whole number from 0 to 9999, or the option's usage error.
int WholeNumber(const std::string& text, std::string_view option, std::string_view what) {
  if (text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos)
    throw AppError(Filled(kNeedsWholeNumber, {option, what}));
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
  if (limit <= 0 || limit > 9999) throw AppError(std::string(kNeedsSpeed));
  return limit;
}

}  // namespace

namespace {

// The long options; a prefix that names one of them alone names it.
enum LongOnly {
  kStdout = 256,
  kSummary,
  kVersion,
  kTimestamps,
  kGpx,
  kHtml,
  kReport,
  kWorkbook,
  kZone,
  kStopMinutes,
  kSpeedLimit,
  kSpeedingSeconds
};
constexpr option kLongOptions[] = {
    {"output-dir", required_argument, nullptr, 'o'},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {"stdout", no_argument, nullptr, kStdout},
    {"summary", no_argument, nullptr, kSummary},
    {"version", no_argument, nullptr, kVersion},
    {"timestamps", no_argument, nullptr, kTimestamps},
    {"gpx", no_argument, nullptr, kGpx},
    {"html", no_argument, nullptr, kHtml},
    {"report", optional_argument, nullptr, kReport},
    {"workbook", required_argument, nullptr, kWorkbook},
    {"time-zone", required_argument, nullptr, kZone},
    {"stop-minutes", required_argument, nullptr, kStopMinutes},
    {"speed-limit", required_argument, nullptr, kSpeedLimit},
    {"speeding-seconds", required_argument, nullptr, kSpeedingSeconds},
    {nullptr, 0, nullptr, 0},
};

// The arguments with "--report=xlsx FILE" made "--workbook=FILE", since the library takes one
// value an option.
std::vector<std::string> WithWorkbookJoined(const std::vector<std::string>& args) {
  std::vector<std::string> joined;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--") {  // only files follow
      joined.insert(joined.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
      break;
    }
    if (args[i] != "--report=xlsx") {
      joined.push_back(args[i]);
      continue;
    }
    // The next argument is the workbook's name; an option or "-" there is a mistake.
    if (i + 1 == args.size() || args[i + 1].empty() || args[i + 1][0] == '-')
      throw AppError(std::string(kNeedsWorkbookFile));
    joined.push_back("--workbook=" + args[++i]);
  }
  return joined;
}

bool IsWorkbookName(std::string_view name) {
  constexpr std::string_view kExtension = ".xlsx";
  if (name.size() <= kExtension.size()) return false;
  const std::string_view end = name.substr(name.size() - kExtension.size());
  return std::equal(end.begin(), end.end(), kExtension.begin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == b;
  });
}

CliOptions::Report ReportForm(const char* form) {
  const std::string name = form == nullptr ? "text" : form;
  if (name == "text") return CliOptions::Report::Text;
  if (name == "csv") return CliOptions::Report::Csv;
  if (name == "legs-csv") return CliOptions::Report::LegsCsv;
  if (name == "stops-csv") return CliOptions::Report::StopsCsv;
  if (name == "speeding-csv") return CliOptions::Report::SpeedingCsv;
  throw AppError(Filled(kUnknownReport, {name}));
}

}  // namespace

CliOptions ParseCliOptions(const std::vector<std::string>& given) {
  // The library's argument vector over our own strings.
  std::vector<std::string> args = WithWorkbookJoined(given);
  std::string program = "trackkml-cli";
  std::vector<char*> argv{program.data()};
  for (auto& arg : args)
    argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(argv.size()) - 1;

  CliOptions options;
  bool speedingSecondsGiven = false;
  opterr = 0;  // its messages are ours
  optind = 0;  // a fresh scan, also when called again
  for (;;) {
    int index = -1;
    const int c = getopt_long(argc, argv.data(), ":o:qh", kLongOptions, &index);
    if (c == -1) break;
    const std::string value = optarg != nullptr ? optarg : "";
    const std::string name = index >= 0 ? std::string("--") + kLongOptions[index].name
                                        : std::string("-") + static_cast<char>(c);
    switch (c) {
      case 'o':
        if (value.empty()) throw AppError(Filled(kNeedsFolder, {name}));
        options.outputDir = value;
        break;
      case 'q':
        options.quiet = true;
        break;
      case 'h':
        options.help = true;
        break;
      case kStdout:
        options.toStdout = true;
        break;
      case kSummary:
        options.summary = true;
        break;
      case kVersion:
        options.version = true;
        break;
      case kTimestamps:
        options.timestamps = true;
        break;
      case kGpx:
        options.gpx = true;
        break;
      case kHtml:
        options.html = true;
        break;
      case kReport:
        options.report = ReportForm(optarg);
        break;
      case kWorkbook:
        if (value.empty()) throw AppError(std::string(kNeedsWorkbookFile));
        if (!options.workbook.empty()) throw AppError(std::string(kWorkbookTwice));
        // A name forgotten before the exports would take the first export's place.
        if (!IsWorkbookName(value)) throw AppError(Filled(kWorkbookName, {value}));
        options.workbook = value;
        break;
      case kZone:
        if (value.empty()) throw AppError(std::string(kNeedsZone));
        options.timeZone = value;
        break;
      case kStopMinutes:
        options.stopMinutes = WholeNumber(value, "--stop-minutes", kMinutes);
        break;
      case kSpeedLimit:
        options.speedLimit = SpeedLimit(value);
        break;
      case kSpeedingSeconds:
        options.speedingSeconds = WholeNumber(value, "--speeding-seconds", kSeconds);
        speedingSecondsGiven = true;
        break;
      case ':':
        throw AppError(Filled(kNeedsValue, {argv[static_cast<std::size_t>(optind) - 1]}));
      default:
        throw AppError(
            Filled(kUnknownOption,
                   {optopt != 0 ? std::string("-") + static_cast<char>(optopt)
                                : std::string(argv[static_cast<std::size_t>(optind) - 1])}));
    }
  }
  for (int i = optind; i < argc; ++i)
    options.files.push_back(argv[static_cast<std::size_t>(i)]);
  if (options.help || options.version) return options;

  options.files = ExpandFilePatterns(options.files);
  if (options.files.empty()) throw AppError(std::string(kNoFile));
  if (options.toStdout && options.summary) {
    throw AppError(std::string(kStdoutAndSummary));
  }
  const bool toStandardOutput = options.toStdout || options.summary;
  if (toStandardOutput && options.files.size() != 1) {
    throw AppError(Filled(kOneFileOnly, {options.toStdout ? "--stdout" : "--summary"}));
  }
  if (toStandardOutput && (options.gpx || options.NeedsFacts())) {
    throw AppError(std::string(kNoFilesBeside));
  }
  if (speedingSecondsGiven && !options.speedLimit) throw AppError(std::string(kSecondsNeedLimit));
  if (toStandardOutput && !options.outputDir.empty()) {
    throw AppError(std::string(kNoFolderBeside));
  }
  for (const auto& file : options.files) {
    if (file == "-" && !toStandardOutput) {
      throw AppError(std::string(kStandardInputOnly));
    }
  }
  return options;
}
