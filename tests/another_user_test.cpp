// Saves attacked by another user of the machine: as root, with the other user (nobody)
// acting through setpriv as a logged-in user would, in folders others may write. Nothing
// root has is written, followed into or lost, and a race reaches the window it attacks.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "export_generator.h"
#include "file_messages.h"
#include "pane_test_support.h"
#include "run_command.h"
#include "tool_messages.h"

namespace {

namespace fs = std::filesystem;

constexpr unsigned kNobody = 65534;

// The kernel's own guard of links in sticky folders switched off while a test runs, as on a
// system that sets it so, so that only the program's rules stand in the attacker's way.
class KernelGuardOff {
 public:
  explicit KernelGuardOff(std::string name) : path_("/proc/sys/fs/" + std::move(name)) {
    previous_ = ReadBytes(path_);
    WriteBytes(path_, "0\n");
  }
  ~KernelGuardOff() {
    if (!previous_.empty()) WriteBytes(path_, previous_);
  }

 private:
  std::string path_, previous_;
};

struct stat StatOf(const fs::path& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st;
}

class AnotherUser : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    REQUIRE_TOOL("setpriv");
    ::chmod(dir_.path().c_str(), 0755);
    // A file only root may read, in a folder anyone may pass through (like /etc/shadow), and a
    // folder only root may enter.
    fs::create_directory(dir_ / "etc");
    WriteBytes(dir_ / "etc/secret", "keep");
    ::chmod((dir_ / "etc/secret").c_str(), 0600);
    fs::create_directory(dir_ / "private");
    ::chmod((dir_ / "private").c_str(), 0700);
    // A sticky folder anyone may write, root's (like /tmp), and one of the other user's own.
    for (const char* shared : {"st", "theirs"}) {
      fs::create_directory(dir_ / shared);
      ::chmod((dir_ / shared).c_str(), 01777);
      WriteBytes(dir_ / (std::string(shared) + "/day.csv"),
                 GenerateExport(ExportShape{.rows = 20}).bytes);
    }
    ASSERT_EQ(::chown((dir_ / "theirs").c_str(), kNobody, kNobody), 0);
  }

  // A command run as the other user.
  static CommandResult AsNobody(const std::string& command) {
    return RunCommand("setpriv --reuid=65534 --regid=65534 --clear-groups sh -c " +
                      ShellQuote(command));
  }
  static CommandResult Cli(const std::string& args) {
    return RunCommand(ShellQuote(TRACKKML_CLI) + " " + args);
  }
  std::string Path(const std::string& name) const { return dir_ / name; }

  ScratchDir dir_;
};

// What another user plants where root saves: a hard link to a file only root may read is
// replaced by name, never written into; a link of the folder's owner is not followed; a file
// of a third user is neither written into nor given the save; -o makes no folder through a
// planted link. The file only root may read keeps its text and its one name.
TEST_F(AnotherUser, WhatAnotherUserPlantsIsNeverWrittenThroughOrInto) {
  const KernelGuardOff hardLinks("protected_hardlinks");
  const KernelGuardOff symLinks("protected_symlinks");
  struct Case {
    const char* name;
    std::string plant;  // run as the other user, in the scratch folder
    std::string args;   // the tool's, as root
    std::string err;    // empty: converted
  };
  const std::string kml = Path("st/day.kml"), theirs = Path("theirs/day.kml");
  const auto refused = [](const std::string& csv, std::string_view message) {
    return std::string(tool_messages::kProgram) + csv + ": " + std::string(message) + ".\n";
  };
  const Case cases[] = {
      {"a hard link to root's file in root's sticky folder", "ln etc/secret st/day.kml",
       "-q " + Path("st/day.csv"), ""},
      {"a hard link to root's file in the other user's folder", "ln etc/secret theirs/day.kml",
       "-q " + Path("theirs/day.csv"), ""},
      {"a link of the folder's owner", "ln -s ../etc/secret theirs/day.kml",
       "-q " + Path("theirs/day.csv"),
       refused(Path("theirs/day.csv"),
               Filled(file_messages::kCannotCreate, {theirs, file_messages::kPlantedLink}))},
      {"a third user's file, with a second name", "echo theirs >st/day.kml && ln st/day.kml st/b",
       "-q " + Path("st/day.csv"),
       refused(Path("st/day.csv"),
               Filled(file_messages::kCannotCreate, {kml, file_messages::kSharedFile}))},
      {"a link as the output folder", "ln -s ../private st/out",
       "-q -o " + Path("st/out/new/deeper") + " " + Path("st/day.csv"),
       std::string(tool_messages::kProgram) +
           Filled(file_messages::kCannotMakeFolder,
                  {Path("st/out/new/deeper"), file_messages::kPlantedLink}) +
           ".\n"},
  };
  for (const auto& c : cases) {
    for (const char* name : {"st/day.kml", "st/b", "st/out", "theirs/day.kml"})
      fs::remove(Path(name));
    ASSERT_EQ(AsNobody("cd " + ShellQuote(dir_.path()) + " && " + c.plant).status, 0) << c.name;
    const auto r = Cli(c.args);
    EXPECT_EQ(r.status, c.err.empty() ? 0 : 1) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
    EXPECT_EQ(ReadBytes(Path("etc/secret")), "keep") << c.name;
    EXPECT_EQ(StatOf(Path("etc/secret")).st_nlink, 1u) << c.name << ": a name of it is left";
    EXPECT_TRUE(fs::is_empty(Path("private"))) << c.name;
  }
}

// The other user holds a shared lock on a KML that root writes in place (it has a second
// link): the save waits a few seconds at most, then fails saying so, and writes nothing.
TEST_F(AnotherUser, TheirLockIsWaitedForOnlyAWhile) {
  fs::create_directory(Path("own"));
  WriteBytes(Path("own/day.csv"), GenerateExport(ExportShape{.rows = 20}).bytes);
  WriteBytes(Path("own/day.kml"), "old");
  ::chmod(Path("own/day.kml").c_str(), 0644);
  fs::create_hard_link(Path("own/day.kml"), Path("own/twin.kml"));
  const std::string ready = Path("locked");
  ::chmod(dir_.path().c_str(), 0777);
  const pid_t holder = ::fork();
  if (holder == 0) {
    ::execlp("setpriv", "setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "flock",
             "--no-fork", "--shared", Path("own/day.kml").c_str(), "sh", "-c",
             ("touch " + ShellQuote(ready) + " && exec sleep 60").c_str(), nullptr);
    ::_exit(127);
  }
  for (int i = 0; i < 1000 && !fs::exists(ready); ++i)
    ::usleep(10000);
  ASSERT_TRUE(fs::exists(ready)) << "the other user never took the lock";
  const auto r = Cli("-q " + ShellQuote(Path("own/day.csv")));
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, std::string(tool_messages::kProgram) + Path("own/day.csv") + ": " +
                       Filled(file_messages::kCannotCreate,
                              {Path("own/day.kml"), file_messages::kLocked}) +
                       ".\n");
  EXPECT_EQ(ReadBytes(Path("own/twin.kml")), "old");
}

// The other user keeps putting a file of its own under the KML's name and taking it away
// again, in root's sticky folder, while root converts beside it again and again. Root's save
// finds the name free, and at its commit finds the other user's file there: that run fails
// and the file is put back as it was; no run writes into it or removes it. The race is
// reached: some run meets the file at its commit.
TEST_F(AnotherUser, AFileThatComesAtTheCommitIsPutBack) {
  WriteBytes(Path("st/own"), "the other user's");
  ASSERT_EQ(::chown(Path("st/own").c_str(), kNobody, kNobody), 0);
  const pid_t attacker = ::fork();
  if (attacker == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
      ::_exit(1);
    const std::string own = Path("st/own"), kml = Path("st/day.kml");
    for (;;) {
      if (::renameat2(AT_FDCWD, own.c_str(), AT_FDCWD, kml.c_str(), RENAME_NOREPLACE) == 0)
        ::renameat2(AT_FDCWD, kml.c_str(), AT_FDCWD, own.c_str(), RENAME_NOREPLACE);
    }
  }
  ASSERT_GT(attacker, 0);
  int putBack = 0, converted = 0, refused = 0;
  const std::string tookPlace = Filled(file_messages::kCannotCreate,
                                       {Path("st/day.kml"), file_messages::kReplacedWhileSaving});
  for (int run = 0; run < 300 && putBack == 0; ++run) {
    const auto r = Cli("-q " + ShellQuote(Path("st/day.csv")));
    if (r.status == 0) ++converted;
    if (r.err.find(tookPlace) != std::string::npos) ++putBack;
    if (r.err.find(std::string(file_messages::kSharedFile)) != std::string::npos) ++refused;
    // Root's KML takes the name away from the other user: it goes before the next run. (The
    // other user cannot take a name root's file holds, so what is seen is what goes.)
    struct stat st {};
    if (::lstat(Path("st/day.kml").c_str(), &st) == 0 && st.st_uid == 0)
      fs::remove(Path("st/day.kml"));
  }
  ::kill(attacker, SIGKILL);
  ::waitpid(attacker, nullptr, 0);
  EXPECT_GT(putBack, 0) << "no run met the other user's file at its commit (" << converted
                        << " converted, " << refused << " refused at once)";
  const bool atOwn = fs::exists(Path("st/own"));
  EXPECT_EQ(ReadBytes(Path(atOwn ? "st/own" : "st/day.kml")), "the other user's");
  EXPECT_EQ(StatOf(Path(atOwn ? "st/own" : "st/day.kml")).st_uid, kNobody);
}

}  // namespace
