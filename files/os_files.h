// The operating-system calls that loading and saving files need, behind one seam so that a
// Win32 twin can stand beside the POSIX one and tests can inject failures. Calls report
// failure the system's way (-1 and errno); the file code above turns that into errors.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// What a save needs to know of an existing file, links followed.
struct FileFacts {
  enum class Kind { Regular, Folder, Other };  // Other: a device or a pipe
  Kind kind = Kind::Regular;
  unsigned mode = 0;  // permission bits
  unsigned owner = 0, group = 0;
  unsigned long links = 1;
  unsigned long long device = 0, inode = 0;  // together they name the file
};

class OsFiles {
 public:
  virtual ~OsFiles() = default;

  // An existing file opened for reading only; a folder is refused (EISDIR). A pipe without a
  // writer is waited for when `waitForWriter`, and otherwise reads as empty.
  virtual int OpenForReading(const std::string& path, bool waitForWriter) = 0;
  // Size in bytes of an open file, -1 on failure, kUnknownSize for a device or pipe, whose
  // data is read until it ends.
  static constexpr long long kUnknownSize = -2;
  virtual long long SizeOf(int fd) = 0;
  virtual long ReadSome(int fd, char* buffer, std::size_t count) = 0;
  // A hint that a large buffer not touched yet is about to be filled: backing it with large
  // pages saves most of the page faults of filling it. May do nothing.
  virtual void AdviseLargePages(char* /*buffer*/, std::size_t /*size*/) {}

  // Facts of the file at `path` after links, nothing when there is none.
  virtual std::optional<FileFacts> FactsOf(const std::string& path) = 0;
  // 0 when this process may write the existing file at `path`.
  virtual int CheckWritable(const std::string& path) = 0;
  // Whether a file this process makes can be given this owner and group.
  virtual bool MayGive(unsigned owner, unsigned group) = 0;

  // A file without a name in `folder`, which vanishes unless NameUnnamed gives it one;
  // -1 where the file system has no such files.
  virtual int CreateUnnamed(const std::string& folder) = 0;
  virtual int NameUnnamed(int fd, const std::string& path) = 0;
  // A new file that must not exist yet, with the usual permission bits for new files.
  virtual int CreateNew(const std::string& path) = 0;
  // An existing file opened for writing over it: a regular file is truncated; a device or
  // pipe is opened as it is (a pipe waits for its reader).
  virtual int OpenInPlace(const std::string& path) = 0;
  virtual long WriteSome(int fd, const char* data, std::size_t count) = 0;
  // Starts writing a range of written bytes to the disk without waiting for it, so that a
  // later Flush waits only for what came after.
  virtual void StartWriteBack(int fd, unsigned long long offset, unsigned long long size) = 0;
  // Forces written bytes to the disk.
  virtual int Flush(int fd) = 0;
  virtual int Close(int fd) = 0;
  virtual int SetMode(int fd, unsigned mode) = 0;
  virtual int SetOwner(int fd, unsigned owner, unsigned group) = 0;
  // Replaces `to` by `from` in one step.
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  virtual int Remove(const std::string& path) = 0;
  // Forces a folder's entries to the disk, so a name given in it survives a crash.
  virtual int FlushFolder(const std::string& folder) = 0;
  // Removes `path` if the program is ended by a signal before ForgetOnSignal.
  virtual void RemoveOnSignal(const std::string& path) = 0;
  virtual void ForgetOnSignal() = 0;

  // The name as an absolute, lexically normal path; empty for an empty name.
  virtual std::string FullPath(const std::string& name) = 0;
  // Where a save to `name` really lands: the file that symbolic links lead to, else the
  // name. A link in a sticky folder that others may write (like /tmp) is followed only when
  // it belongs to this process's user or to the folder's owner (EACCES otherwise), so a
  // link planted there cannot steer a save into another file.
  virtual int SaveTarget(const std::string& name, std::string& target) = 0;
  // The system's words for an error number.
  virtual std::string ErrorText(int error) = 0;
};

// The calls of the system the program runs on.
OsFiles& SystemFiles();
