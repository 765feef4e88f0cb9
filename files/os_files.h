// The operating-system calls that loading and saving files need, behind one seam so that a
// Win32 twin can stand beside the POSIX one and tests can inject failures. Calls report
// failure the system's way (-1 and errno); the file code above turns that into errors.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

class OsFiles {
 public:
  virtual ~OsFiles() = default;

  // An existing file opened for reading only; a folder is refused (EISDIR).
  virtual int OpenForReading(const std::string& path) = 0;
  // Size in bytes of an open file, -1 on failure, kUnknownSize for a device or pipe, whose
  // data is read until it ends.
  static constexpr long long kUnknownSize = -2;
  virtual long long SizeOf(int fd) = 0;
  virtual long ReadSome(int fd, char* buffer, std::size_t count) = 0;
  // A new file that must not exist yet, with the usual permission bits for new files.
  virtual int CreateNew(const std::string& path) = 0;
  virtual long WriteSome(int fd, const char* data, std::size_t count) = 0;
  // Forces written bytes to the disk.
  virtual int Flush(int fd) = 0;
  virtual int Close(int fd) = 0;
  // An existing file that is not a regular file or folder (a device, a FIFO): written in
  // place, since replacing it would replace the device or pipe itself.
  virtual bool IsSpecialFile(const std::string& path) = 0;
  virtual int OpenExistingForWriting(const std::string& path) = 0;
  // Permission bits of an existing file, nothing when there is none.
  virtual std::optional<unsigned> ModeOf(const std::string& path) = 0;
  virtual int SetMode(int fd, unsigned mode) = 0;
  // Replaces `to` by `from` in one step.
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  virtual int Remove(const std::string& path) = 0;

  // The name as an absolute, lexically normal path; empty for an empty name.
  virtual std::string FullPath(const std::string& name) = 0;
  // Where a save to `name` really lands: the file a symbolic link points at, else the name.
  virtual std::string SaveTarget(const std::string& name) = 0;
  // The system's words for an error number.
  virtual std::string ErrorText(int error) = 0;
};

// The calls of the system the program runs on.
OsFiles& SystemFiles();
