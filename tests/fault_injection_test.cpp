// Loads and saves with the operating system failing at each call: the message, the pane or
// the target untouched, no temporary file left, no descriptor leaked.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "app_error.h"
#include "pane_test_support.h"
#include "text_pane.h"

namespace {

namespace fs = std::filesystem;

// The system's calls, with one kind of call made to fail.
class FaultyFiles final : public OsFiles {
 public:
  enum class Fault { None, Open, Size, Read, ReadEndsEarly, Create, Write, Flush, Close, Rename };
  Fault fault = Fault::None;
  int error = EIO;
  std::size_t bytesBeforeFailure = 0;  // Read and Write fail after this many bytes
  std::size_t chunk = 0;               // when set, every read and write moves at most this

  int OpenForReading(const std::string& path) override {
    if (fault == Fault::Open) return Fail();
    return os_.OpenForReading(path);
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
  int CreateNew(const std::string& path) override {
    return fault == Fault::Create ? Fail() : os_.CreateNew(path);
  }
  long WriteSome(int fd, const char* data, std::size_t count) override {
    count = Limit(count);
    if (fault == Fault::Write) {
      if (moved_ >= bytesBeforeFailure) return Fail();
      count = std::min(count, bytesBeforeFailure - moved_);
    }
    const long n = os_.WriteSome(fd, data, count);
    if (n > 0) moved_ += static_cast<std::size_t>(n);
    return n;
  }
  int Flush(int fd) override { return fault == Fault::Flush ? Fail() : os_.Flush(fd); }
  int Close(int fd) override {
    const int r = os_.Close(fd);  // the descriptor is gone even when close reports failure
    return fault == Fault::Close ? Fail() : r;
  }
  bool IsSpecialFile(const std::string& path) override { return os_.IsSpecialFile(path); }
  int OpenExistingForWriting(const std::string& path) override {
    return os_.OpenExistingForWriting(path);
  }
  std::optional<unsigned> ModeOf(const std::string& path) override { return os_.ModeOf(path); }
  int SetMode(int fd, unsigned mode) override { return os_.SetMode(fd, mode); }
  int Rename(const std::string& from, const std::string& to) override {
    return fault == Fault::Rename ? Fail() : os_.Rename(from, to);
  }
  int Remove(const std::string& path) override { return os_.Remove(path); }
  std::string FullPath(const std::string& name) override { return os_.FullPath(name); }
  std::string SaveTarget(const std::string& name) override { return os_.SaveTarget(name); }
  std::string ErrorText(int e) override { return os_.ErrorText(e); }

 private:
  int Fail() {
    errno = error;
    return -1;
  }
  std::size_t Limit(std::size_t count) const { return chunk ? std::min(count, chunk) : count; }

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
      {"open refused", Fault::Open, EACCES, 0, 0, "Cannot open file \"#\". Permission denied"},
      {"size lookup fails", Fault::Size, EIO, 0, 0, "Cannot read file \"#\". Input/output error"},
      {"first read fails", Fault::Read, EIO, 0, 0, "Cannot read file \"#\". Input/output error"},
      {"read fails after 5 bytes", Fault::Read, EIO, 5, 0,
       "Cannot read file \"#\". Input/output error"},
      {"short reads that fail", Fault::Read, EIO, 7, 2,
       "Cannot read file \"#\". Input/output error"},
      {"file ends early", Fault::ReadEndsEarly, 0, 6, 0,
       "Cannot read file \"#\". The file ended before its size was read"},
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
          EXPECT_EQ(message, "Stream write error") << where;
          if (targetExists) {
            EXPECT_EQ(ReadBytes(target), "previous") << where;
            EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"day.kml"}) << where;
          } else {
            EXPECT_TRUE(FolderEntries(dir.path()).empty()) << where;
          }
        } else {
          EXPECT_EQ(message, "(no error)") << where;
          EXPECT_EQ(ReadBytes(target), text) << where;
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
      {"create refused", Fault::Create, EACCES, "Cannot create file \"#\". Permission denied"},
      {"flush fails", Fault::Flush, EIO, "Stream write error"},
      {"close fails", Fault::Close, EIO, "Stream write error"},
      {"rename fails", Fault::Rename, EXDEV, "Cannot create file \"#\". Invalid cross-device link"},
  };
  for (const auto& c : cases) {
    WriteBytes(target, "previous");
    FaultyFiles os;
    os.fault = c.fault;
    os.error = c.error;
    MemoryStorage storage("new\r\n");
    TextPane pane(storage, os);
    const std::size_t fds = OpenDescriptors();
    std::string expected = c.message;
    if (const auto at = expected.find('#'); at != std::string::npos)
      expected.replace(at, 1, target);
    EXPECT_EQ(Message([&] { pane.SaveTextFile(target); }), expected) << c.name;
    EXPECT_EQ(OpenDescriptors(), fds) << c.name;
    EXPECT_EQ(ReadBytes(target), "previous") << c.name;
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"day.kml"}) << c.name;
    EXPECT_EQ(pane.Text(), "new\r\n") << c.name;
  }
}

}  // namespace
