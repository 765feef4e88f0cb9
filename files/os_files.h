// The operating-system calls that loading and saving files need, behind one seam so that a
// Win32 twin can stand beside the POSIX one and tests can inject failures. Calls report
// failure the system's way (-1 and errno); the file code above turns that into errors.
#pragma once

#include <compare>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// A file by what it is, not by the names that lead to it.
struct FileId {
  unsigned long long device = 0, inode = 0;
  auto operator<=>(const FileId&) const = default;
};

// What a save needs to know of an existing file.
struct FileFacts {
  enum class Kind { Regular, Folder, Other };  // Other: a device, a pipe, a link not followed
  Kind kind = Kind::Regular;
  unsigned mode = 0;  // permission bits, with the sticky bit of a folder
  unsigned owner = 0, group = 0;
  unsigned long links = 1;
  FileId id;
  long long modified = 0;   // seconds since 1970 UTC
  bool ownedByUser = true;  // it belongs to this process's user
  // A folder someone may write in besides this user and the system's administrator: its
  // group or everyone may, or it belongs to another user. A file there may have been put
  // there, or linked there, by someone else.
  bool othersMayWrite = false;
};

// How a save walks to its folder.
struct SaveWalk {
  bool followLast = true;    // a link at the last name leads the save to its file
  bool makeFolders = false;  // folders on the way that are missing are made ("mkdir -p")
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
  // Facts of an open file or folder.
  virtual std::optional<FileFacts> FactsOf(int fd) = 0;

  // Saving happens inside a folder held open, so that no link swapped in after the checks
  // can send the bytes elsewhere. `folder` below is such a descriptor and `leaf` a name in it.
  //
  // The folder a save to `name` lands in, and the name there. A symbolic link on the way, in
  // a folder part or (with `walk.followLast`) the last part, is followed only when its folder
  // is one no one else may write, or the link belongs to this process's user or to the
  // administrator (kErrorPlantedLink otherwise): a link planted by someone else, the folder's
  // owner included, cannot steer a save. With `walk.makeFolders` each missing folder is made
  // as it is reached, under the same rule. `leaf` is never a link to follow, unless
  // `walk.followLast` is false. -1 with errno when there is no such folder.
  virtual int OpenSaveFolder(const std::string& name, std::string& leaf, SaveWalk walk = {}) = 0;
  // Facts of `leaf` itself (a link is not followed), nothing when there is none.
  virtual std::optional<FileFacts> FactsAt(int folder, const std::string& leaf) = 0;
  // 0 when this process may write the existing file `leaf`.
  virtual int CheckWritable(int folder, const std::string& leaf) = 0;
  // Whether a file this process makes can be given this owner and group.
  virtual bool MayGive(unsigned owner, unsigned group) = 0;

  // A file without a name in `folder`, which vanishes unless NameUnnamed gives it one;
  // -1 where the file system has no such files.
  virtual int CreateUnnamed(int folder) = 0;
  virtual int NameUnnamed(int fd, int folder, const std::string& leaf) = 0;
  // A new file that must not exist yet, with the usual permission bits for new files.
  virtual int CreateNew(int folder, const std::string& leaf) = 0;
  // Makes the temporary file `fd`, about to take the name `leaf`, an ordinary file that
  // outlives the program. (Windows makes temporary files hidden and deleted when closed,
  // so that a killed save leaves nothing a user sees; they take the replaced file's
  // attributes here.)
  virtual int Keep(int fd, int folder, const std::string& leaf) = 0;
  // The existing file `leaf` opened for writing over it, never through a link and not
  // truncated. A pipe waits for its reader when `waitForReader`, else the open fails.
  virtual int OpenInPlace(int folder, const std::string& leaf, bool waitForReader) = 0;
  // The existing file `leaf` opened only to read its facts and attributes, not through a link.
  virtual int OpenToInspect(int folder, const std::string& leaf) = 0;
  // The existing file `leaf` opened to read what it holds, not through a link, and never
  // waiting: a pipe opens without its writer and reads as empty.
  virtual int OpenToRead(int folder, const std::string& leaf) = 0;
  // Bytes of an open file from `offset` on, the file's position left alone; -1 on failure.
  virtual long ReadAt(int fd, char* buffer, std::size_t count, unsigned long long offset) = 0;
  // An exclusive lock on an open file, held until it is closed, waited for at most
  // `waitSeconds` (kErrorLocked after that).
  virtual int Lock(int fd, int waitSeconds) = 0;
  // Sets aside room on the disk for `size` bytes, so writing them cannot run out of space;
  // kErrorUnsupported where the file system cannot. Room set aside beyond the file's end is
  // given back by truncating the file to its size.
  virtual int Reserve(int fd, unsigned long long size) = 0;
  virtual int Truncate(int fd, unsigned long long size) = 0;
  // Writes at `offset`, the file's position left alone.
  virtual long WriteAt(int fd, const char* data, std::size_t count, unsigned long long offset) = 0;
  // Gives the open file `to` the extended attributes of the open file `from`, access control
  // lists among them, and drops those `from` lacks. -1 when not all can be given.
  virtual int CopyAttributes(int from, int to) = 0;
  virtual long WriteSome(int fd, const char* data, std::size_t count) = 0;
  // Starts writing a range of written bytes to the disk without waiting for it, so that a
  // later Flush waits only for what came after.
  virtual void StartWriteBack(int fd, unsigned long long offset, unsigned long long size) = 0;
  // Forces written bytes to the disk.
  virtual int Flush(int fd) = 0;
  virtual int Close(int fd) = 0;
  virtual int SetMode(int fd, unsigned mode) = 0;
  virtual int SetOwner(int fd, unsigned owner, unsigned group) = 0;
  // Replaces `to` by `from` in one step, both in `folder`, keeping what the system keeps of
  // the replaced file.
  virtual int Rename(int folder, const std::string& from, const std::string& to) = 0;
  // Gives `from` the name `to` only where `to` is free (kErrorExists otherwise).
  virtual int RenameNew(int folder, const std::string& from, const std::string& to) = 0;
  // Swaps the files named `a` and `b` in one step. kErrorUnsupported where the system cannot.
  virtual int Exchange(int folder, const std::string& a, const std::string& b) = 0;
  // The names in a folder held open; nothing when it cannot be read.
  virtual std::optional<std::vector<std::string>> Names(int folder) = 0;
  virtual int Remove(int folder, const std::string& leaf) = 0;
  // A new folder `leaf` in `folder` that only this user may enter (-1 when the name is taken),
  // and the removal of an empty one.
  virtual int MakePrivateFolder(int folder, const std::string& leaf) = 0;
  virtual int RemoveFolder(int folder, const std::string& leaf) = 0;
  // Forces a folder's entries to the disk, so a name given in it survives a crash.
  virtual int FlushFolder(int folder) = 0;
  // Removes `leaf` if the program is ended by a signal before ForgetOnSignal; a few files at
  // once (the outputs of one export), or an empty folder, in the order they were given. False
  // when there is no room for another (see SignalCleanupTable): the caller must not keep it.
  virtual bool RemoveOnSignal(int folder, const std::string& leaf) = 0;
  virtual void ForgetOnSignal(int folder, const std::string& leaf) = 0;
  // A signal that would end the program (Ctrl-C) waits from HoldSignals until the matching
  // ReleaseSignals, which then lets it end the program: a file written in place is never
  // left half written, and the outputs of one export are replaced together.
  virtual void HoldSignals() = 0;
  virtual void ReleaseSignals() = 0;

  // The name as an absolute, lexically normal path; empty for an empty name.
  virtual std::string FullPath(const std::string& name) = 0;
  // The system's words for an error number.
  virtual std::string ErrorText(int error) = 0;
};

// The calls of the system the program runs on.
OsFiles& SystemFiles();
