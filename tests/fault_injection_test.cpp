// Loads and saves with the operating system failing at each call: the message, the pane or
// the target untouched, no temporary file left, no descriptor leaked.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
#include <utility>

#include "app_error.h"
#include "atomic_file.h"
#include "file_kinds.h"
#include "file_messages.h"
#include "pane_test_support.h"
#include "private_folder.h"
#include "save_rules.h"
#include "system_errors.h"
#include "text_pane.h"

namespace {

namespace fs = std::filesystem;

// The system's calls, with one kind of call made to fail.
class FaultyFiles final : public OsFiles {
 public:
  enum class Fault {
    None,
    Open,
    Size,
    Read,
    ReadEndsEarly,
    Create,
    Write,
    Flush,
    Close,
    Rename,
    Reserve,  // room for a file written in place cannot be had
    Signal,   // the signal numbered `error` arrives after `bytesBeforeFailure` bytes are written
    SignalOnNaming  // the signal numbered `error` arrives as a temporary file or folder is named
  };
  Fault fault = Fault::None;
  int error = EIO;
  std::size_t bytesBeforeFailure = 0;  // Read and Write fail after this many bytes
  std::size_t chunk = 0;               // when set, every read and write moves at most this
  bool unnamed = true;                 // false: as a file system without unnamed files
  bool reserves = true;                // false: as a file system without fallocate
  bool writeAtMoves = false;           // a write at an offset moves the file's position (Win32)
  std::vector<fs::path> foldersFlushed;
  // What another program does just before the call, as in a race that hits its window.
  std::function<void()> beforeOpenInPlace, beforePuttingInPlace;

  int OpenForReading(const std::string& path, bool waitForWriter) override {
    if (fault == Fault::Open) return Fail();
    return os_.OpenForReading(path, waitForWriter);
  }
  long long SizeOf(int fd) override { return fault == Fault::Size ? Fail() : os_.SizeOf(fd); }
  long ReadSome(int fd, char* buffer, std::size_t count) override {
    count = Limit(count);
    if (fault == Fault::Read || fault == Fault::ReadEndsEarly) {
      if (moved_ >= bytesBeforeFailure) return fault == Fault::Read ? Fail() : 0;
      count = std::min(count, bytesBeforeFailure - moved_);
    }
    const long n = os_.ReadSome(fd, buffer, count);
    if (n > 0) moved_ += static_cast<std::size_t>(n);
    return n;
  }
  int CreateNew(int folder, const std::string& leaf) override {
    if (fault == Fault::Create) return Fail();
    const int fd = os_.CreateNew(folder, leaf);
    if (fault == Fault::SignalOnNaming) ::raise(error);
    return fd;
  }
  long WriteSome(int fd, const char* data, std::size_t count) override {
    return Written([&](std::size_t n) { return os_.WriteSome(fd, data, n); }, count);
  }
  void StartWriteBack(int fd, unsigned long long offset, unsigned long long size) override {
    os_.StartWriteBack(fd, offset, size);
  }
  int Flush(int fd) override { return fault == Fault::Flush ? Fail() : os_.Flush(fd); }
  int Close(int fd) override {
    const int r = os_.Close(fd);  // the descriptor is gone even when close reports failure
    return fault == Fault::Close ? Fail() : r;
  }
  std::optional<FileFacts> FactsOf(const std::string& path) override { return os_.FactsOf(path); }
  std::optional<FileFacts> FactsOf(int fd) override { return os_.FactsOf(fd); }
  int OpenSaveFolder(const std::string& name, std::string& leaf, SaveWalk walk) override {
    return os_.OpenSaveFolder(name, leaf, walk);
  }
  std::optional<FileFacts> FactsAt(int folder, const std::string& leaf) override {
    return os_.FactsAt(folder, leaf);
  }
  int CheckWritable(int folder, const std::string& leaf) override {
    return os_.CheckWritable(folder, leaf);
  }
  bool MayGive(unsigned owner, unsigned group) override { return os_.MayGive(owner, group); }
  int CreateUnnamed(int folder) override {
    return fault == Fault::Create || !unnamed ? Fail() : os_.CreateUnnamed(folder);
  }
  int NameUnnamed(int fd, int folder, const std::string& leaf) override {
    const int named = os_.NameUnnamed(fd, folder, leaf);
    if (fault == Fault::SignalOnNaming) ::raise(error);
    return named;
  }
  int Keep(int fd, int folder, const std::string& leaf) override {
    return os_.Keep(fd, folder, leaf);
  }
  int OpenInPlace(int folder, const std::string& leaf, bool wait) override {
    if (beforeOpenInPlace) beforeOpenInPlace();
    return os_.OpenInPlace(folder, leaf, wait);
  }
  int OpenToInspect(int folder, const std::string& leaf) override {
    return os_.OpenToInspect(folder, leaf);
  }
  int OpenToRead(int folder, const std::string& leaf) override {
    return os_.OpenToRead(folder, leaf);
  }
  long ReadAt(int fd, char* buffer, std::size_t count, unsigned long long offset) override {
    return os_.ReadAt(fd, buffer, count, offset);
  }
  int Lock(int fd, int waitSeconds) override { return os_.Lock(fd, waitSeconds); }
  int Reserve(int fd, unsigned long long size) override {
    if (!reserves) {
      errno = kErrorUnsupported;
      return -1;
    }
    return fault == Fault::Reserve ? Fail() : os_.Reserve(fd, size);
  }
  long WriteAt(int fd, const char* data, std::size_t count, unsigned long long offset) override {
    const long n = Written([&](std::size_t k) { return os_.WriteAt(fd, data, k, offset); }, count);
    if (writeAtMoves && n > 0) ::lseek(fd, static_cast<off_t>(offset) + n, SEEK_SET);
    return n;
  }
  int Truncate(int fd, unsigned long long size) override { return os_.Truncate(fd, size); }
  int CopyAttributes(int from, int to) override { return os_.CopyAttributes(from, to); }
  int SetMode(int fd, unsigned mode) override { return os_.SetMode(fd, mode); }
  int SetOwner(int fd, unsigned owner, unsigned group) override {
    return os_.SetOwner(fd, owner, group);
  }
  int FlushFolder(int folder) override {
    foldersFlushed.push_back(fs::read_symlink("/proc/self/fd/" + std::to_string(folder)));
    return os_.FlushFolder(folder);
  }
  bool RemoveOnSignal(int folder, const std::string& leaf) override {
    return os_.RemoveOnSignal(folder, leaf);
  }
  void ForgetOnSignal(int folder, const std::string& leaf) override {
    os_.ForgetOnSignal(folder, leaf);
  }
  void HoldSignals() override { os_.HoldSignals(); }
  void ReleaseSignals() override { os_.ReleaseSignals(); }
  int Rename(int folder, const std::string& from, const std::string& to) override {
    return fault == Fault::Rename ? Fail() : os_.Rename(folder, from, to);
  }
  int RenameNew(int folder, const std::string& from, const std::string& to) override {
    if (beforePuttingInPlace) std::exchange(beforePuttingInPlace, nullptr)();
    return fault == Fault::Rename ? Fail() : os_.RenameNew(folder, from, to);
  }
  int Exchange(int folder, const std::string& a, const std::string& b) override {
    if (beforePuttingInPlace) std::exchange(beforePuttingInPlace, nullptr)();
    return fault == Fault::Rename ? Fail() : os_.Exchange(folder, a, b);
  }
  std::optional<std::vector<std::string>> Names(int folder) override { return os_.Names(folder); }
  int Remove(int folder, const std::string& leaf) override { return os_.Remove(folder, leaf); }
  int MakePrivateFolder(int folder, const std::string& leaf) override {
    const int made = os_.MakePrivateFolder(folder, leaf);
    if (fault == Fault::SignalOnNaming) ::raise(error);
    return made;
  }
  int RemoveFolder(int folder, const std::string& leaf) override {
    return os_.RemoveFolder(folder, leaf);
  }
  std::string FullPath(const std::string& name) override { return os_.FullPath(name); }
  std::string ErrorText(int e) override { return os_.ErrorText(e); }

 private:
  int Fail() {
    errno = error;
    return -1;
  }
  std::size_t Limit(std::size_t count) const { return chunk ? std::min(count, chunk) : count; }
  // A write of `count` bytes by `write`, as the fault wants it.
  template <class Write>
  long Written(Write write, std::size_t count) {
    count = Limit(fault == Fault::Signal ? std::min(count, bytesBeforeFailure) : count);
    if (fault == Fault::Signal && moved_ >= bytesBeforeFailure) ::raise(error);
    if (fault == Fault::Write) {
      if (moved_ >= bytesBeforeFailure) return Fail();
      count = std::min(count, bytesBeforeFailure - moved_);
    }
    const long n = write(count);
    if (n > 0) moved_ += static_cast<std::size_t>(n);
    return n;
  }

  OsFiles& os_ = SystemFiles();
  std::size_t moved_ = 0;
};
using Fault = FaultyFiles::Fault;

std::size_t OpenDescriptors() {
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{}));
}

const std::string kFileText = "A;1\r\nB;2\nC;3\r\n";

struct LoadCase {
  const char* name;
  Fault fault;
  int error;
  std::size_t before, chunk;
  std::string message;  // after the quoted path; empty when the load succeeds
};

TEST(FaultInjection, LoadFailuresLeaveThePaneUntouched) {
  ScratchDir dir;
  const std::string path = dir / "day.csv";
  WriteBytes(path, kFileText);
  const LoadCase cases[] = {
      {"open refused", Fault::Open, EACCES, 0, 0,
       Filled(file_messages::kCannotOpen, {"#", "Permission denied"})},
      {"size lookup fails", Fault::Size, EIO, 0, 0,
       Filled(file_messages::kCannotRead, {"#", "Input/output error"})},
      {"first read fails", Fault::Read, EIO, 0, 0,
       Filled(file_messages::kCannotRead, {"#", "Input/output error"})},
      {"read fails after 5 bytes", Fault::Read, EIO, 5, 0,
       Filled(file_messages::kCannotRead, {"#", "Input/output error"})},
      {"short reads that fail", Fault::Read, EIO, 7, 2,
       Filled(file_messages::kCannotRead, {"#", "Input/output error"})},
      {"file ends early", Fault::ReadEndsEarly, 0, 6, 0,
       Filled(file_messages::kCannotRead, {"#", file_messages::kEndedEarly})},
      {"short reads", Fault::None, 0, 0, 1, ""},
  };
  for (const auto& c : cases) {
    FaultyFiles os;
    os.fault = c.fault;
    os.error = c.error;
    os.bytesBeforeFailure = c.before;
    os.chunk = c.chunk;
    MemoryStorage storage("kept\r\n");
    TextPane pane(storage, os);
    const std::size_t fds = OpenDescriptors();
    const std::string message = Message([&] { pane.LoadTextFile(path); });
    EXPECT_EQ(OpenDescriptors(), fds) << c.name;
    if (c.message.empty()) {
      EXPECT_EQ(message, "(no error)") << c.name;
      EXPECT_EQ(pane.Text(), "A;1\r\nB;2\r\nC;3\r\n") << c.name;
      continue;
    }
    std::string expected = c.message;
    expected.replace(expected.find('#'), 1, path);
    EXPECT_EQ(message, expected) << c.name;
    EXPECT_EQ(pane.Text(), "kept\r\n") << c.name;
  }
}

TEST(FaultInjection, WritesFailingAtEveryPositionKeepTheTarget) {
  ScratchDir dir;
  const std::string target = dir / "day.kml";
  const std::string text = "<a>\r\n\r\n<b/>\r\n";
  for (const bool targetExists : {true, false}) {
    for (std::size_t k = 0; k <= text.size(); ++k) {
      for (const std::size_t chunk : {std::size_t{0}, std::size_t{3}}) {
        if (targetExists) WriteBytes(target, "previous");
        FaultyFiles os;
        os.fault = k < text.size() ? Fault::Write : Fault::None;
        os.error = ENOSPC;
        os.bytesBeforeFailure = k;
        os.chunk = chunk;
        MemoryStorage storage(text);
        TextPane pane(storage, os);
        const std::size_t fds = OpenDescriptors();
        const std::string message = Message([&] { pane.SaveTextFile(target); });
        EXPECT_EQ(OpenDescriptors(), fds);
        const std::string where = "k=" + std::to_string(k) + " chunk=" + std::to_string(chunk);
        if (k < text.size()) {
          EXPECT_EQ(message, file_messages::kStreamWriteError) << where;
          if (targetExists) {
            EXPECT_EQ(ReadBytes(target), "previous") << where;
            EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"day.kml"}) << where;
          } else {
            EXPECT_TRUE(FolderEntries(dir.path()).empty()) << where;
          }
        } else {
          EXPECT_EQ(message, "(no error)") << where;
          EXPECT_EQ(ReadBytes(target), text) << where;
          // The new name is made durable too.
          EXPECT_EQ(os.foldersFlushed, std::vector<fs::path>{dir.path()}) << where;
        }
        fs::remove(target);
      }
    }
  }
}

struct SaveCase {
  const char* name;
  Fault fault;
  int error;
  std::string message;
};

TEST(FaultInjection, FailingCreateFlushCloseAndRenameKeepTheTarget) {
  ScratchDir dir;
  const std::string target = dir / "day.kml";
  const SaveCase cases[] = {
      {"create fails", Fault::Create, EIO,
       Filled(file_messages::kCannotCreate, {"#", "Input/output error"})},
      {"flush fails", Fault::Flush, EIO, std::string(file_messages::kStreamWriteError)},
      {"close fails", Fault::Close, EIO, std::string(file_messages::kStreamWriteError)},
      {"rename fails", Fault::Rename, EXDEV,
       Filled(file_messages::kCannotCreate, {"#", "Invalid cross-device link"})},
  };
  for (const bool unnamed : {true, false}) {
    for (const auto& c : cases) {
      WriteBytes(target, "previous");
      FaultyFiles os;
      os.fault = c.fault;
      os.error = c.error;
      os.unnamed = unnamed;
      MemoryStorage storage("new\r\n");
      TextPane pane(storage, os);
      const std::size_t fds = OpenDescriptors();
      std::string expected = c.message;
      if (const auto at = expected.find('#'); at != std::string::npos)
        expected.replace(at, 1, target);
      const std::string where = std::string(c.name) + (unnamed ? ", unnamed" : ", named");
      EXPECT_EQ(Message([&] { pane.SaveTextFile(target); }), expected) << where;
      EXPECT_EQ(OpenDescriptors(), fds) << where;
      EXPECT_EQ(ReadBytes(target), "previous") << where;
      EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"day.kml"}) << where;
      EXPECT_EQ(pane.Text(), "new\r\n") << where;
    }
  }
}

TEST(FaultInjection, AFolderThatRefusesNewFilesGetsTheFileWrittenInPlace) {
  ScratchDir dir;
  const std::string target = dir / "day.kml";
  WriteBytes(target, "previous, longer than the new text");
  FaultyFiles os;
  os.fault = Fault::Create;
  os.error = EACCES;
  MemoryStorage storage("new\r\n");
  TextPane pane(storage, os);
  EXPECT_EQ(Message([&] { pane.SaveTextFile(target); }), "(no error)");
  EXPECT_EQ(ReadBytes(target), "new\r\n");
  // Where there is nothing to write in place, the refusal stands.
  EXPECT_EQ(Message([&] { pane.SaveTextFile(dir / "new.kml"); }),
            Filled(file_messages::kCannotCreate, {dir / "new.kml", "Permission denied"}));
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"day.kml"});
}

// Outputs committed together: when one cannot be prepared (no room for a file written in
// place), none of them changes.
TEST(FaultInjection, OutputsCommittedTogetherAllStayWhenOneCannotBePrepared) {
  ScratchDir dir;
  WriteBytes(dir / "day.kml", "old kml");
  WriteBytes(dir / "day.gpx", "old gpx");
  fs::create_hard_link(dir / "day.gpx", dir / "twin.gpx");  // written in place
  FaultyFiles os;
  os.fault = Fault::Reserve;
  os.error = ENOSPC;
  std::vector<std::unique_ptr<AtomicFile>> files;
  for (const char* name : {"day.kml", "day.gpx"}) {
    files.push_back(std::make_unique<AtomicFile>(dir / name, os));
    files.back()->Write("new");
  }
  EXPECT_EQ(Message([&] { CommitTogether(files, os); }), file_messages::kStreamWriteError);
  files.clear();
  EXPECT_EQ(ReadBytes(dir / "day.kml"), "old kml");
  EXPECT_EQ(ReadBytes(dir / "day.gpx"), "old gpx");
  EXPECT_EQ(FolderEntries(dir.path()),
            (std::vector<std::string>{"day.gpx", "day.kml", "twin.gpx"}));
}

// A save ended by a signal halfway through its writing, in a child process: the temporary
// file is gone, the previous KML is whole, and the child ends by that signal. A KML written
// in place (it has a second link) is finished first, then the signal ends the child.
TEST(FaultInjection, ASignalDuringASaveLeavesNothingHalfDone) {
  ScratchDir dir;
  const std::string target = dir / "day.kml";
  const std::string text(100, 'k');
  enum class Way { Unnamed, Named, InPlace };
  for (const Way way : {Way::Unnamed, Way::Named, Way::InPlace}) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
      WriteBytes(target, "previous");
      if (way == Way::InPlace) fs::create_hard_link(target, dir / "twin.kml");
      const pid_t child = ::fork();
      if (child == 0) {
        FaultyFiles os;
        os.fault = Fault::Signal;
        os.error = signal;
        os.bytesBeforeFailure = 5;
        os.unnamed = way == Way::Unnamed;
        MemoryStorage storage(text);
        TextPane pane(storage, os);
        pane.SaveTextFile(target);
        ::_exit(0);
      }
      int status = 0;
      ::waitpid(child, &status, 0);
      const std::string where = std::to_string(signal) + " way " + std::to_string(int(way));
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << where;
      if (way == Way::InPlace) {
        EXPECT_EQ(ReadBytes(target), text) << where;
        fs::remove(dir / "twin.kml");
      } else {
        EXPECT_EQ(ReadBytes(target), "previous") << where;
      }
      EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"day.kml"}) << where;
    }
  }
}

}  // namespace

namespace {

// A signal that comes just as a temporary file or folder gets its name, before the program
// can have noted it (Ctrl-C in the first milliseconds): it waits until the name is noted,
// then ends the program, and nothing of the save is left.
TEST(FaultInjection, ASignalAsATemporaryIsNamedLeavesNothing) {
  ScratchDir dir;
  const std::string target = dir / "day.kml";
  fs::create_directory(dir / "tmp");
  for (const bool unnamed : {true, false}) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
      for (const bool folder : {false, true}) {
        WriteBytes(target, "previous");
        const pid_t child = ::fork();
        if (child == 0) {
          ::setenv("TMPDIR", (dir / "tmp").c_str(), 1);
          FaultyFiles os;
          os.fault = Fault::SignalOnNaming;
          os.error = signal;
          os.unnamed = unnamed;
          if (folder) {
            const PrivateFolder made(os, "book.xlsx");
          } else {
            MemoryStorage storage("new\r\n");
            TextPane(storage, os).SaveTextFile(target);
          }
          ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        const std::string where = std::to_string(signal) + (unnamed ? " unnamed" : " named") +
                                  (folder ? ", private folder" : ", save");
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << where;
        EXPECT_EQ(ReadBytes(target), "previous") << where;
        EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"day.kml", "tmp"})) << where;
        EXPECT_TRUE(fs::is_empty(dir / "tmp")) << where;
      }
    }
  }
}

// With no room left to remove another file on a signal, a save keeps no temporary it could
// leave behind: it fails, saying why, and the target and folders stay as they were.
TEST(FaultInjection, ATemporaryASignalCouldNotRemoveIsNeverKept) {
  ScratchDir dir;
  const std::string target = dir / "day.kml";
  fs::create_directory(dir / "tmp");
  ::setenv("TMPDIR", (dir / "tmp").c_str(), 1);
  std::vector<std::string> taken;
  for (int k = 0; SystemFiles().RemoveOnSignal(-1, "taken" + std::to_string(k)); ++k)
    taken.push_back("taken" + std::to_string(k));
  ASSERT_GE(taken.size(), 8u);
  for (const bool unnamed : {true, false}) {
    WriteBytes(target, "previous");
    FaultyFiles os;
    os.unnamed = unnamed;
    MemoryStorage storage("new\r\n");
    const std::string message = Message([&] { TextPane(storage, os).SaveTextFile(target); });
    EXPECT_NE(message.find(file_messages::kTooManySaves), std::string::npos) << message;
    EXPECT_EQ(ReadBytes(target), "previous");
    EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"day.kml", "tmp"}));
  }
  try {
    const PrivateFolder made(SystemFiles(), "book.xlsx");
    ADD_FAILURE() << "a private folder made";
  } catch (const AppError& error) {
    EXPECT_EQ(error.Reason(), file_messages::kTooManySaves);
  }
  EXPECT_TRUE(fs::is_empty(dir / "tmp"));
  for (const std::string& leaf : taken)
    SystemFiles().ForgetOnSignal(-1, leaf);
  MemoryStorage storage("new\r\n");
  TextPane(storage, SystemFiles()).SaveTextFile(target);
  EXPECT_EQ(ReadBytes(target), "new\r\n");
  ::unsetenv("TMPDIR");
}

// Another program swaps a file in just before a file with a second link is opened to be
// written in place: the opened file is not the one checked, so nothing is written to it.
TEST(FaultInjection, AFileSwappedInBeforeTheInPlaceOpenIsNeverWritten) {
  ScratchDir dir;
  WriteBytes(dir / "day.kml", "old");
  fs::create_hard_link(dir / "day.kml", dir / "twin.kml");
  WriteBytes(dir / "precious", "precious");
  FaultyFiles os;
  bool reached = false;
  os.beforeOpenInPlace = [&] {
    reached = true;
    fs::rename(dir / "precious", dir / "day.kml");
  };
  MemoryStorage storage("new\r\n");
  TextPane pane(storage, os);
  EXPECT_EQ(
      Message([&] { pane.SaveTextFile(dir / "day.kml"); }),
      Filled(file_messages::kCannotCreate, {dir / "day.kml", file_messages::kReplacedWhileSaving}));
  EXPECT_TRUE(reached) << "the in-place open was never reached";
  EXPECT_EQ(ReadBytes(dir / "day.kml"), "precious");
  EXPECT_EQ(ReadBytes(dir / "twin.kml"), "old");
}

// A file that takes the target's name between the checks and the commit is put back as it
// was, when the save may not replace it: the export itself, or a page the program did not
// write. One the save may replace (an older KML) is replaced as the first would have been.
TEST(FaultInjection, AFileThatTakesTheNameAtTheCommitIsKeptUnlessReplaceable) {
  struct Case {
    const char* name;
    bool targetExists;    // before the save begins
    const char* arrives;  // the file that takes the name meanwhile
    bool ownOnly;         // the output replaces only files with the mark
    const char* message;  // '#' the target, '@' the export; empty when it saves
  };
  const Case cases[] = {
      {"the export renamed to the KML's name", true, "day.csv", false, "input"},
      {"the export renamed where no KML was", false, "day.csv", false, "input"},
      {"the user's own page swapped for the index", true, "mine.html", true, "refused"},
      {"a page appearing where no index was", false, "mine.html", true, "refused"},
      {"an older KML of another save", true, "older.kml", false, ""},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    const std::string target = dir / "out";
    WriteBytes(dir / "day.csv", "the export");
    WriteBytes(dir / "mine.html", "the user's page");
    WriteBytes(dir / "older.kml", "an older KML");
    if (c.targetExists) WriteBytes(target, "<meta name=mark> ours");
    const std::string arrivedBytes = ReadBytes(dir / c.arrives);
    FaultyFiles os;
    bool reached = false;
    os.beforePuttingInPlace = [&] {
      reached = true;
      if (c.targetExists) fs::rename(target, dir / "set-aside");
      fs::rename(dir / c.arrives, target);
    };
    SaveRules rules(os);
    rules.Protect(dir / "day.csv");
    SaveOutput output{"out", target};
    if (c.ownOnly) {
      output.isOwn = [](OsFiles& files, int fd) {
        return HoldsMark(files, fd, "<meta name=mark>");
      };
      output.refusal = "refused";
    }
    const std::string message = Message([&] {
      const auto files = rules.Open(rules.Claim(dir / "day.csv", {output}));
      files[0]->Write("new");
      files[0]->Commit();
    });
    EXPECT_TRUE(reached) << c.name;
    const std::string expected =
        std::string(c.message) == "input"
            ? Filled(file_messages::kWouldReplaceInput, {"out", target, dir / "day.csv"})
            : std::string(c.message);
    if (expected.empty()) {
      EXPECT_EQ(message, "(no error)") << c.name;
      EXPECT_EQ(ReadBytes(target), "new") << c.name;
    } else {
      EXPECT_EQ(message, expected) << c.name;
      EXPECT_EQ(ReadBytes(target), arrivedBytes) << c.name << ": the file that came was lost";
    }
    for (const auto& name : FolderEntries(dir.path()))
      EXPECT_FALSE(name.ends_with(".tmp")) << c.name << ": " << name << " left";
  }
}

// Where the file system sets no room aside, the room for a text written in place is taken by
// writing its part beyond the old end first: a write that fails there leaves the old text
// exactly as it was, and one that succeeds leaves exactly the new text.
TEST(FaultInjection, WithoutReservationsTheRoomIsWrittenFirstAndGivenBack) {
  ScratchDir dir;
  const std::string old = "the old text, which is shorter";
  const std::string text = std::string(4000, 'n') + "\r\n";
  for (const bool fails : {true, false}) {
    WriteBytes(dir / "day.kml", old);
    fs::create_hard_link(dir / "day.kml", dir / "twin.kml");
    FaultyFiles os;
    os.reserves = false;
    os.writeAtMoves = true;
    if (fails) {
      os.fault = Fault::Write;  // the first write is the room's, beyond the old end
      os.error = ENOSPC;
    }
    MemoryStorage storage(text);
    TextPane pane(storage, os);
    const std::string message = Message([&] { pane.SaveTextFile(dir / "day.kml"); });
    const std::string where = fails ? "no room" : "room";
    if (fails) {
      EXPECT_EQ(message, file_messages::kStreamWriteError) << where;
      EXPECT_EQ(ReadBytes(dir / "twin.kml"), old) << where;
    } else {
      EXPECT_EQ(message, "(no error)") << where;
      EXPECT_EQ(ReadBytes(dir / "twin.kml"), text) << where;
    }
    fs::remove(dir / "twin.kml");
  }
}

}  // namespace
