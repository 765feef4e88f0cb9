// A file written so that a failed save leaves the previous file as it was: under a temporary
// name beside its target (unnamed where the file system allows it) and put in the target's
// place only when every byte is on disk; the new file gets the old one's owner, mode and
// extended attributes (ACLs among them). Where replacing would change more than the bytes (a
// file with other links, an owner or attributes the new file could not be given, a folder
// the user cannot write), the file is written in place: only once the whole text is at hand,
// under an exclusive lock, with its room on the disk reserved first, so a full disk leaves it
// whole. A device or pipe is written as the bytes come.
// In a folder others may write, no file with other links or another owner is written in
// place, and another user's file there is neither written into nor given the save.
// The target is reached through a folder held open, and only the file the checks approved is
// written or replaced: no link or file swapped in meanwhile is followed or removed.
#pragma once

#include <functional>
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

// What a save may replace. `judge` is shown every file the save would replace or write into,
// `leaf` in the folder held open as `folder` (not through a link): the one there at the
// start, and any other that takes the name meanwhile. It raises its own error to refuse one.
struct SaveTerms {
  bool followLink = true;  // a link at the name leads the save to its file
  std::function<void(OsFiles& os, int folder, const std::string& leaf, const FileFacts& facts)>
      judge;
};

// Where a save to `name` would land, found as a save finds it; raises the create error naming
// `name` when it cannot be reached.
SavePlace PlaceOfSave(const std::string& name, OsFiles& os, bool followLink = true);

class AtomicFile {
 public:
  // Raises the create error naming `name` when the file cannot be made, or when the user
  // may not write the existing one, and the judge's error when it refuses that one.
  AtomicFile(std::string name, OsFiles& os, SaveTerms terms = {});
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

  // How long a save waits for another program's lock on a file written in place.
  static constexpr int kLockWaitSeconds = 5;
  // A temporary file of this program's making left this long without its writer (a killed
  // save) is removed by the next save beside it.
  static constexpr long long kStaleSeconds = 60;

 private:
  enum class Way { Replace, InPlace, Stream };
  bool Stranger(const FileFacts& facts) const;
  void Approve(const std::string& leaf, const FileFacts& facts);
  void OpenInPlace(const FileFacts& existing);
  bool CreateTemporary();
  bool GiveOwnerModeAndAttributes(const FileFacts& existing);
  void NameTemporary();
  void HoldTemporary();
  void RemoveStaleTemporaries();
  void PrepareReplacement();
  void ReserveRoom();
  void GiveBackRoom();
  void StopHoldingSignals();
  void CommitInPlace();
  void CommitReplacement();
  bool PutInPlace();
  void JudgeDisplaced();
  void PutBack();
  void Abandon();

  OsFiles& os_;
  std::string name_;  // as given, for messages
  SaveTerms terms_;
  FileHandle folder_;
  bool othersMayWrite_ = false;  // the folder's
  unsigned folderOwner_ = 0;
  SavePlace place_;
  std::string temp_;     // the temporary file's name in the folder, once it has one
  FileId tempId_;        // the temporary file
  FileHandle tempHold_;  // holds a lock on the named temporary file, which shows it is alive
  Way way_ = Way::Replace;
  bool prepared_ = false;
  std::string pending_;  // the text for a file written in place, written at the commit
  // The size of a file written in place before room was reserved, to give the room back to
  // when the save fails; and whether signals wait meanwhile (the room was written, not set
  // aside, so the file shows it until then).
  std::optional<unsigned long long> sizeBeforeRoom_;
  bool holdingSignals_ = false;
  static constexpr unsigned long long kWriteBackStep = 8 << 20;
  unsigned long long written_ = 0, writtenBack_ = 0;
  FileHandle file_;
};

// Commits files together: each is prepared before any changes its target, and a signal that
// comes meanwhile waits until all are committed.
void CommitTogether(const std::vector<std::unique_ptr<AtomicFile>>& files, OsFiles& os);

// Creates or replaces the file `name` with exactly `bytes`.
void WriteFileAtomically(const std::string& name, std::string_view bytes, OsFiles& os);
