// The tool's saves turned against the user by a race or by outputs that collide: nothing the
// user has is written but the outputs asked for, and those only whole. (Another user's
// attacks are in another_user_test.cpp, full disks in mounted_fs_test.cpp.)
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "export_generator.h"
#include "file_messages.h"
#include "pane_test_support.h"
#include "run_command.h"
#include "tool_messages.h"

namespace {

namespace fs = std::filesystem;

CommandResult Cli(const std::string& args) {
  return RunCommand(ShellQuote(TRACKKML_CLI) + " " + args);
}

struct stat StatOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st;
}

// A file that takes the KML's name while the tool waits for its export (a pipe) is not
// written into: the save fails and the file, with its other link, keeps its text.
TEST(SaveAttacks, AFileThatTakesTheNameMeanwhileIsNotWrittenInto) {
  ScratchDir dir;
  ASSERT_EQ(::mkfifo((dir / "day.csv").c_str(), 0600), 0);
  WriteBytes(dir / "day.kml", "old");
  WriteBytes(dir / "precious", "precious");
  fs::create_hard_link(dir / "precious", dir / "other-name");
  WriteBytes(dir / "export", GenerateExport(ExportShape{.rows = 50}).bytes);
  const std::string in = ShellQuote(dir.path().string());
  // The tool checks its outputs first, then waits for the pipe's writer.
  const auto r = RunCommand(ShellQuote(TRACKKML_CLI) + " -q " + ShellQuote(dir / "day.csv") +
                            " & sleep 0.5; mv " + in + "/precious " + in + "/day.kml; cat " + in +
                            "/export >" + in + "/day.csv; wait $!");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, std::string(tool_messages::kProgram) + dir / "day.csv" + ": " +
                       Filled(file_messages::kCannotCreate,
                              {dir / "day.kml", file_messages::kReplacedWhileSaving}) +
                       ".\n");
  EXPECT_EQ(ReadBytes(dir / "day.kml"), "precious");
  EXPECT_EQ(ReadBytes(dir / "other-name"), "precious");
}

// Outputs that are one file are refused, and so is an output that cannot be written, before
// anything is written.
TEST(SaveAttacks, OutputsThatAreOneFileOrUnwritableAreRefusedBeforeAnyIsWritten) {
  struct Case {
    const char* name;
    void (*plant)(const ScratchDir&);
    std::string error;  // after "trackkml-cli: <day.csv>: "; '#' is the folder
  };
  const std::string oneFile =
      Filled(file_messages::kOutputsAreOneFile, {"KML", "#/day.kml", "GPX", "#/day.gpx"}) + ".\n";
  const Case cases[] = {
      {"GPX links to KML",
       [](const ScratchDir& d) { fs::create_symlink("day.kml", d / "day.gpx"); }, oneFile},
      {"KML links to GPX",
       [](const ScratchDir& d) {
         fs::rename(d / "day.kml", d / "day.gpx");
         fs::create_symlink("day.gpx", d / "day.kml");
       },
       oneFile},
      {"hard links",
       [](const ScratchDir& d) { fs::create_hard_link(d / "day.kml", d / "day.gpx"); }, oneFile},
      {"GPX is a folder", [](const ScratchDir& d) { fs::create_directory(d / "day.gpx"); },
       Filled(file_messages::kCannotCreate, {"#/day.gpx", "Is a directory"}) + ".\n"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    WriteBytes(dir / "day.csv", GenerateExport(ExportShape{.rows = 50}).bytes);
    WriteBytes(dir / "day.kml", "old");
    c.plant(dir);
    const auto r = Cli("--gpx " + ShellQuote(dir / "day.csv"));
    std::string error = c.error;
    for (auto at = error.find('#'); at != std::string::npos; at = error.find('#'))
      error.replace(at, 1, dir.path().string());
    EXPECT_EQ(r.status, 1) << c.name;
    EXPECT_EQ(r.err, std::string(tool_messages::kProgram) + dir / "day.csv" + ": " + error)
        << c.name;
    EXPECT_EQ(ReadBytes(dir / "day.kml"), "old") << c.name;
    EXPECT_EQ(r.out, "") << c.name;
  }
}

// A replaced KML keeps its ACL and extended attributes: the named user keeps its write
// permission, the owning group gains none.
TEST(SaveAttacks, AReplacedFileKeepsItsAclAndAttributes) {
  REQUIRE_TOOL("setfacl");
  ScratchDir dir;
  const std::string kml = dir / "day.kml";
  WriteBytes(dir / "day.csv", GenerateExport(ExportShape{.rows = 50}).bytes);
  WriteBytes(kml, "old");
  ::chmod(kml.c_str(), 0640);
  ASSERT_EQ(RunCommand("setfacl -m u:65534:rw " + ShellQuote(kml)).status, 0);
  if (::setxattr(kml.c_str(), "user.fleet", "north", 5, 0) != 0)
    GTEST_SKIP() << "no user attributes on this file system";
  const std::string acl = RunCommand("getfacl -c " + ShellQuote(kml)).out;
  ASSERT_NE(acl.find("user:nobody:rw-"), std::string::npos) << acl;
  const ino_t before = StatOf(kml).st_ino;

  const auto r = Cli("-q " + ShellQuote(dir / "day.csv"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(StatOf(kml).st_ino, before) << "replaced, not written in place";
  EXPECT_GT(ReadBytes(kml).size(), 1000u);
  EXPECT_EQ(RunCommand("getfacl -c " + ShellQuote(kml)).out, acl);
  EXPECT_EQ(StatOf(kml).st_mode & 07777, 0660u) << "the group bits are the ACL's mask";
  char value[16] = {};
  EXPECT_EQ(::getxattr(kml.c_str(), "user.fleet", value, sizeof value), 5);
  EXPECT_STREQ(value, "north");
}

// Six tools saving one KML in place at once (it has a second link) leave one whole document,
// never a mix; the second link sees it too.
TEST(SaveAttacks, ConcurrentInPlaceWritersLeaveOneWholeDocument) {
  ScratchDir dir;
  fs::create_directory(dir / "out");
  std::vector<std::string> documents;
  std::string tools;
  for (int i = 0; i < 6; ++i) {
    const std::string folder = dir / ("d" + std::to_string(i));
    fs::create_directory(folder);
    WriteBytes(folder + "/day.csv",
               GenerateExport(ExportShape{.rows = 4000u + 1000u * i, .seed = 7u + i}).bytes);
    ASSERT_EQ(Cli("-q " + ShellQuote(folder + "/day.csv")).status, 0);
    documents.push_back(ReadBytes(folder + "/day.kml"));
    tools += ShellQuote(TRACKKML_CLI) + " -q -o " + ShellQuote(dir / "out") + " " +
             ShellQuote(folder + "/day.csv") + " & ";
  }
  WriteBytes(dir / "out/day.kml", "old");
  fs::create_hard_link(dir / "out/day.kml", dir / "out/twin.kml");
  for (int round = 0; round < 5; ++round) {
    ASSERT_EQ(RunCommand(tools + "wait").status, 0);
    const std::string written = ReadBytes(dir / "out/day.kml");
    EXPECT_NE(std::find(documents.begin(), documents.end(), written), documents.end())
        << "round " << round << ": " << written.size() << " bytes, not one whole document";
    EXPECT_EQ(ReadBytes(dir / "out/twin.kml"), written);
  }
}

// What the tool prints on standard output counts as much as the files: when it cannot be
// written, the run fails and says so.
TEST(SaveAttacks, StandardOutputThatCannotBeWrittenFailsTheRun) {
  ScratchDir dir;
  WriteBytes(dir / "day.csv", GenerateExport(ExportShape{.rows = 50}).bytes);
  const std::string full =
      std::string(file_messages::kStreamWriteError) + ". No space left on device.\n";
  for (const std::string options : {"--report", "--report=csv", "", "--summary"}) {
    const auto r = RunCommand(ShellQuote(TRACKKML_CLI) + " " + options + " " +
                              ShellQuote(dir / "day.csv") + " >/dev/full");
    EXPECT_EQ(r.status, 1) << options;
    const std::string line = Filled(tool_messages::kStandardOutput, {full});
    // With a report, the per-file line goes to standard error after it.
    EXPECT_TRUE(r.err.starts_with(std::string(tool_messages::kProgram) + line)) << options << r.err;
  }
}

}  // namespace
