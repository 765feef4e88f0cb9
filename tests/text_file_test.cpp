#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "app_error.h"
#include "file_errors.h"
#include "file_messages.h"
#include "pane_test_support.h"
#include "save_name.h"
#include "text_pane.h"

namespace {

namespace fs = std::filesystem;

TEST(SaveTextFile, WritesExactlyThePaneBytes) {
  ScratchDir dir;
  MemoryStorage storage;
  TextPane pane(storage);
  pane.ClearText();
  for (const char* s : {"x", "", "y"})
    pane.AppendLine(s);
  pane.SaveTextFile(dir / "out.kml");
  EXPECT_EQ(ReadBytes(dir / "out.kml"), "x\r\n\r\ny\r\n");

  MemoryStorage initial("Memo3\r\n");
  TextPane memo3(initial);
  memo3.SaveTextFile(dir / "out.kml");  // over an existing longer file
  EXPECT_EQ(ReadBytes(dir / "out.kml"), "Memo3\r\n");

  MemoryStorage empty;
  TextPane emptyPane(empty);
  emptyPane.SaveTextFile(dir / "out.kml");
  EXPECT_TRUE(fs::exists(dir / "out.kml"));
  EXPECT_EQ(fs::file_size(dir / "out.kml"), 0u);
  emptyPane.SaveTextFile(dir / "new.kml");
  EXPECT_EQ(fs::file_size(dir / "new.kml"), 0u);

  EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"new.kml", "out.kml"}));
}

TEST(FileErrors, NameTheFullPathAndTheSystemsWords) {
  ScratchDir dir;
  const std::string cwdBefore = fs::current_path();
  fs::current_path(dir.path());
  fs::create_directory("folder.csv");
  MemoryStorage storage("kept\r\n");
  TextPane pane(storage);
  const std::string full = fs::current_path().string();

  struct Case {
    const char* name;
    std::function<void()> action;
    std::string message;
  } cases[] = {
      {"missing file", [&] { pane.LoadTextFile("day.csv"); },
       Filled(file_messages::kCannotOpen, {full + "/day.csv", "No such file or directory"})},
      {"missing folder", [&] { pane.LoadTextFile("no/../nothere/day.csv"); },
       Filled(file_messages::kCannotOpen,
              {full + "/nothere/day.csv", "No such file or directory"})},
      {"folder given as a file", [&] { pane.LoadTextFile("folder.csv"); },
       Filled(file_messages::kCannotOpen, {full + "/folder.csv", "Is a directory"})},
      {"empty name to load", [&] { pane.LoadTextFile(""); },
       Filled(file_messages::kCannotOpen, {"", "No such file or directory"})},
      {"empty name to save", [&] { pane.SaveTextFile(""); },
       Filled(file_messages::kCannotCreate, {"", "No such file or directory"})},
      {"save into a missing folder", [&] { pane.SaveTextFile("./nothere/day.kml"); },
       Filled(file_messages::kCannotCreate,
              {full + "/nothere/day.kml", "No such file or directory"})},
      {"save over a folder", [&] { pane.SaveTextFile("folder.csv"); },
       Filled(file_messages::kCannotCreate, {full + "/folder.csv", "Is a directory"})},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Message(c.action), c.message) << c.name;
    EXPECT_EQ(pane.Text(), "kept\r\n") << c.name;
  }
  EXPECT_EQ(FolderEntries("."), (std::vector<std::string>{"folder.csv"}));
  fs::current_path(cwdBefore);
}

TEST(FileErrors, TrimTheSystemsWords) {
  EXPECT_EQ(TrimmedErrorText("No such file or directory.\r\n "), "No such file or directory");
  const std::string error5 = Filled(file_messages::kSystemError, {"5"});
  EXPECT_EQ(TrimmedErrorText(error5 + "..."), error5);
  EXPECT_EQ(TrimmedErrorText("..."), "");
  const std::string cannotOpen =
      Filled(file_messages::kCannotOpen, {"/a", "No such file or directory"});
  EXPECT_EQ(DisplayMessage(cannotOpen), cannotOpen + ".");
  EXPECT_EQ(DisplayMessage(file_messages::kStreamWriteError),
            std::string(file_messages::kStreamWriteError) + ".");
  EXPECT_EQ(DisplayMessage("Ends in a stop."), "Ends in a stop.");
  EXPECT_EQ(DisplayMessage("Bang!"), "Bang!");
  EXPECT_EQ(DisplayMessage("Greek \xE1"), "Greek \xE1.");
  EXPECT_EQ(DisplayMessage("slash/"), "slash/.");
  EXPECT_EQ(DisplayMessage(""), "");
}

// Runs a save in a child process whose file-size limit is `limit` bytes, so the write
// really stops short; returns the message the child saw.
std::string SaveWithFileSizeLimit(const std::string& text, const std::string& target,
                                  rlim_t limit) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeFds[0]);
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit lim{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &lim);
    MemoryStorage storage(text);
    TextPane pane(storage);
    std::string message = Message([&] { pane.SaveTextFile(target); });
    (void)!::write(pipeFds[1], message.data(), message.size());
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  std::string message;
  char buffer[256];
  for (long n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
    message.append(buffer, n);
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return message;
}

TEST(SaveTextFile, AShortWriteLeavesTheTargetAsItWas) {
  ScratchDir dir;
  const std::string target = dir / "day.kml";
  WriteBytes(target, "the previous KML\r\n");
  ::chmod(target.c_str(), 0640);

  const std::string big(100000, 'k');
  EXPECT_EQ(SaveWithFileSizeLimit(big, target, 4096), file_messages::kStreamWriteError);
  EXPECT_EQ(ReadBytes(target), "the previous KML\r\n");
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"day.kml"});  // no temporary left

  // A new target is not made at all.
  EXPECT_EQ(SaveWithFileSizeLimit(big, dir / "new.kml", 10), file_messages::kStreamWriteError);
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"day.kml"});

  // Under the limit the save goes through and keeps the target's permission bits.
  EXPECT_EQ(SaveWithFileSizeLimit("small\r\n", target, 4096), "(no error)");
  EXPECT_EQ(ReadBytes(target), "small\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(SaveTextFile, AFullDeviceGivesTheWriteErrorAndStaysADevice) {
  MemoryStorage storage("x\r\n");
  TextPane pane(storage);
  EXPECT_EQ(Message([&] { pane.SaveTextFile("/dev/full"); }), file_messages::kStreamWriteError);
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
  pane.SaveTextFile("/dev/null");
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST(SaveTextFile, WritesThroughASymbolicLink) {
  ScratchDir dir;
  WriteBytes(dir / "real.kml", "old");
  fs::create_symlink("real.kml", dir / "link.kml");
  MemoryStorage storage("new\r\n");
  TextPane pane(storage);
  pane.SaveTextFile(dir / "link.kml");
  EXPECT_TRUE(fs::is_symlink(dir / "link.kml"));
  EXPECT_EQ(ReadBytes(dir / "real.kml"), "new\r\n");
}

// The system's calls a save writes and judges through never follow a link at the name they
// are given: the link is refused or seen as itself, so that no check can be steered.
TEST(SystemFiles, NoCallOnANameInAFolderFollowsALinkThere) {
  ScratchDir dir;
  WriteBytes(dir / "real", "real");
  fs::create_symlink("real", dir / "link");
  OsFiles& os = SystemFiles();
  std::string leaf;
  const int folder = os.OpenSaveFolder(dir / "x", leaf);
  ASSERT_GE(folder, 0);
  const auto refused = [](int fd) {
    if (fd >= 0) ::close(fd);
    return fd < 0 && errno == ELOOP;
  };
  EXPECT_TRUE(refused(os.OpenInPlace(folder, "link", false))) << "opened for writing";
  EXPECT_TRUE(refused(os.OpenToRead(folder, "link"))) << "opened for reading";
  const int inspected = os.OpenToInspect(folder, "link");
  ASSERT_GE(inspected, 0);
  EXPECT_EQ(os.FactsOf(inspected)->kind, FileFacts::Kind::Other) << "inspected its target";
  ::close(inspected);
  EXPECT_EQ(os.FactsAt(folder, "link")->kind, FileFacts::Kind::Other) << "looked at its target";
  // Nor does reading what a name holds ever wait: a pipe without a writer opens at once.
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(5);
    ::_exit(os.OpenToRead(folder, "pipe") >= 0 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "waited for the pipe's writer";
  // A save's walk with its last link not to follow stops at the link.
  const int last = os.OpenSaveFolder(dir / "link", leaf, {.followLast = false});
  ASSERT_GE(last, 0);
  EXPECT_EQ(leaf, "link");
  EXPECT_EQ(os.FactsAt(last, leaf)->kind, FileFacts::Kind::Other);
  ::close(last);
  ::close(folder);
  EXPECT_EQ(ReadBytes(dir / "real"), "real");
}

TEST(LoadTextFile, RefusesAFileOf2GiBBeforeReadingIt) {
  ScratchDir dir;
  const std::string path = dir / "huge.csv";
  WriteBytes(path, "");
  fs::resize_file(path, 0x80000000ull);  // sparse: nothing is really written
  MemoryStorage storage("kept");
  TextPane pane(storage);
  EXPECT_EQ(Message([&] { pane.LoadTextFile(path); }), file_messages::kPaneTooLarge);
  EXPECT_EQ(pane.Text(), "kept");
}

struct NameCase {
  std::string accepted, saved;
};

TEST(SaveNameFor, NeverGivesBackTheOpenedName) {
  const NameCase cases[] = {
      {"/data/day.csv", "/data/day.kml"},
      {"/data/a.csv/b.csv", "/data/a.kml/b.kml"},
      {"/data/day.csv.old", "/data/day.kml.old"},
      {"a.csv.csv", "a.kml.kml"},
      {"DAY.CSV", "DAY.kml"},
      {"/x/Day.Csv", "/x/Day.kml"},
      {"day.txt", "day.txt.kml"},
      {"/data/day", "/data/day.kml"},
      {"/data.CSV/day", "/data.CSV/day.kml"},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SaveNameFor(c.accepted), c.saved) << c.accepted;
}

}  // namespace
