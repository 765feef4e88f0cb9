// The batch tool on inputs nobody should give it: each gives a clear error or a correct KML,
// and nothing is lost.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "day_page.h"
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

std::size_t CrLfLines(const std::string& text) {
  std::size_t n = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos;
       at = text.find("\r\n", at + 2)) {
    ++n;
  }
  return n;
}

constexpr std::size_t kEmptyDocumentLines = 184;
// The least the tool takes for an export: a column-title row ("Ώρα;"), no rows.
const std::string kTinyExport = "\xBF\xF1\xE1;\r\n";

TEST(CliHostile, AFolderGivesTheOpenError) {
  ScratchDir dir;
  fs::create_directory(dir / "folder.csv");
  const auto r = Cli(ShellQuote(dir / "folder.csv"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, std::string(tool_messages::kProgram) +
                       Filled(file_messages::kCannotOpen, {dir / "folder.csv", "Is a directory"}) +
                       ".\n");
  EXPECT_TRUE(fs::is_directory(dir / "folder.csv"));
  EXPECT_FALSE(fs::exists(dir / "folder.kml"));
}

TEST(CliHostile, DevicesAndPipesAreReadToTheirEnd) {
  ScratchDir dir;
  auto r = Cli("-q -o " + ShellQuote(dir.path()) + " /dev/null");
  EXPECT_EQ(r.status, 1) << "nothing read is no export";
  EXPECT_EQ(r.err, std::string(tool_messages::kProgram) +
                       "/dev/null: " + std::string(tool_messages::kNotAnExport) + ".\n");
  EXPECT_FALSE(fs::exists(dir / "null.kml"));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));

  r = Cli("--summary /dev/zero");  // endless, but the text ends at its first NUL, which is said
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(CrLfLines(r.out), 4u);
  EXPECT_EQ(r.err, std::string(tool_messages::kProgram) +
                       "/dev/zero: " + Filled(file_messages::kCutAtNul, {"0"}) + ".\n");

  const std::string fifo = dir / "pipe.csv";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // The writer comes late: the tool waits for it, as any tool reading a pipe does.
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    WriteBytes(fifo, "\xBF\xF1\xE1;\r\nt;;1;;2;3\r\n");
  });
  r = Cli("-q " + ShellQuote(fifo));
  writer.join();
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(CrLfLines(ReadBytes(dir / "pipe.kml")), kEmptyDocumentLines + 10);
}

// A disk that fills while the document's pieces are made on several threads: the one error is
// reported, the old KML is kept and nothing else is left. So too for a KML written in place
// (it has a second link), whether the size limit is ignored or ends the program.
TEST(CliHostile, AFullDiskFailsTheSaveAndKeepsTheOldKml) {
  ScratchDir dir;
  WriteBytes(dir / "day.csv", GenerateExport(ExportShape{.rows = 50'000}).bytes);
  const std::string error = std::string(tool_messages::kProgram) + dir / "day.csv" + ": " +
                            std::string(file_messages::kStreamWriteError) + ". ";
  CommandResult r;
  for (const bool linked : {false, true}) {
    for (const char* onLimit : {"trap '' XFSZ; ", ""}) {
      fs::remove(dir / "twin.kml");
      WriteBytes(dir / "day.kml", "old");
      if (linked) fs::create_hard_link(dir / "day.kml", dir / "twin.kml");
      // Past the file size limit writes fail as on a full disk.
      r = RunCommand(std::string("ulimit -f 2048; ") + onLimit + "exec " +
                     ShellQuote(TRACKKML_CLI) + " " + ShellQuote(dir / "day.csv"));
      const std::string where = std::string(linked ? "linked, " : "") + onLimit;
      if (*onLimit != '\0' || linked) {
        EXPECT_EQ(r.status, 1) << where;
        EXPECT_EQ(r.err, error + "File too large.\n") << where;
      }
      EXPECT_EQ(ReadBytes(dir / "day.kml"), "old") << where;
      EXPECT_EQ(FolderEntries(dir.path()).size(), linked ? 3u : 2u) << where;
    }
  }

  r = RunCommand(ShellQuote(TRACKKML_CLI) + " --stdout " + ShellQuote(dir / "day.csv") +
                 " >/dev/full");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, std::string(tool_messages::kProgram) +
                       Filled(tool_messages::kStandardOutput,
                              {std::string(file_messages::kStreamWriteError) +
                               ". No space left on device."}) +
                       "\n");
}

TEST(CliHostile, EmptyNulOnlyAndHugeSingleLineFiles) {
  ScratchDir dir;
  WriteBytes(dir / "empty.csv", "");
  WriteBytes(dir / "nuls.csv", std::string(1000, '\0'));
  WriteBytes(dir / "line.csv", std::string(50u << 20, 'x'));
  const auto r = Cli(ShellQuote(dir / "empty.csv") + " " + ShellQuote(dir / "nuls.csv") + " " +
                     ShellQuote(dir / "line.csv"));
  EXPECT_EQ(r.status, 1) << "none is an export";
  for (const char* name : {"empty", "nuls", "line"}) {
    EXPECT_NE(
        r.err.find(dir / (std::string(name) + ".csv: ") + std::string(tool_messages::kNotAnExport)),
        std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(dir / (std::string(name) + ".kml"))) << name;
  }
  EXPECT_EQ(fs::file_size(dir / "line.csv"), 50u << 20);
}

TEST(CliHostile, AwkwardNamesConvertBesideThemselves) {
  ScratchDir dir;
  const std::string names[] = {"with blanks.csv", "quote's \"and\" more.csv", "new\nline.csv",
                               "greek \xC1\xC2\xC3 not utf8 \xFF.csv", "-dash.csv"};
  const auto generated = GenerateExport(ExportShape{.rows = 20});
  std::string args = "-q --";  // "-q " is dropped below
  for (const auto& name : names) {
    WriteBytes(dir / name, generated.bytes);
    args += " " + ShellQuote(dir / name);
  }
  const auto r = Cli(args.substr(3));  // reporting each file
  ASSERT_EQ(r.status, 0) << r.err;
  // One report line a file, a newline in a name shown escaped, and the closing count.
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), std::size(names) + 1) << r.out;
  EXPECT_TRUE(r.out.ends_with("\n" + Filled(tool_messages::kClosing, {"5", "0"}) + "\n")) << r.out;
  EXPECT_NE(r.out.find("new\\nline.csv -> "), std::string::npos) << r.out;
  const std::size_t lines = kEmptyDocumentLines + 10 * (20 - generated.rowsWithoutFix);
  for (const auto& name : names) {
    const std::string kml = dir / (name.substr(0, name.size() - 4) + ".kml");
    EXPECT_EQ(CrLfLines(ReadBytes(kml)), lines) << name;
    EXPECT_EQ(ReadBytes(dir / name), generated.bytes) << name;
  }
}

constexpr unsigned kNobody = 65534;

// The tool as a user without privileges: as root, the unprivileged user runs a copy that it
// can reach wherever the build is; empty when that cannot be arranged.
std::string ToolAsUser(const ScratchDir& dir) {
  if (::geteuid() != 0) return ShellQuote(TRACKKML_CLI);
  if (!HaveTool("setpriv")) return {};
  ::chmod(dir.path().c_str(), 0777);
  if (!fs::exists(dir / "trackkml-cli")) fs::copy_file(TRACKKML_CLI, dir / "trackkml-cli");
  ::chmod((dir / "trackkml-cli").c_str(), 0755);
  return "setpriv --reuid=65534 --regid=65534 --clear-groups " + ShellQuote(dir / "trackkml-cli");
}

TEST(CliHostile, AFileWithoutReadPermission) {
  ScratchDir dir;
  const std::string path = dir / "secret.csv";
  WriteBytes(path, kTinyExport);
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  const std::string tool = ToolAsUser(dir);
  if (tool.empty()) GTEST_SKIP() << "running as root without setpriv";
  const auto r = RunCommand(tool + " " + ShellQuote(path));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, std::string(tool_messages::kProgram) +
                       Filled(file_messages::kCannotOpen, {path, "Permission denied"}) + ".\n");
  EXPECT_FALSE(fs::exists(dir / "secret.kml"));
}

ino_t InodeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Saves do only what writing the file itself could do, as a user without privileges: a
// protected KML is refused and kept, a writable one in a folder the user cannot write is
// written in place, a file of another owner is not handed to the user.
TEST(CliHostile, SavesRespectWhatTheUserMayWrite) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make files of other owners";
  ScratchDir dir;
  const std::string tool = ToolAsUser(dir);
  if (tool.empty()) GTEST_SKIP() << "no setpriv";
  fs::create_directory(dir / "open");
  fs::create_directory(dir / "closed");
  ::chmod((dir / "open").c_str(), 0777);
  for (const char* name : {"open/protected", "closed/writable", "open/roots"}) {
    WriteBytes(dir / (std::string(name) + ".csv"), kTinyExport);
    WriteBytes(dir / (std::string(name) + ".kml"), "previous");
  }
  ::chmod((dir / "open/protected.kml").c_str(), 0444);
  ::chmod((dir / "closed/writable.kml").c_str(), 0666);
  ::chmod((dir / "open/roots.kml").c_str(), 0666);
  ::chmod((dir / "closed").c_str(), 0555);
  const ino_t writable = InodeOf(dir / "closed/writable.kml");

  const auto r = RunCommand(tool + " -q " + ShellQuote(dir / "open/protected.csv") + " " +
                            ShellQuote(dir / "closed/writable.csv") + " " +
                            ShellQuote(dir / "open/roots.csv"));
  EXPECT_EQ(r.status, 1);
  // Root's file in a folder everyone may write is neither written into nor given away.
  EXPECT_EQ(
      r.err,
      std::string(tool_messages::kProgram) + dir / "open/protected.csv" + ": " +
          Filled(file_messages::kCannotCreate, {dir / "open/protected.kml", "Permission denied"}) +
          ".\n" + std::string(tool_messages::kProgram) + dir / "open/roots.csv" + ": " +
          Filled(file_messages::kCannotCreate,
                 {dir / "open/roots.kml", file_messages::kSharedFile}) +
          ".\n");
  EXPECT_EQ(ReadBytes(dir / "open/protected.kml"), "previous");
  EXPECT_EQ(CrLfLines(ReadBytes(dir / "closed/writable.kml")), kEmptyDocumentLines);
  EXPECT_EQ(InodeOf(dir / "closed/writable.kml"), writable);
  struct stat st {};
  ASSERT_EQ(::stat((dir / "open/roots.kml").c_str(), &st), 0);
  EXPECT_EQ(ReadBytes(dir / "open/roots.kml"), "previous");
  EXPECT_EQ(st.st_uid, 0u);
  EXPECT_EQ(FolderEntries(dir / "open"),
            (std::vector<std::string>{"protected.csv", "protected.kml", "roots.csv", "roots.kml"}));
  EXPECT_EQ(FolderEntries(dir / "closed"),
            (std::vector<std::string>{"writable.csv", "writable.kml"}));
}

// A replaced file keeps its owner, group and mode (but for set-id bits); one with another link
// is written in place
// so the link sees the new text; a folder as target is refused.
TEST(CliHostile, SavesKeepOwnersAndLinks) {
  ScratchDir dir;
  WriteBytes(dir / "owned.csv", kTinyExport);
  WriteBytes(dir / "owned.kml", "previous");
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown((dir / "owned.kml").c_str(), kNobody, kNobody), 0);
  }
  // Set-user and set-group bits are a program's, never a document's: the new file has none.
  ::chmod((dir / "owned.kml").c_str(), root ? 06640 : 0640);
  WriteBytes(dir / "linked.csv", kTinyExport);
  WriteBytes(dir / "linked.kml", "previous");
  fs::create_hard_link(dir / "linked.kml", dir / "other-name.kml");
  WriteBytes(dir / "folder.csv", kTinyExport);
  fs::create_directory(dir / "folder.kml");

  const auto r = Cli("-q " + ShellQuote(dir / "owned.csv") + " " + ShellQuote(dir / "linked.csv") +
                     " " + ShellQuote(dir / "folder.csv"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            std::string(tool_messages::kProgram) + dir / "folder.csv" + ": " +
                Filled(file_messages::kCannotCreate, {dir / "folder.kml", "Is a directory"}) +
                ".\n");
  struct stat st {};
  ASSERT_EQ(::stat((dir / "owned.kml").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, kNobody);
  }
  EXPECT_EQ(CrLfLines(ReadBytes(dir / "other-name.kml")), kEmptyDocumentLines);
  EXPECT_TRUE(fs::is_empty(dir / "folder.kml"));
}

// Links never steer the KML into a file given as input, nor, in a sticky folder others may
// write, into a file a stranger's link points at.
TEST(CliHostile, LinksCannotTurnASaveAgainstTheUser) {
  ScratchDir dir;
  WriteBytes(dir / "x.csv", kTinyExport);
  fs::create_symlink("x.csv", dir / "x.kml");
  auto r = Cli("-q " + ShellQuote(dir / "x.csv"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            std::string(tool_messages::kProgram) + dir / "x.csv" + ": " +
                Filled(file_messages::kWouldReplaceInput, {"KML", dir / "x.kml", dir / "x.csv"}) +
                "\n");
  EXPECT_EQ(ReadBytes(dir / "x.csv"), kTinyExport);

  if (::geteuid() != 0) return;  // planting another user's link needs root
  fs::create_directory(dir / "shared");
  ::chmod((dir / "shared").c_str(), 01777);
  WriteBytes(dir / "victim.conf", "keep");
  WriteBytes(dir / "shared/day.csv", kTinyExport);
  fs::create_symlink(dir / "victim.conf", dir / "shared/day.kml");
  ASSERT_EQ(::lchown((dir / "shared/day.kml").c_str(), kNobody, kNobody), 0);
  r = Cli("-q " + ShellQuote(dir / "shared/day.csv"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, std::string(tool_messages::kProgram) + dir / "shared/day.csv" + ": " +
                       Filled(file_messages::kCannotCreate,
                              {dir / "shared/day.kml", file_messages::kPlantedLink}) +
                       ".\n");
  EXPECT_EQ(ReadBytes(dir / "victim.conf"), "keep");

  // Nor through a stranger's link standing for a folder on the way: the output folder, or a
  // folder the save-name rule makes of "trips.csv".
  fs::create_directory(dir / "closed");
  ::chmod((dir / "closed").c_str(), 0700);
  fs::create_directory(dir / "shared/trips.csv");
  WriteBytes(dir / "shared/trips.csv/day.csv", kTinyExport);
  for (const std::string link : {"shared/out", "shared/trips.kml"}) {
    fs::create_symlink(dir / "closed", dir / link);
    ASSERT_EQ(::lchown((dir / link).c_str(), kNobody, kNobody), 0);
  }
  r = Cli("-q --gpx -o " + ShellQuote(dir / "shared/out/new/deeper") + " " +
          ShellQuote(dir / "shared/day.csv") + " " + ShellQuote(dir / "shared/trips.csv/day.csv"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, std::string(tool_messages::kProgram) +
                       Filled(file_messages::kCannotMakeFolder,
                              {dir / "shared/out/new/deeper", file_messages::kPlantedLink}) +
                       ".\n");
  r = Cli("-q " + ShellQuote(dir / "shared/trips.csv/day.csv"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, std::string(tool_messages::kProgram) + dir / "shared/trips.csv/day.csv" + ": " +
                       Filled(file_messages::kCannotCreate,
                              {dir / "shared/trips.kml/day.kml", file_messages::kPlantedLink}) +
                       ".\n");
  EXPECT_TRUE(fs::is_empty(dir / "closed"));

  // Nor into a file or a pipe another user left there for the KML to land in.
  WriteBytes(dir / "shared/planted.csv", kTinyExport);
  WriteBytes(dir / "shared/planted.kml", "theirs");
  WriteBytes(dir / "shared/piped.csv", kTinyExport);
  ASSERT_EQ(::mkfifo((dir / "shared/piped.kml").c_str(), 0666), 0);
  for (const char* planted : {"shared/planted.kml", "shared/piped.kml"})
    ASSERT_EQ(::chown((dir / planted).c_str(), kNobody, kNobody), 0);
  // (Bounded: a pipe wrongly opened would wait for its reader.)
  r = RunCommand("timeout 30 " + ShellQuote(TRACKKML_CLI) + " -q " +
                 ShellQuote(dir / "shared/planted.csv") + " " +
                 ShellQuote(dir / "shared/piped.csv"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, std::string(tool_messages::kProgram) + dir / "shared/planted.csv" + ": " +
                       Filled(file_messages::kCannotCreate,
                              {dir / "shared/planted.kml", file_messages::kSharedFile}) +
                       ".\n" + std::string(tool_messages::kProgram) + dir / "shared/piped.csv" +
                       ": " +
                       Filled(file_messages::kCannotCreate,
                              {dir / "shared/piped.kml", file_messages::kSharedFile}) +
                       ".\n");
  EXPECT_EQ(ReadBytes(dir / "shared/planted.kml"), "theirs");
}

// Standard input past the 2 GiB limit is refused without the tool holding much more.
TEST(CliHostile, StandardInputOverTheLimitIsRefusedWithinTheLimit) {
  REQUIRE_TOOL("/usr/bin/time");
  // 2.2 GB without a line break, in large writes.
  const auto r = RunCommand(
      "perl -e 'my $b = \"a;\" x (1 << 23); print $b for 1 .. 132' 2>/dev/null | "
      "/usr/bin/time -f '%M' " +
      ShellQuote(TRACKKML_CLI) + " --summary - 2>&1 >/dev/null");
  EXPECT_NE(r.out.find(std::string(tool_messages::kProgram) +
                       "-: " + std::string(file_messages::kExportTooLarge) + "."),
            std::string::npos)
      << r.out;
  const std::size_t peakKiB = std::stoul(r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1));
  EXPECT_LT(peakKiB, 2560u * 1024u);  // doubling the buffer reached 4 GiB
}

}  // namespace

namespace {

// The index of several pages replaces only an index of the tool's own, judged on the file
// itself without waiting: the user's own page, a link to an index in another folder (whose
// links would break) and a pipe, even one whose writer idles, are kept and said so; the
// pages are written all the same.
TEST(CliHostile, TheIndexReplacesOnlyAnIndexOfItsOwn) {
  struct Case {
    const char* name;
    void (*plant)(const ScratchDir&);
    bool replaced;
  };
  const Case cases[] = {
      {"none", [](const ScratchDir&) {}, true},
      {"an index of the tool's",
       [](const ScratchDir& d) {
         WriteBytes(d / "index.html", "<head>" + std::string(kPageGenerator) + "</head>");
       },
       true},
      {"the user's own page",
       [](const ScratchDir& d) { WriteBytes(d / "index.html", "<p>mine</p>"); }, false},
      {"a link to an index in another folder",
       [](const ScratchDir& d) {
         fs::create_directory(d / "elsewhere");
         WriteBytes(d / "elsewhere/index.html", "<head>" + std::string(kPageGenerator));
         fs::create_symlink("elsewhere/index.html", d / "index.html");
       },
       false},
      {"a pipe without a writer",
       [](const ScratchDir& d) { ::mkfifo((d / "index.html").c_str(), 0600); }, false},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    for (const char* day : {"a.csv", "b.csv"})
      WriteBytes(dir / day, GenerateExport(ExportShape{.rows = 20}).bytes);
    c.plant(dir);
    const std::string before = fs::is_regular_file(dir / "elsewhere/index.html")
                                   ? ReadBytes(dir / "elsewhere/index.html")
                                   : "";
    const auto r = Cli("-q --html " + ShellQuote(dir / "a.csv") + " " + ShellQuote(dir / "b.csv"));
    EXPECT_EQ(r.status, c.replaced ? 0 : 1) << c.name;
    EXPECT_EQ(r.err, c.replaced
                         ? ""
                         : std::string(tool_messages::kProgram) +
                               Filled(tool_messages::kNotOurIndex, {dir / "index.html"}) + ".\n")
        << c.name;
    EXPECT_TRUE(fs::exists(dir / "a.html") && fs::exists(dir / "b.html")) << c.name;
    if (c.replaced) {
      EXPECT_NE(ReadBytes(dir / "index.html").find("a.html"), std::string::npos) << c.name;
    } else if (!before.empty()) {
      EXPECT_TRUE(fs::is_symlink(dir / "index.html")) << c.name;
      EXPECT_EQ(ReadBytes(dir / "elsewhere/index.html"), before) << c.name;
    }
  }

  // A pipe whose writer holds it open and writes nothing: the run does not wait for it.
  ScratchDir dir;
  for (const char* day : {"a.csv", "b.csv"})
    WriteBytes(dir / day, GenerateExport(ExportShape{.rows = 20}).bytes);
  ASSERT_EQ(::mkfifo((dir / "index.html").c_str(), 0600), 0);
  const auto r =
      RunCommand("sleep 60 <>" + ShellQuote(dir / "index.html") + " & timeout 30 " +
                 ShellQuote(TRACKKML_CLI) + " -q --html " + ShellQuote(dir / "a.csv") + " " +
                 ShellQuote(dir / "b.csv") + "; status=$?; kill $! 2>/dev/null; exit $status");
  EXPECT_EQ(r.status, 1) << "124 is timeout's: the run hung on the pipe";
  EXPECT_TRUE(fs::is_fifo(dir / "index.html"));
}

// Another program of the user's keeps swapping the index with the user's own page while the
// tool writes pages again and again: the page is never replaced, whichever name it has when
// the index is checked or put in place, and some runs meet it there.
TEST(CliHostile, AnIndexSwappedWithTheUsersPageLeavesThePageWhole) {
  ScratchDir dir;
  for (const char* day : {"a.csv", "b.csv"})
    WriteBytes(dir / day, GenerateExport(ExportShape{.rows = 20}).bytes);
  const std::string args =
      "-q --html " + ShellQuote(dir / "a.csv") + " " + ShellQuote(dir / "b.csv");
  ASSERT_EQ(Cli(args).status, 0);
  const std::string mine = "<p>the user's own page</p>";
  WriteBytes(dir / "mine.html", mine);
  const pid_t swapper = ::fork();
  if (swapper == 0) {
    const std::string a = dir / "index.html", b = dir / "mine.html";
    for (;;)
      ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
  }
  int refused = 0;
  for (int run = 0; run < 100; ++run)
    refused += Cli(args).status != 0;
  ::kill(swapper, SIGKILL);
  ::waitpid(swapper, nullptr, 0);
  EXPECT_GT(refused, 0) << "no run met the user's page under the index's name";
  const std::string one = ReadBytes(dir / "index.html"), other = ReadBytes(dir / "mine.html");
  EXPECT_TRUE(one == mine || other == mine) << "the user's page was replaced";
  EXPECT_TRUE(one.find("a.html") != std::string::npos || other.find("a.html") != std::string::npos);
  for (const auto& name : FolderEntries(dir.path()))
    EXPECT_FALSE(name.ends_with(".tmp")) << name;
}

// A workbook's name must end in .xlsx, so that an export forgotten in its place is refused
// before anything is written; an existing file that is not a workbook is kept (a device
// among them), and the run stops before any export is converted.
TEST(CliHostile, AWorkbookReplacesOnlyAWorkbook) {
  ScratchDir dir;
  const std::string exportBytes = GenerateExport(ExportShape{.rows = 20}).bytes;
  for (const char* day : {"2024-10-01.csv", "2024-10-02.csv"})
    WriteBytes(dir / day, exportBytes);
  const std::string days =
      ShellQuote(dir / "2024-10-01.csv") + " " + ShellQuote(dir / "2024-10-02.csv");
  auto r = Cli("--report=xlsx " + days);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, std::string(tool_messages::kProgram) +
                       Filled(tool_messages::kWorkbookName, {dir / "2024-10-01.csv"}) + "\n" +
                       std::string(tool_messages::kUsageLine) + "\n" +
                       std::string(tool_messages::kTryHelp) + "\n");
  EXPECT_EQ(ReadBytes(dir / "2024-10-01.csv"), exportBytes);
  EXPECT_EQ(Cli("--report=xlsx /dev/full " + days).status, 2);

  WriteBytes(dir / "notes.xlsx", "my notes");
  fs::create_symlink("/dev/full", dir / "full.xlsx");
  for (const char* kept : {"notes.xlsx", "full.xlsx"}) {
    r = Cli("-q --report=xlsx " + ShellQuote(dir / kept) + " " + days);
    EXPECT_EQ(r.status, 1) << kept;
    EXPECT_EQ(r.err, std::string(tool_messages::kProgram) +
                         Filled(tool_messages::kNotAWorkbook, {dir / kept}) + ".\n")
        << kept;
    EXPECT_FALSE(fs::exists(dir / "2024-10-01.kml")) << kept << ": an export was converted";
  }
  EXPECT_EQ(ReadBytes(dir / "notes.xlsx"), "my notes");

  r = Cli("-q --report=xlsx " + ShellQuote(dir / "month.XLSX") + " " + days);
  ASSERT_EQ(r.status, 0) << r.err;
  r = Cli("-q --report=xlsx " + ShellQuote(dir / "month.XLSX") + " " + days);
  EXPECT_EQ(r.status, 0) << "a workbook replaces a workbook: " << r.err;
}

// A NUL byte cuts an export as the window's pane cuts it; the KML of what comes before it is
// written, and the tool says which file was cut at which byte and fails the run.
TEST(CliHostile, ANulByteCutsTheExportAndIsSaid) {
  ScratchDir dir;
  std::string bytes = GenerateExport(ExportShape{.rows = 276}).bytes;
  std::size_t at = bytes.find("\r\n", bytes.find("\xBF\xF1\xE1;")) + 2;  // the first data row
  for (int row = 1; row < 16; ++row)
    at = bytes.find("\r\n", at) + 2;
  at += 3;  // into the 16th
  WriteBytes(dir / "cut.csv", bytes.substr(0, at));
  bytes.insert(at, 1, '\0');
  WriteBytes(dir / "day.csv", bytes);
  for (const std::string output : {"", "--stdout", "--summary"}) {
    const auto r = Cli("-q " + output + " " + ShellQuote(dir / "day.csv"));
    EXPECT_EQ(r.status, 1) << output;
    EXPECT_EQ(r.err, std::string(tool_messages::kProgram) + dir / "day.csv" + ": " +
                         Filled(file_messages::kCutAtNul, {std::to_string(at)}) + ".\n")
        << output;
  }
  ASSERT_EQ(Cli("-q " + ShellQuote(dir / "cut.csv")).status, 0);
  EXPECT_TRUE(ReadBytes(dir / "day.kml") == ReadBytes(dir / "cut.kml"))
      << "not the text before the NUL";
}

// What the tool writes on standard output, the help and version included, fails the run
// when it cannot be written, and is said as standard output's failure, not an export's.
// Usage and folder errors name what they are about.
TEST(CliHostile, EveryFailureIsSaidOfWhatFailed) {
  ScratchDir dir;
  WriteBytes(dir / "day.csv", GenerateExport(ExportShape{.rows = 3000}).bytes);
  WriteBytes(dir / "afile", "");
  const std::string standardOutput = std::string(tool_messages::kProgram) +
                                     Filled(tool_messages::kStandardOutput,
                                            {std::string(file_messages::kStreamWriteError) + ". "});
  struct Case {
    const char* name;
    std::string command;
    int status;
    std::string err;  // how standard error begins
  };
  const std::string tool = ShellQuote(TRACKKML_CLI);
  const Case cases[] = {
      {"help to a full disk", tool + " --help >/dev/full", 1, standardOutput + "No space"},
      {"version to a full disk", tool + " --version >/dev/full", 1, standardOutput + "No space"},
      {"a pipe that closes", tool + " --stdout " + ShellQuote(dir / "day.csv") + " | head -c 1", 1,
       standardOutput + "Broken pipe"},
      {"an empty folder name", tool + " -o '' " + ShellQuote(dir / "day.csv"), 2,
       std::string(tool_messages::kProgram) + Filled(tool_messages::kNeedsFolder, {"-o"})},
      {"a folder that is a file",
       tool + " -o " + ShellQuote(dir / "afile") + " " + ShellQuote(dir / "day.csv"), 1,
       std::string(tool_messages::kProgram) +
           Filled(file_messages::kCannotMakeFolder, {dir / "afile", "Not a directory"}) + ".\n"},
  };
  for (const auto& c : cases) {
    const auto r = RunCommand("bash -o pipefail -c " + ShellQuote(c.command));
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_TRUE(r.err.starts_with(c.err)) << c.name << ": " << r.err;
  }
}

// However odd the input, it converts in memory bounded by its size: a month's worth of
// empty lines makes no room per line beyond the text itself.
TEST(CliHostile, EmptyLinesTakeNoRoomOfTheirOwn) {
  REQUIRE_TOOL("/usr/bin/time");
  ScratchDir dir;
  const std::size_t size = 2 << 20;
  WriteBytes(dir / "day.csv", "\xBF\xF1\xE1;\r\n" + std::string(size, '\n'));
  // A sanitizer's quarantine would keep the memory the tool gives back: measured without it.
  const auto r = RunCommand(
      "ASAN_OPTIONS=\"$ASAN_OPTIONS:quarantine_size_mb=0:"
      "thread_local_quarantine_size_kb=0\" /usr/bin/time -f '%M' " +
      ShellQuote(TRACKKML_CLI) + " -q --html --gpx --timestamps --report " +
      ShellQuote(dir / "day.csv") + " 2>&1 >/dev/null");
  ASSERT_TRUE(fs::exists(dir / "day.html")) << r.out;
  const std::size_t peakKiB = std::stoul(r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1));
  EXPECT_LT(peakKiB * 1024, size + (64u << 20)) << "KiB at the peak: " << peakKiB;
}

}  // namespace

namespace {

void Age(const std::string& path, int seconds) {
  const struct timespec times[2] = {{::time(nullptr) - seconds, 0}, {::time(nullptr) - seconds, 0}};
  ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// A run killed outright (SIGKILL, a power cut) can leave a temporary file beside an output,
// or its private folder in the temporary folder: the next run that saves there removes
// those of its own making that no run holds and that are a minute old, and nothing else.
TEST(CliHostile, AKilledRunsLeftoversGoWithTheNextRun) {
  ScratchDir dir;
  fs::create_directory(dir / "tmp");
  WriteBytes(dir / "day.csv", GenerateExport(ExportShape{.rows = 50'000}).bytes);
  const std::string run = "TMPDIR=" + ShellQuote(dir / "tmp") + " " + ShellQuote(TRACKKML_CLI) +
                          " -q --report=xlsx " + ShellQuote(dir / "week.xlsx") + " " +
                          ShellQuote(dir / "day.csv");
  // A real run killed while it waits for its export (a pipe) leaves its private folder; a
  // temporary file beside an output is named only for the moment before its commit, so one
  // such is planted.
  ASSERT_EQ(::mkfifo((dir / "pipe.csv").c_str(), 0600), 0);
  RunCommand("TMPDIR=" + ShellQuote(dir / "tmp") + " " + ShellQuote(TRACKKML_CLI) +
             " -q --report=xlsx " + ShellQuote(dir / "week.xlsx") + " " +
             ShellQuote(dir / "pipe.csv") + " & for i in $(seq 500); do [ -n \"$(ls " +
             ShellQuote(dir / "tmp") + ")\" ] && break; sleep 0.01; done; kill -9 $!; wait");
  const std::vector<std::string> left = FolderEntries(dir / "tmp");
  ASSERT_EQ(left.size(), 1u) << "the killed run left no folder";
  Age(dir / ("tmp/" + left[0]), 120);
  const std::string temporary = ".day.kml.x7k2m9qa.tmp";
  WriteBytes(dir / temporary, "a killed run's");
  Age(dir / temporary, 120);
  // And what looks like one but is not to go: too new, held by a run, or not a name of ours.
  for (const char* kept : {".day.kml.newnewne.tmp", ".day.kml.heldheld.tmp", ".day.kml.notes.tmp",
                           ".other.kml.abcdefgh.tmp"}) {
    WriteBytes(dir / kept, "kept");
    if (std::string(kept) != ".day.kml.newnewne.tmp") Age(dir / kept, 120);
  }
  for (const std::string folder : {"trackkml-123", "trackkml-456", "trackkml-789"}) {
    fs::create_directory(dir / ("tmp/" + folder));
    WriteBytes(dir / ("tmp/" + folder + "/book.xlsx"), "a killed run's");
    if (folder != "trackkml-456") Age(dir / ("tmp/" + folder), 120);
  }
  // Held as a run holds its own.
  const int held = ::open((dir / ".day.kml.heldheld.tmp").c_str(), O_RDONLY);
  const int heldFolder = ::open((dir / "tmp/trackkml-789").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  ASSERT_EQ(::flock(heldFolder, LOCK_EX), 0);

  const auto r = RunCommand(run);
  ::close(held);
  ::close(heldFolder);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(dir / temporary)) << "the killed run's temporary file is still there";
  for (const char* kept : {".day.kml.newnewne.tmp", ".day.kml.heldheld.tmp", ".day.kml.notes.tmp",
                           ".other.kml.abcdefgh.tmp"})
    EXPECT_EQ(ReadBytes(dir / kept), "kept") << kept;
  EXPECT_EQ(FolderEntries(dir / "tmp"), (std::vector<std::string>{"trackkml-456", "trackkml-789"}));
}

}  // namespace
