#include <gtest/gtest.h>

#include <filesystem>

#include "export_generator.h"
#include "export_reader.h"
#include "export_rows.h"
#include "file_messages.h"
#include "greek.h"
#include "kml_lines.h"
#include "line_view.h"
#include "pane_test_support.h"
#include "program_args.h"
#include "run_command.h"
#include "text_loader.h"
#include "tool_messages.h"

namespace {

namespace fs = std::filesystem;

const std::string kCli = TRACKKML_CLI;

CommandResult Cli(const std::string& args, const std::string& input = {}) {
  return RunCommand(ShellQuote(kCli) + " " + args, input);
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines)
    text.append(l).append("\r\n");
  return text;
}

// The one conversion of the text a pane holds after loading these bytes: what the tool must
// write wherever it writes.
std::string ExpectedKml(const std::string& exportBytes) {
  const std::string text = TextFromBytes(exportBytes, {.limit = SIZE_MAX, .tooLarge = ""}).text;
  return Convert(text).kml;
}

TEST(Cli, ConvertsBesideTheExportAndToStandardOutput) {
  ScratchDir dir;
  // The golden export gives the golden KML and summary, byte for byte, also where there is no
  // window to compare them.
  const std::string data = TRACKKML_TEST_DATA;
  WriteBytes(dir / "golden.csv", ReadBytes(data + "/day.csv"));
  ASSERT_EQ(Cli("-q " + ShellQuote(dir / "golden.csv")).status, 0);
  EXPECT_EQ(ReadBytes(dir / "golden.kml"), ReadBytes(data + "/day.kml"));
  EXPECT_EQ(Cli("--summary " + ShellQuote(dir / "golden.csv")).out,
            ReadBytes(data + "/day-summary.txt"));

  const auto generated = GenerateExport(ExportShape{.rows = 500});
  WriteBytes(dir / "day.csv", generated.bytes);

  auto r = Cli(ShellQuote(dir / "day.csv"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir / "day.kml"), ExpectedKml(generated.bytes));
  EXPECT_EQ(r.out,
            Filled(tool_messages::kConverted, {dir / "day.csv", dir / "day.kml",
                                               std::to_string(500 - generated.rowsWithoutFix),
                                               std::to_string(generated.rowsWithoutFix)}) +
                "\n");
  EXPECT_EQ(ReadBytes(dir / "day.csv"), generated.bytes);

  r = Cli("--stdout " + ShellQuote(dir / "day.csv"));
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out, ReadBytes(dir / "day.kml"));

  r = Cli("--stdout -", generated.bytes);  // standard input
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out, ReadBytes(dir / "day.kml"));

  r = Cli("--summary " + ShellQuote(dir / "day.csv"));
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Joined(ReadExport(generated.bytes).summary));
}

// An export whose lines the file breaks with lone LFs or CRs, or a mix (LF CR is two breaks,
// CR CR LF two), gives every output exactly as its CR LF form does: the tool reads the breaks
// as the window's pane makes them.
TEST(Cli, EveryKindOfLineBreakGivesTheSameOutputs) {
  ScratchDir dir;
  const std::string crLf = GenerateExport(ExportShape{.rows = 300}).bytes;
  const auto rebroken = [&crLf](const std::vector<std::string>& breaks) {
    std::string out;
    std::size_t k = 0;
    for (std::size_t at = 0; at < crLf.size();) {
      const std::size_t end = crLf.find("\r\n", at);
      out.append(crLf, at, end - at).append(breaks[k++ % breaks.size()]);
      at = end + 2;
    }
    return out;
  };
  WriteBytes(dir / "crlf.csv", rebroken({"\r\n", "\r\n\r\n"}));
  const std::string options = "-q --gpx --html --timestamps --report=csv --stop-minutes 0 ";
  const auto outputs = [&](const std::string& name) {
    const auto r = Cli(options + ShellQuote(dir / (name + ".csv")));
    EXPECT_EQ(r.status, 0) << name << r.err;
    // The report, its rows naming the file by a name of its own.
    std::string all = r.out;
    const std::string file = dir / (name + ".csv");
    for (auto at = all.find(file); at != std::string::npos; at = all.find(file))
      all.replace(at, file.size(), "FILE");
    for (const char* extension : {".kml", ".gpx"})
      all += ReadBytes(dir / (name + extension));
    return all;
  };
  const std::string expected = outputs("crlf");
  const std::pair<const char*, std::vector<std::string>> forms[] = {
      {"lf", {"\n", "\n\n"}},
      {"cr", {"\r", "\r\r"}},
      {"mixed", {"\n", "\r\r\n", "\r", "\n\r", "\r\n", "\r\n\r"}},
  };
  for (const auto& [name, breaks] : forms) {
    WriteBytes(dir / (std::string(name) + ".csv"), rebroken(breaks));
    EXPECT_TRUE(outputs(name) == expected) << name;
  }
}

TEST(Cli, KeepsGoingAfterAFailureAndReportsIt) {
  ScratchDir dir;
  // Exports of a column-title row and a line, whatever their names.
  const std::string c = greek::kTitleLabel + "\r\nc\n", d = greek::kTitleLabel + "\r\nd\n";
  WriteBytes(dir / "a.csv", greek::kTitleLabel + "\r\na;b\r\n");
  WriteBytes(dir / "c.CSV", c);
  WriteBytes(dir / "d.txt", d);
  const auto r = Cli("-q " + ShellQuote(dir / "a.csv") + " " + ShellQuote(dir / "missing.csv") +
                     " " + ShellQuote(dir / "c.CSV") + " " + ShellQuote(dir / "d.txt"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, std::string(tool_messages::kProgram) +
                       Filled(file_messages::kCannotOpen,
                              {dir / "missing.csv", "No such file or directory"}) +
                       ".\n");
  EXPECT_TRUE(fs::exists(dir / "a.kml"));
  EXPECT_EQ(ReadBytes(dir / "c.kml"), ExpectedKml(c));  // never over the export
  EXPECT_EQ(ReadBytes(dir / "c.CSV"), c);
  EXPECT_EQ(ReadBytes(dir / "d.txt.kml"), ExpectedKml(d));
}

TEST(Cli, WritesIntoAnOutputFolderWithoutClobbering) {
  ScratchDir dir;
  fs::create_directories(dir / "x");
  fs::create_directories(dir / "y");
  fs::create_directories(dir / "out");
  const std::string one = greek::kTitleLabel + "\r\n1\n", two = greek::kTitleLabel + "\r\n2\n";
  WriteBytes(dir / "x/day.csv", one);
  WriteBytes(dir / "y/day.csv", two);
  const auto r = Cli("-o " + ShellQuote(dir / "out") + " " + ShellQuote(dir / "x/day.csv") + " " +
                     ShellQuote(dir / "y/day.csv"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ReadBytes(dir / "out/day.kml"), ExpectedKml(one));
  EXPECT_EQ(r.err, std::string(tool_messages::kProgram) + dir / "y/day.csv" + ": " +
                       Filled(file_messages::kWouldReplaceOther,
                              {"KML", dir / "out/day.kml", "KML", dir / "x/day.csv"}) +
                       "\n");

  // Nor is a file given for converting replaced by another's KML.
  const std::string keep = greek::kTitleLabel + "\r\nkeep\n";
  WriteBytes(dir / "x/day.kml", keep);
  const auto again =
      Cli("-q " + ShellQuote(dir / "x/day.csv") + " " + ShellQuote(dir / "x/day.kml"));
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(ReadBytes(dir / "x/day.kml"), keep);
  EXPECT_TRUE(std::filesystem::exists(dir / "x/day.kml.kml"));
}

TEST(Cli, RefusesBadUsageWithStatus2) {
  const char* bad[] = {
      "",   "--bogus a.csv",      "--stdout a.csv b.csv", "--summary --stdout a.csv", "-",
      "-o", "--stdout -o d a.csv"};
  for (const char* args : bad) {
    const auto r = Cli(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.err.find(tool_messages::kUsageLine), std::string::npos) << args;
  }
  auto r = Cli("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind(tool_messages::kUsageLine, 0), 0u);
  r = Cli("--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind(Filled(tool_messages::kVersionLine, {""}), 0), 0u);
}

}  // namespace

namespace {

// Windows' command line cut as its C runtime cuts it.
TEST(Cli, WindowsCommandLinesAreCutAsTheRuntimeCutsThem) {
  struct Case {
    std::string line;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {R"("C:\Program Files\trackkml\trackkml-cli.exe" C:\exports\*.csv)", {R"(C:\exports\*.csv)"}},
      {R"(cli.exe "C:\my exports\*.csv" -o "C:\out dir\\" x)",
       {R"(C:\my exports\*.csv)", "-o", R"(C:\out dir\)", "x"}},
      {R"(cli.exe a\\\"b "c""d" e\f	"")", {R"(a\"b)", R"(c"d)", R"(e\f)", ""}},
      {"cli.exe   ", {}},
      {R"(cli "a b"c d)", {"a bc", "d"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
}

}  // namespace

// The conventions of command-line tools: options bundled, joined to their values or given
// with "=", long ones by any unambiguous prefix; -o makes its folder; a usage error ends by
// pointing to --help; a file that is no export is refused while the rest go on, and a run of
// several files ends with its count.
TEST(Cli, FollowsTheConventionsItsUsersKnow) {
  const struct {
    std::string args;  // "DIR" and "DAY" stand for the output folder and the export
    int status;
    std::string kml;  // where the KML lands, under DIR, or "" for none
  } cases[] = {
      {"-qo DIR/a DAY", 0, "a/day.kml"},
      {"-oDIR/b/c DAY", 0, "b/c/day.kml"},
      {"--output=DIR/d DAY", 0, "d/day.kml"},
      {"--out DIR/e DAY", 0, "e/day.kml"},
      {"-q --output-dir=DIR/f DAY", 0, "f/day.kml"},
      {"-o", 2, ""},
      {"--bogus DAY", 2, ""},
      {"--t DAY", 2, ""},
      {"--report=pdf DAY", 2, ""},
      {"-x DAY", 2, ""},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    WriteBytes(dir / "day.csv", GenerateExport(ExportShape{.rows = 20}).bytes);
    std::string args = c.args;
    for (const auto& [word, path] : {std::pair{"DIR", dir.path()}, {"DAY", dir / "day.csv"}})
      for (auto at = args.find(word); at != std::string::npos; at = args.find(word))
        args.replace(at, std::string(word).size(), path);
    const auto r = Cli(args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    if (c.status == 2) {
      EXPECT_TRUE(r.err.ends_with("\n" + std::string(tool_messages::kTryHelp) + "\n"))
          << c.args << "\n"
          << r.err;
    } else {
      EXPECT_TRUE(fs::exists(dir / c.kml)) << c.args;
    }
  }

  ScratchDir dir;
  WriteBytes(dir / "a.csv", GenerateExport(ExportShape{.rows = 20}).bytes);
  WriteBytes(dir / "plain.csv", "name,lat,lon\r\nA,37.5,23.7\r\n");
  const auto r = Cli(ShellQuote(dir / "plain.csv") + " " + ShellQuote(dir / "a.csv"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, std::string(tool_messages::kProgram) + dir / "plain.csv" + ": " +
                       std::string(tool_messages::kNotAnExport) + ".\n");
  EXPECT_FALSE(fs::exists(dir / "plain.kml"));
  EXPECT_TRUE(r.out.ends_with("\n" + Filled(tool_messages::kClosing, {"1", "1"}) + "\n")) << r.out;
}
