// An open file's descriptor, closed on every way out, and writing to a descriptor whole.
#pragma once

#include <string_view>

#include "os_files.h"

class FileHandle {
 public:
  explicit FileHandle(OsFiles& os, int fd = -1) : os_(os), fd_(fd) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  int fd() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  // Closes any descriptor held and takes `fd`.
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  // Closes now; false when the system reports a failure (the descriptor is gone either way).
  bool Close() {
    if (fd_ < 0) return true;
    const bool closed = os_.Close(fd_) == 0;
    fd_ = -1;
    return closed;
  }

 private:
  OsFiles& os_;
  int fd_;
};

// Writes every byte to `fd`, however many calls it takes; raises "Stream write error" when the
// system stops taking them.
void WriteAll(OsFiles& os, int fd, std::string_view bytes);
