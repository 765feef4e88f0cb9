// A file written so that a failed save leaves the previous file as it was: under a temporary
// name beside its target (unnamed where the file system allows it) and renamed over the
// target only when every byte is on disk. Where replacing would change more than the bytes
// (a device or pipe, a file with other links, an owner the new file could not be given, a
// folder the user cannot write), the file is written in place, as a plain save writes it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "file_handle.h"
#include "os_files.h"

class AtomicFile {
 public:
  // Raises the create error naming `name` when the file cannot be made, or when the user
  // may not write the existing one.
  AtomicFile(std::string name, OsFiles& os);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Raises "Stream write error" when not every byte is written.
  void Write(std::string_view bytes);
  // Makes the written bytes the target's content.
  void Commit();

 private:
  enum class Way { InPlace, Unnamed, Named };
  void OpenInPlace();
  bool CreateTemporary();
  bool GiveOwnerAndMode(const FileFacts& existing);
  void NameTemporary();
  void Abandon();

  OsFiles& os_;
  std::string name_;    // as given, for messages
  std::string target_;  // where the file lands
  std::string temp_;    // the temporary file's name, once it has one
  Way way_ = Way::InPlace;
  static constexpr unsigned long long kWriteBackStep = 8 << 20;
  unsigned long long written_ = 0, writtenBack_ = 0;
  FileHandle file_;
};

// Creates or replaces the file `name` with exactly `bytes`.
void WriteFileAtomically(const std::string& name, std::string_view bytes, OsFiles& os);
