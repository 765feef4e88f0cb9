#include "cli_options.h"

#include <getopt.h>

#include <algorithm>
#include <cctype>

#include "program_args.h"
#include "tool_messages.h"

using namespace tool_messages;

namespace {

AppError UsageError(const std::string& reason) {
  return AppError(ErrorKind::Usage, reason);
}

// A whole number from 0 to 9999, or the option's usage error.
int WholeNumber(const std::string& text, std::string_view option, std::string_view what) {
  if (text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos)
    throw UsageError(Filled(kNeedsWholeNumber, {option, what}));
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
  if (limit <= 0 || limit > 9999) throw UsageError(std::string(kNeedsSpeed));
  return limit;
}

}  // namespace

namespace {

bool IsWorkbookName(std::string_view name) {
  constexpr std::string_view kExtension = ".xlsx";
  if (name.size() <= kExtension.size()) return false;
  const std::string_view end = name.substr(name.size() - kExtension.size());
  return std::equal(end.begin(), end.end(), kExtension.begin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == b;
  });
}

CliOptions::Report ReportForm(const std::string& name) {
  if (name == "text") return CliOptions::Report::Text;
  if (name == "csv") return CliOptions::Report::Csv;
  if (name == "legs-csv") return CliOptions::Report::LegsCsv;
  if (name == "stops-csv") return CliOptions::Report::StopsCsv;
  if (name == "speeding-csv") return CliOptions::Report::SpeedingCsv;
  throw UsageError(Filled(kUnknownReport, {name}));
}

// What parsing has seen: the options, and what is checked once all are read.
struct Parsed {
  CliOptions options;
  bool speedingSecondsGiven = false;
  std::string option;  // the one being read, as it was written: "-o" or "--output-dir"
};

// The value getopt_long gives the entry kOptions[i]: i + kFirstEntry, beyond every letter.
constexpr int kFirstEntry = 256;

// What an option's value completes to in a shell.
enum class Completes { Nothing, Folder, File, Workbook, Zone, Forms };

// One entry per option: its names, its value, its help and what it sets. The parser's table,
// the help and the shell completion are all made from these.
struct OptionEntry {
  std::string_view name;   // the long name
  char letter;             // the short one, or 0
  int argument;            // no_argument, required_argument or optional_argument
  std::string_view shown;  // as the help names it, with its value
  std::string_view help;   // its lines; "%1" stands for its default
  void (*apply)(Parsed&, const std::string& value, bool given);
  Completes completes = Completes::Nothing;
  std::string (*shownDefault)() = nullptr;
};

const OptionEntry kOptions[] = {
    {"output-dir", 'o', required_argument, "-o, --output-dir DIR",
     "write the KML documents into DIR instead (made if\n"
     "missing)",
     [](Parsed& p, const std::string& value, bool) {
       if (value.empty()) throw UsageError(Filled(kNeedsFolder, {p.option}));
       p.options.outputDir = value;
     },
     Completes::Folder},
    {"stdout", 0, no_argument, "--stdout", "write the KML of the one FILE to standard output",
     [](Parsed& p, const std::string&, bool) { p.options.toStdout = true; }},
    {"summary", 0, no_argument, "--summary",
     "write the summary lines of the one FILE to standard\n"
     "output",
     [](Parsed& p, const std::string&, bool) { p.options.summary = true; }},
    {"quiet", 'q', no_argument, "-q, --quiet", "report nothing but errors",
     [](Parsed& p, const std::string&, bool) { p.options.quiet = true; }},
    {"timestamps", 0, no_argument, "--timestamps",
     "give each marker its time, for a map's time slider",
     [](Parsed& p, const std::string&, bool) { p.options.timestamps = true; }},
    {"gpx", 0, no_argument, "--gpx", "also write a GPX file (\".gpx\" for \".kml\") of the trip",
     [](Parsed& p, const std::string&, bool) { p.options.gpx = true; }},
    {"html", 0, no_argument, "--html",
     "also write a page of the day (\".html\" for \".kml\"): its\n"
     "route, its speed and its facts; with several FILEs, an\n"
     "index.html beside the first page links them",
     [](Parsed& p, const std::string&, bool) { p.options.html = true; }},
    {"report", 0, optional_argument, "--report[=FORM]",
     "print the facts of each day: FORM text (the default),\n"
     "csv (a row a file), legs-csv, stops-csv or\n"
     "speeding-csv (a row a leg, stop or run over the\n"
     "limit); the per-file lines then go to standard error",
     [](Parsed& p, const std::string& value, bool given) {
       p.options.report = ReportForm(given ? value : "text");
     },
     Completes::Forms},
    // Given as "--report=xlsx FILE", which the parser reads as this.
    {"workbook", 0, required_argument, "--report=xlsx FILE",
     "write the facts as a workbook FILE (.xlsx): days,\n"
     "stops, legs and speeding on sheets of their own",
     [](Parsed& p, const std::string& value, bool) {
       if (value.empty()) throw UsageError(std::string(kNeedsWorkbookFile));
       if (!p.options.workbook.empty()) throw UsageError(std::string(kWorkbookTwice));
       // A name forgotten before the exports would take the first export's place.
       if (!IsWorkbookName(value)) throw UsageError(Filled(kWorkbookName, {value}));
       p.options.workbook = value;
     },
     Completes::Workbook},
    {"time-zone", 0, required_argument, "--time-zone NAME",
     "the zone of the export's times (default %1)",
     [](Parsed& p, const std::string& value, bool) {
       if (value.empty()) throw UsageError(std::string(kNeedsZone));
       p.options.timeZone = value;
     },
     Completes::Zone, [] { return std::string(kServiceZone); }},
    {"stop-minutes", 0, required_argument, "--stop-minutes N",
     "a stop is speed 0 for N minutes or more, from arrival\n"
     "to departure (default %1; 0: every run at speed 0)",
     [](Parsed& p, const std::string& value, bool) {
       p.options.rules.stopSeconds =
           std::int64_t{60} * WholeNumber(value, "--stop-minutes", kMinutes);
     },
     Completes::Nothing, [] { return std::to_string(TripRules{}.stopSeconds / 60); }},
    {"speed-limit", 0, required_argument, "--speed-limit KMH",
     "report each run of fixes over KMH km/h, from the first\n"
     "fix over it to the next under it ...",
     [](Parsed& p, const std::string& value, bool) {
       p.options.rules.speedLimit = SpeedLimit(value);
     }},
    {"speeding-seconds", 0, required_argument, "--speeding-seconds S",
     "... that lasts S seconds or more (default %1)",
     [](Parsed& p, const std::string& value, bool) {
       p.options.rules.speedingSeconds = WholeNumber(value, "--speeding-seconds", kSeconds);
       p.speedingSecondsGiven = true;
     },
     Completes::Nothing, [] { return std::to_string(TripRules{}.speedingSeconds); }},
    {"help", 'h', no_argument, "-h, --help", "show this help",
     [](Parsed& p, const std::string&, bool) { p.options.help = true; }},
    {"version", 0, no_argument, "--version", "show the version",
     [](Parsed& p, const std::string&, bool) { p.options.version = true; }},
};

// The library's tables: the long options with each one's place in kOptions as its value (a
// prefix that names one of them alone names it), and the short ones.
struct GetoptTables {
  std::vector<option> longOptions;
  std::string shortOptions = ":";  // a missing value is told apart from an unknown option
};

GetoptTables MakeGetoptTables() {
  GetoptTables tables;
  for (std::size_t i = 0; i < std::size(kOptions); ++i) {
    const OptionEntry& entry = kOptions[i];
    tables.longOptions.push_back(
        {entry.name.data(), entry.argument, nullptr, static_cast<int>(kFirstEntry + i)});
    if (entry.letter != 0) {
      tables.shortOptions += entry.letter;
      if (entry.argument == required_argument) tables.shortOptions += ':';
    }
  }
  tables.longOptions.push_back({nullptr, 0, nullptr, 0});
  return tables;
}

const OptionEntry* EntryOf(int c) {
  if (c >= kFirstEntry && c < kFirstEntry + static_cast<int>(std::size(kOptions)))
    return &kOptions[c - kFirstEntry];
  for (const OptionEntry& entry : kOptions)
    if (entry.letter != 0 && entry.letter == c) return &entry;
  return nullptr;
}

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
      throw UsageError(std::string(kNeedsWorkbookFile));
    joined.push_back("--workbook=" + args[++i]);
  }
  return joined;
}

// The combination of options, once each is read.
void CheckCombination(const Parsed& parsed) {
  const CliOptions& options = parsed.options;
  if (options.files.empty()) throw UsageError(std::string(kNoFile));
  if (options.toStdout && options.summary) throw UsageError(std::string(kStdoutAndSummary));
  const bool toStandardOutput = options.toStdout || options.summary;
  if (toStandardOutput && options.files.size() != 1)
    throw UsageError(Filled(kOneFileOnly, {options.toStdout ? "--stdout" : "--summary"}));
  if (toStandardOutput && (options.gpx || options.NeedsFacts()))
    throw UsageError(std::string(kNoFilesBeside));
  if (parsed.speedingSecondsGiven && !options.rules.speedLimit)
    throw UsageError(std::string(kSecondsNeedLimit));
  if (toStandardOutput && !options.outputDir.empty())
    throw UsageError(std::string(kNoFolderBeside));
  for (const auto& file : options.files) {
    if (file == "-" && !toStandardOutput) throw UsageError(std::string(kStandardInputOnly));
  }
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

  const GetoptTables tables = MakeGetoptTables();
  Parsed parsed;
  opterr = 0;  // its messages are ours
  optind = 0;  // a fresh scan, also when called again
  for (;;) {
    int index = -1;
    const int c = getopt_long(argc, argv.data(), tables.shortOptions.c_str(),
                              tables.longOptions.data(), &index);
    if (c == -1) break;
    if (c == ':')
      throw UsageError(Filled(kNeedsValue, {argv[static_cast<std::size_t>(optind) - 1]}));
    const OptionEntry* entry = EntryOf(c);
    if (entry == nullptr) {
      throw UsageError(
          Filled(kUnknownOption, {optopt != 0 && optopt < kFirstEntry
                                      ? std::string("-") + static_cast<char>(optopt)
                                      : std::string(argv[static_cast<std::size_t>(optind) - 1])}));
    }
    parsed.option = index >= 0 ? "--" + std::string(entry->name) : std::string("-") + entry->letter;
    entry->apply(parsed, optarg != nullptr ? optarg : "", optarg != nullptr);
  }
  CliOptions& options = parsed.options;
  for (int i = optind; i < argc; ++i)
    options.files.push_back(argv[static_cast<std::size_t>(i)]);
  if (options.help || options.version) return options;

  options.files = ExpandFilePatterns(options.files);
  CheckCombination(parsed);
  return options;
}

std::string HelpText() {
  // Each option's names in a column of their own, its help beside them from column 25, or
  // under them when they are too wide.
  constexpr std::size_t kHelpColumn = 25;
  std::string help(kHelpHead);
  const std::string indent(kHelpColumn, ' ');
  for (const OptionEntry& entry : kOptions) {
    std::string names = entry.letter != 0 ? "  " : "      ";
    names += entry.shown;
    help += names;
    if (names.size() + 2 > kHelpColumn)
      help += "\n" + indent;
    else
      help += std::string(kHelpColumn - names.size(), ' ');
    const std::string text = entry.shownDefault != nullptr
                                 ? Filled(entry.help, {entry.shownDefault()})
                                 : std::string(entry.help);
    for (const char c : text) {
      help += c;
      if (c == '\n') help += indent;
    }
    help += '\n';
  }
  help += kHelpFoot;
  return help;
}

std::string BashCompletion() {
  std::string options, valued, folders;
  const std::string forms = "text csv legs-csv stops-csv speeding-csv xlsx";
  for (const OptionEntry& entry : kOptions) {
    if (entry.name == "workbook") continue;  // written as --report=xlsx FILE
    const std::string name = "--" + std::string(entry.name);
    options += ' ' + name + (entry.argument == optional_argument ? "=" : "");
    if (entry.argument == optional_argument) options += ' ' + name;
    if (entry.letter != 0) options += std::string(" -") + entry.letter;
    if (entry.argument != required_argument) continue;
    valued += '|' + name;
    if (entry.letter != 0) valued += std::string("|-") + entry.letter;
    if (entry.completes == Completes::Folder) {
      folders += '|' + name;
      if (entry.letter != 0) folders += std::string("|-") + entry.letter;
    }
  }
  std::string script =
      "# bash completion for trackkml-cli, made from its table of options\n"
      "_trackkml_cli() {\n"
      "  # Words as the command line parts them at blanks: \"--report=xlsx\" is one.\n"
      "  local line=${COMP_LINE:0:COMP_POINT} cur prev before\n"
      "  cur=${line##*[[:space:]]}\n"
      "  before=${line%\"$cur\"}\n"
      "  before=${before%\"${before##*[![:space:]]}\"}\n"
      "  prev=${before##*[[:space:]]}\n"
      "  case $prev in\n"
      "    " +
      folders.substr(1) +
      ")\n"
      "      mapfile -t COMPREPLY < <(compgen -d -- \"$cur\"); return ;;\n"
      "    --time-zone)\n"
      "      mapfile -t COMPREPLY < <(cd /usr/share/zoneinfo 2>/dev/null && compgen -f -- "
      "\"$cur\")\n"
      "      return ;;\n"
      "    --report=xlsx)\n"
      "      mapfile -t COMPREPLY < <(compgen -f -X '!*.xlsx' -- \"$cur\"; compgen -d -- "
      "\"$cur\")\n"
      "      return ;;\n"
      "    " +
      valued.substr(1) +
      ")\n"
      "      return ;;\n"
      "  esac\n"
      "  case $cur in\n"
      "    --report=*)  # the shell replaces what follows the \"=\"\n"
      "      mapfile -t COMPREPLY < <(compgen -W '" +
      forms +
      "' -- \"${cur#--report=}\")\n"
      "      return ;;\n"
      "    -*)\n"
      "      mapfile -t COMPREPLY < <(compgen -W '" +
      options.substr(1) +
      "' -- \"$cur\")\n"
      "      [[ ${COMPREPLY[0]} == *= ]] && compopt -o nospace\n"
      "      return ;;\n"
      "  esac\n"
      "  mapfile -t COMPREPLY < <(compgen -f -X '!*.[cC][sS][vV]' -- \"$cur\"; compgen -d -- "
      "\"$cur\")\n"
      "}\n"
      "complete -o filenames -F _trackkml_cli trackkml-cli\n";
  return script;
}
