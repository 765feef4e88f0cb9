// The batch tool on inputs nobody should give it: each gives a clear error or a correct KML,
// and nothing is lost.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "export_generator.h"
#include "pane_test_support.h"
#include "run_command.h"

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

TEST(CliHostile, AFolderGivesTheOpenError) {
  ScratchDir dir;
  fs::create_directory(dir / "folder.csv");
  const auto r = Cli(ShellQuote(dir / "folder.csv"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "trackkml-cli: " + dir / "folder.csv" + ": Cannot open file \"" +
                       dir / "folder.csv" + "\". Is a directory.\n");
  EXPECT_TRUE(fs::is_directory(dir / "folder.csv"));
  EXPECT_FALSE(fs::exists(dir / "folder.kml"));
}

TEST(CliHostile, DevicesAndPipesAreReadToTheirEnd) {
  ScratchDir dir;
  auto r = Cli("-q -o " + ShellQuote(dir.path()) + " /dev/null");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(CrLfLines(ReadBytes(dir / "null.kml")), kEmptyDocumentLines);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));

  r = Cli("--summary /dev/zero");  // endless, but the text ends at its first NUL
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(CrLfLines(r.out), 4u);

  const std::string fifo = dir / "pipe.csv";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] { WriteBytes(fifo, "\xBF\xF1\xE1;\r\nt;;1;;2;3\r\n"); });
  r = Cli("-q " + ShellQuote(fifo));
  writer.join();
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(CrLfLines(ReadBytes(dir / "pipe.kml")), kEmptyDocumentLines + 10);
}

TEST(CliHostile, EmptyNulOnlyAndHugeSingleLineFiles) {
  ScratchDir dir;
  WriteBytes(dir / "empty.csv", "");
  WriteBytes(dir / "nuls.csv", std::string(1000, '\0'));
  WriteBytes(dir / "line.csv", std::string(50u << 20, 'x'));
  const auto r = Cli(ShellQuote(dir / "empty.csv") + " " + ShellQuote(dir / "nuls.csv") + " " +
                     ShellQuote(dir / "line.csv"));
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* name : {"empty.kml", "nuls.kml", "line.kml"}) {
    EXPECT_EQ(CrLfLines(ReadBytes(dir / name)), kEmptyDocumentLines) << name;
  }
  EXPECT_EQ(fs::file_size(dir / "line.csv"), 50u << 20);
}

TEST(CliHostile, AwkwardNamesConvertBesideThemselves) {
  ScratchDir dir;
  const std::string names[] = {"with blanks.csv", "quote's \"and\" more.csv", "new\nline.csv",
                               "greek \xC1\xC2\xC3 not utf8 \xFF.csv", "-dash.csv"};
  const auto generated = GenerateExport(ExportShape{.rows = 20});
  std::string args = "-q --";
  for (const auto& name : names) {
    WriteBytes(dir / name, generated.bytes);
    args += " " + ShellQuote(dir / name);
  }
  const auto r = Cli(args);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::size_t lines = kEmptyDocumentLines + 10 * (20 - generated.rowsWithoutFix);
  for (const auto& name : names) {
    const std::string kml = dir / (name.substr(0, name.size() - 4) + ".kml");
    EXPECT_EQ(CrLfLines(ReadBytes(kml)), lines) << name;
    EXPECT_EQ(ReadBytes(dir / name), generated.bytes) << name;
  }
}

TEST(CliHostile, AFileWithoutReadPermission) {
  ScratchDir dir;
  const std::string path = dir / "secret.csv";
  WriteBytes(path, "x\r\n");
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  std::string tool = TRACKKML_CLI;
  if (::geteuid() == 0) {
    // Root reads anything: run the tool as the unprivileged user instead, from a copy that
    // user can reach wherever the build is.
    if (!HaveTool("setpriv")) GTEST_SKIP() << "running as root without setpriv";
    ::chmod(dir.path().c_str(), 0777);
    fs::copy_file(TRACKKML_CLI, dir / "trackkml-cli");
    ::chmod((dir / "trackkml-cli").c_str(), 0755);
    tool = "setpriv --reuid=65534 --regid=65534 --clear-groups " + ShellQuote(dir / "trackkml-cli");
  } else {
    tool = ShellQuote(tool);
  }
  const auto r = RunCommand(tool + " " + ShellQuote(path));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "trackkml-cli: " + path + ": Cannot open file \"" + path + "\". Permission denied.\n");
  EXPECT_FALSE(fs::exists(dir / "secret.kml"));
}

}  // namespace
