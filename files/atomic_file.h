// A file written so that a failed save leaves the previous file as it was: under a temporary
// name beside its target (unnamed where the file system allows it) and renamed over the
// target only when every byte is on disk; the new file gets the old one's owner, mode and
// extended attributes (ACLs among them). Where replacing would change more than the bytes (a
// file with other links, an owner or attributes the new file could not be given, a folder
// the user cannot write), the file is written in place: only once the whole text is at hand,
// under an exclusive lock, with its room on the disk reserved first, so a full disk leaves it
// whole. A device or pipe is written as the bytes come.
// The target is reached through a folder held open, and written only if it is still the file
// the checks approved: no link swapped in meanwhile is followed.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "file_handle.h"
#include "os_files.h"

// Where a save lands: a name in a folder, and the file that name holds now, if any.
struct SavePlace {
  FileId folder;
  std::string leaf;
  std::optional<FileId> file;
};
// Two saves land on one file: the same name in the same folder, or one file under two names.
bool SameFile(const SavePlace& a, const SavePlace& b);

// Where a save to `name` would land, found as a save finds it; raises the create error naming
// `name` when it cannot be reached.
SavePlace PlaceOfSave(const std::string& name, OsFiles& os);

class AtomicFile {
 public:
  // Raises the create error naming `name` when the file cannot be made, or when the user
  // may not write the existing one.
  AtomicFile(std::string name, OsFiles& os);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  const std::string& Name() const { return name_; }
  const SavePlace& Place() const { return place_; }

  bool WritesInPlace() const { return way_ != Way::Replace; }

  // Raises "Stream write error" when not every byte is written.
  void Write(std::string_view bytes);
  // Does all that can fail before the target changes: the bytes on disk beside it, or the
  // lock and the room for a file written in place. Commit does it when it was not done.
  void Prepare();
  // Makes the written bytes the target's content.
  void Commit();

 private:
  enum class Way { Replace, InPlace, Stream };
  void OpenInPlace(const FileFacts& existing);
  bool CreateTemporary();
  bool GiveOwnerModeAndAttributes(const FileFacts& existing);
  void NameTemporary();
  void PrepareReplacement();
  void CommitInPlace();
  void CommitReplacement();
  void Abandon();

  OsFiles& os_;
  std::string name_;  // as given, for messages
  FileHandle folder_;
  SavePlace place_;
  std::string temp_;  // the temporary file's name in the folder, once it has one
  Way way_ = Way::Replace;
  bool prepared_ = false;
  std::string pending_;  // the text for a file written in place, written at the commit
  static constexpr unsigned long long kWriteBackStep = 8 << 20;
  unsigned long long written_ = 0, writtenBack_ = 0;
  FileHandle file_;
};

// Commits files together: each is prepared before any changes its target, and a signal that
// comes meanwhile waits until all are committed.
void CommitTogether(const std::vector<std::unique_ptr<AtomicFile>>& files, OsFiles& os);

// Creates or replaces the file `name` with exactly `bytes`.
void WriteFileAtomically(const std::string& name, std::string_view bytes, OsFiles& os);
