// A file written under a temporary name beside its target and renamed over the target only
// when every byte is on disk, so a failed save leaves the previous file as it was. A device
// or pipe is written in place.
#pragma once

#include <string>
#include <string_view>

#include "file_handle.h"
#include "os_files.h"

class AtomicFile {
 public:
  // Raises the create error naming `name` when the file cannot be made.
  AtomicFile(std::string name, OsFiles& os);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Raises "Stream write error" when not every byte is written.
  void Write(std::string_view bytes);
  // Makes the written bytes the target's content.
  void Commit();

 private:
  void Abandon();

  OsFiles& os_;
  std::string name_;    // as given, for messages
  std::string target_;  // where the file lands
  std::string temp_;    // empty when a device or pipe is written in place
  FileHandle file_;
};

// Creates or replaces the file `name` with exactly `bytes`.
void WriteFileAtomically(const std::string& name, std::string_view bytes, OsFiles& os);
