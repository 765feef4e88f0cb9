// The tool's command line read into its options, the combination checked, and the help and
// the shell's completion made from the same table.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>

#include "cli_options.h"
#include "pane_test_support.h"
#include "run_command.h"

namespace {

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  return {std::istream_iterator<std::string>(in), {}};
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(CliOptions, EachOptionSetsWhatItSays) {
  const struct {
    std::string line;
    bool (*holds)(const CliOptions&);
  } cases[] = {
      {"-qo out a.csv", [](const CliOptions& o) { return o.quiet && o.outputDir == "out"; }},
      {"--output=out a.csv", [](const CliOptions& o) { return o.outputDir == "out"; }},
      {"--report a.csv", [](const CliOptions& o) { return o.report == CliOptions::Report::Text; }},
      {"--report=legs-csv a.csv",
       [](const CliOptions& o) { return o.report == CliOptions::Report::LegsCsv; }},
      {"--report=xlsx week.XLSX a.csv",
       [](const CliOptions& o) { return o.workbook == "week.XLSX"; }},
      {"--stop-minutes 0 --speed-limit 90.5 --speeding-seconds 9999 a.csv",
       [](const CliOptions& o) {
         return o.rules.stopSeconds == 0 && o.rules.speedLimit == 90.5 &&
                o.rules.speedingSeconds == 9999;
       }},
      {"--stop-minutes 7 a.csv", [](const CliOptions& o) { return o.rules.stopSeconds == 420; }},
      // The defaults are the trip rules' own; a zone is told given or not.
      {"a.csv",
       [](const CliOptions& o) {
         return o.rules.stopSeconds == TripRules{}.stopSeconds && !o.rules.speedLimit &&
                o.rules.speedingSeconds == TripRules{}.speedingSeconds && !o.timeZone &&
                !o.NeedsTimes();
       }},
      {"--time-zone Europe/Athens a.csv",
       [](const CliOptions& o) { return o.timeZone == std::string(kServiceZone); }},
      {"--stdout -", [](const CliOptions& o) { return o.toStdout && o.files.size() == 1; }},
      {"-- --stdout", [](const CliOptions& o) { return !o.toStdout && o.files.size() == 1; }},
      {"--help", [](const CliOptions& o) { return o.help && o.files.empty(); }},
  };
  for (const auto& c : cases) {
    CliOptions options;
    ASSERT_NO_THROW(options = ParseCliOptions(Words(c.line))) << c.line;
    EXPECT_TRUE(c.holds(options)) << c.line;
  }
}

TEST(CliOptions, WhatCannotBeUsedIsAUsageErrorThatSaysWhy) {
  const struct {
    std::string line;
    std::string says;
  } cases[] = {
      {"--stop-minutes 10000 a.csv", "--stop-minutes needs a number of minutes"},
      {"--stop-minutes -1 a.csv", "--stop-minutes needs"},
      {"--speeding-seconds 12345 --speed-limit 90 a.csv", "--speeding-seconds needs"},
      {"--speed-limit 0 a.csv", "--speed-limit needs a speed"},
      {"--speed-limit 10000 a.csv", "--speed-limit needs a speed"},
      {"--speed-limit 90. a.csv", "--speed-limit needs a speed"},
      {"--speeding-seconds 20 a.csv", "--speeding-seconds needs --speed-limit"},
      {"--report=xlsx b.csv a.csv", "ends in .xlsx"},
      {"--report=xlsx a.xlsx --report=xlsx b.xlsx c.csv", "given twice"},
      {"--report=pdf a.csv", "not \"pdf\""},
      {"--time-zone= a.csv", "--time-zone needs a zone name"},
      {"-o '' a.csv", "needs a folder"},
      {"--stdout --summary a.csv", "cannot be given together"},
      {"--stdout a.csv b.csv", "--stdout takes exactly one FILE"},
      {"--summary --gpx a.csv", "cannot be given with --stdout or --summary"},
      {"--stdout -o d a.csv", "--output-dir cannot be given"},
      {"-", "standard input"},
      {"--s a.csv", "unknown or ambiguous option --s"},
      {"-x a.csv", "unknown or ambiguous option -x"},
      {"a.csv -o", "option -o needs a value"},
      {"--quiet", "no FILE given"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> words = Words(c.line);
    for (auto& word : words)
      if (word == "''") word.clear();
    try {
      ParseCliOptions(words);
      ADD_FAILURE() << c.line << " was accepted";
    } catch (const AppError& error) {
      EXPECT_EQ(error.Kind(), ErrorKind::Usage) << c.line;
      EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos)
          << c.line << ": " << error.what();
    }
  }
}

// The help is pinned by its golden file; every option it names is in the man page too.
TEST(CliOptions, TheHelpAndTheManPageNameEveryOption) {
  const std::string help = HelpText();
  EXPECT_EQ(help, FileText(std::string(TRACKKML_TEST_DATA) + "/trackkml-cli-help.txt"));
  const std::string man = FileText(std::string(TRACKKML_SOURCE) + "/cli/trackkml-cli.1");
  const std::regex option(R"(--([a-z-]+))");
  std::set<std::string> named;
  for (std::sregex_iterator it(help.begin(), help.end(), option), end; it != end; ++it)
    named.insert((*it)[1]);
  EXPECT_GE(named.size(), 14u);
  for (const std::string& name : named) {
    std::string roff = "\\-\\-";
    for (const char c : name)
      roff += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_NE(man.find(roff), std::string::npos) << "--" << name;
  }
}

// What bash offers as a user types, with the completion the package installs.
TEST(CliOptions, BashCompletesFromTheSameTable) {
  REQUIRE_TOOL("/bin/bash");
  ScratchDir dir;
  std::ofstream(dir / "completion.bash") << BashCompletion();
  std::ofstream(dir / "day.csv") << "";
  std::ofstream(dir / "notes.txt") << "";
  std::ofstream(dir / "week.xlsx") << "";
  std::filesystem::create_directory(dir / "out");
  const struct {
    std::string line;
    std::string offered;
  } cases[] = {
      {"trackkml-cli --st", "--stdout --stop-minutes"},
      {"trackkml-cli --rep", "--report= --report"},
      {"trackkml-cli --report=le", "legs-csv"},
      {"trackkml-cli -o ", "out"},
      {"trackkml-cli --output-dir o", "out"},
      {"trackkml-cli --report=xlsx w", "week.xlsx"},
      {"trackkml-cli --stop-minutes ", ""},
      {"trackkml-cli -q d", "day.csv"},
      {"trackkml-cli -q n", ""},
  };
  for (const auto& c : cases) {
    const std::string script =
        "cd " + ShellQuote(dir.path().string()) +
        " && compopt() { :; } && . ./completion.bash && COMP_LINE=" + ShellQuote(c.line) +
        " COMP_POINT=" + std::to_string(c.line.size()) +
        "; _trackkml_cli; echo ${COMPREPLY[*]}";
    const auto r = RunCommand("bash -c " + ShellQuote(script));
    EXPECT_EQ(r.out, c.offered + "\n") << c.line << r.err;
  }
}

}  // namespace
