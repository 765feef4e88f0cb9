#include "atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <random>

#include "file_errors.h"
#include "path_name.h"
#include "system_errors.h"

namespace {

// How much of the target's name a temporary name keeps, so a long name still leaves room.
constexpr std::size_t kLeafInTempName = 200;
constexpr std::string_view kTempDigits = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr std::size_t kTempSuffix = 8;

// ".day.kml.x7k2m9qa.tmp": dot-prefixed, beside its target.
std::string TempNameFor(std::string_view leaf, std::mt19937_64& random) {
  std::string suffix(kTempSuffix, '0');
  for (auto& c : suffix)
    c = kTempDigits[random() % kTempDigits.size()];
  std::string name(".");
  name.append(leaf.substr(0, kLeafInTempName)).append(".").append(suffix).append(".tmp");
  return name;
}

// Whether `name` is one TempNameFor gives for `leaf`.
bool IsTempNameFor(std::string_view name, std::string_view leaf) {
  const std::string_view stem = leaf.substr(0, kLeafInTempName);
  if (name.size() != stem.size() + kTempSuffix + 6 || !name.starts_with('.') ||
      name.substr(1, stem.size()) != stem || name[stem.size() + 1] != '.' ||
      !name.ends_with(".tmp")) {
    return false;
  }
  const std::string_view suffix = name.substr(stem.size() + 2, kTempSuffix);
  return std::all_of(suffix.begin(), suffix.end(),
                     [](char c) { return kTempDigits.find(c) != std::string_view::npos; });
}

// Finds a fresh temporary name beside `leaf` that `make` can take; false with errno set when
// none could be had.
bool TakeTempName(std::string_view leaf, std::string& temp,
                  const std::function<bool(const std::string&)>& make) {
  std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt <= 100; ++attempt) {
    temp = TempNameFor(leaf, random);
    if (make(temp)) return true;
    if (errno != kErrorExists) break;
  }
  temp.clear();
  return false;
}

// The folder a save to `name` lands in, and the name there.
int ReachFolder(const std::string& name, OsFiles& os, std::string& leaf, SaveWalk walk) {
  if (name.empty()) throw CreateError(os, name, kErrorNotFound);
  const int folder = os.OpenSaveFolder(name, leaf, walk);
  if (folder < 0) throw CreateError(os, name, errno);
  return folder;
}

long long Now() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

class SignalsHeld {
 public:
  explicit SignalsHeld(OsFiles& os) : os_(os) { os_.HoldSignals(); }
  ~SignalsHeld() {
    const int error = errno;  // what a failed call before set, for its caller to read
    os_.ReleaseSignals();
    errno = error;
  }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  OsFiles& os_;
};

bool WriteAllAt(OsFiles& os, int fd, std::string_view bytes, unsigned long long offset) {
  while (!bytes.empty()) {
    const long n = os.WriteAt(fd, bytes.data(), bytes.size(), offset);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
    offset += static_cast<unsigned long long>(n);
  }
  return true;
}

}  // namespace

bool SameFile(const SavePlace& a, const SavePlace& b) {
  return (a.folder == b.folder && SameName(a.leaf, b.leaf)) ||
         (a.file && b.file && *a.file == *b.file);
}

SavePlace PlaceOfSave(const std::string& name, OsFiles& os, bool followLink) {
  std::string leaf;
  const FileHandle folder(os, ReachFolder(name, os, leaf, {.followLast = followLink}));
  const auto facts = os.FactsOf(folder.fd());
  if (!facts) throw CreateError(os, name, errno);
  const auto existing = os.FactsAt(folder.fd(), leaf);
  return {facts->id, leaf, existing ? std::optional(existing->id) : std::nullopt};
}

AtomicFile::AtomicFile(std::string name, OsFiles& os, SaveTerms terms)
    : os_(os),
      name_(std::move(name)),
      terms_(std::move(terms)),
      folder_(os),
      tempHold_(os),
      file_(os) {
  std::string leaf;
  folder_.Reset(ReachFolder(name_, os_, leaf, {.followLast = terms_.followLink}));
  const auto folder = os_.FactsOf(folder_.fd());
  if (!folder) throw CreateError(os_, name_, errno);
  othersMayWrite_ = folder->othersMayWrite;
  folderOwner_ = folder->owner;
  const std::optional<FileFacts> existing = os_.FactsAt(folder_.fd(), leaf);
  place_ = {folder->id, leaf, existing ? std::optional(existing->id) : std::nullopt};
  if (existing) {
    Approve(leaf, *existing);
    // A save does no more than writing the file itself could: a rename would ignore the
    // file's own permission.
    if (os_.CheckWritable(folder_.fd(), leaf) != 0) throw CreateError(os_, name_, errno);
    if (existing->kind != FileFacts::Kind::Regular) {
      OpenInPlace(*existing);
      return;
    }
  }
  // Where others may write, only the user's own file with no other name is written in place:
  // another may be a link to a file the save must never reach.
  const bool inPlaceAllowed =
      existing && (!othersMayWrite_ || (existing->links == 1 && existing->ownedByUser));
  const bool replaceable = !existing || (os_.MayGive(existing->owner, existing->group) &&
                                         (existing->links == 1 || othersMayWrite_));
  if (!replaceable) {
    if (!inPlaceAllowed) throw CreateError(os_, name_, kErrorSharedFile);
    OpenInPlace(*existing);
    return;
  }
  RemoveStaleTemporaries();
  if (!CreateTemporary()) {
    const int error = errno;
    // A folder the user cannot write may still hold a file the user can.
    if (inPlaceAllowed && IsRefusal(error)) {
      OpenInPlace(*existing);
      return;
    }
    throw CreateError(os_, name_, error);
  }
  if (existing && !GiveOwnerModeAndAttributes(*existing)) {
    Abandon();
    if (!inPlaceAllowed) throw CreateError(os_, name_, kErrorSharedFile);
    OpenInPlace(*existing);
  }
}

AtomicFile::~AtomicFile() {
  Abandon();
}

bool AtomicFile::Stranger(const FileFacts& facts) const {
  // Another user's file in a folder others may write is theirs to read: never written into,
  // nor given to them with the save in it. The folder's owner, and the administrator, keep
  // what they like there.
  return othersMayWrite_ && !facts.ownedByUser && facts.owner != folderOwner_ && facts.owner != 0;
}

void AtomicFile::Approve(const std::string& leaf, const FileFacts& facts) {
  if (facts.kind == FileFacts::Kind::Folder) throw CreateError(os_, name_, kErrorIsFolder);
  if (Stranger(facts)) throw CreateError(os_, name_, kErrorSharedFile);
  if (terms_.judge) terms_.judge(os_, folder_.fd(), leaf, facts);
}

void AtomicFile::OpenInPlace(const FileFacts& existing) {
  const bool regular = existing.kind == FileFacts::Kind::Regular;
  way_ = regular ? Way::InPlace : Way::Stream;
  // A pipe waits for its reader; a regular file that became a pipe must not keep us waiting.
  file_.Reset(os_.OpenInPlace(folder_.fd(), place_.leaf, !regular));
  if (!file_.IsOpen()) {
    if (errno == kErrorIsLink) throw ReplacedError(os_, name_);
    throw CreateError(os_, name_, errno);
  }
  // What is written to is the file the checks approved, whatever took its name meanwhile.
  const auto opened = os_.FactsOf(file_.fd());
  if (!opened || opened->id != existing.id) {
    file_.Close();
    throw ReplacedError(os_, name_);
  }
}

bool AtomicFile::CreateTemporary() {
  way_ = Way::Replace;
  file_.Reset(os_.CreateUnnamed(folder_.fd()));
  if (file_.IsOpen()) return true;
  const bool made = TakeTempName(place_.leaf, temp_, [this](const std::string& temp) {
    // A signal between the file's making and its registering would leave it behind.
    const SignalsHeld held(os_);
    file_.Reset(os_.CreateNew(folder_.fd(), temp));
    if (file_.IsOpen() && !os_.RemoveOnSignal(folder_.fd(), temp)) {
      file_.Close();
      os_.Remove(folder_.fd(), temp);
      throw CreateError(os_, name_, kErrorTooManySaves);
    }
    return file_.IsOpen();
  });
  if (made) HoldTemporary();
  return made;
}

void AtomicFile::HoldTemporary() {
  if (const auto facts = os_.FactsOf(file_.fd())) tempId_ = facts->id;
  // A lock of its own on the named file shows the next save beside it that it is alive.
  tempHold_.Reset(os_.OpenToRead(folder_.fd(), temp_));
  if (tempHold_.IsOpen() && os_.Lock(tempHold_.fd(), 0) != 0) tempHold_.Close();
}

void AtomicFile::RemoveStaleTemporaries() {
  const auto names = os_.Names(folder_.fd());
  if (!names) return;
  const long long now = Now();
  for (const auto& name : *names) {
    if (!IsTempNameFor(name, place_.leaf)) continue;
    const auto facts = os_.FactsAt(folder_.fd(), name);
    if (!facts || facts->kind != FileFacts::Kind::Regular || !facts->ownedByUser ||
        facts->links != 1 || now - facts->modified < kStaleSeconds) {
      continue;
    }
    // A save under way holds a lock on its temporary file; the lock goes with its program.
    const FileHandle file(os_, os_.OpenToRead(folder_.fd(), name));
    const auto opened = file.IsOpen() ? os_.FactsOf(file.fd()) : std::nullopt;
    if (opened && opened->id == facts->id && os_.Lock(file.fd(), 0) == 0)
      os_.Remove(folder_.fd(), name);
  }
}

// A document never runs as its owner or group, whatever the file it replaces did.
constexpr unsigned kSetIdBits = 06000;

bool AtomicFile::GiveOwnerModeAndAttributes(const FileFacts& existing) {
  if (os_.SetOwner(file_.fd(), existing.owner, existing.group) != 0) return false;
  const FileHandle old(os_, os_.OpenToInspect(folder_.fd(), place_.leaf));
  if (!old.IsOpen()) return false;
  const auto facts = os_.FactsOf(old.fd());
  // The mode after the attributes: with an ACL the group bits are its mask, and setting the
  // mode last gives back exactly the old file's ACL and mode.
  return facts && facts->id == existing.id && os_.CopyAttributes(old.fd(), file_.fd()) == 0 &&
         os_.SetMode(file_.fd(), existing.mode & ~kSetIdBits) == 0;
}

void AtomicFile::Write(std::string_view bytes) {
  if (!file_.IsOpen()) throw WriteError();
  // Written over the old text only once the whole new one is known.
  if (way_ == Way::InPlace) {
    pending_.append(bytes);
    return;
  }
  // A large file goes to the disk while the rest is written, not all at the end: a large
  // text (a pane's whole KML) is written a step at a time for that.
  while (!bytes.empty()) {
    const std::string_view step = bytes.substr(0, kWriteBackStep);
    try {
      WriteAll(os_, file_.fd(), step);
    } catch (const AppError&) {
      Abandon();
      throw;
    }
    bytes.remove_prefix(step.size());
    written_ += step.size();
    if (way_ == Way::Replace && written_ - writtenBack_ >= kWriteBackStep) {
      os_.StartWriteBack(file_.fd(), writtenBack_, written_ - writtenBack_);
      writtenBack_ = written_;
    }
  }
}

void AtomicFile::Prepare() {
  if (prepared_) return;
  if (!file_.IsOpen()) throw WriteError();
  if (way_ == Way::Replace) {
    PrepareReplacement();
  } else if (way_ == Way::InPlace) {
    // Another save of this file waits here, so two texts never mix; a lock that is not given
    // up in time fails the save before anything is written.
    if (os_.Lock(file_.fd(), kLockWaitSeconds) != 0) {
      const int error = errno;
      file_.Close();
      throw error == kErrorLocked ? CreateError(os_, name_, error) : WriteError(os_, error);
    }
    ReserveRoom();
  }
  prepared_ = true;
}

void AtomicFile::ReserveRoom() {
  // A disk too full for the new text (or a size limit below it) fails before the old one is
  // touched.
  const int fd = file_.fd();
  const long long size = os_.SizeOf(fd);
  int error = errno;
  if (size >= 0) {
    sizeBeforeRoom_ = static_cast<unsigned long long>(size);
    if (os_.Reserve(fd, pending_.size()) == 0) return;
    error = errno;
    if (error == kErrorUnsupported) {
      if (pending_.size() <= *sizeBeforeRoom_) return;
      // A file system that sets no room aside: the part of the new text beyond the old end is
      // written there first, which takes the room before the old text is touched. The file
      // shows it until the commit, so a signal waits till then.
      os_.HoldSignals();
      holdingSignals_ = true;
      const std::string_view beyond = std::string_view(pending_).substr(*sizeBeforeRoom_);
      if (WriteAllAt(os_, fd, beyond, *sizeBeforeRoom_) && os_.Flush(fd) == 0) return;
      error = errno;
    }
  }
  Abandon();
  throw WriteError(os_, error);
}

void AtomicFile::GiveBackRoom() {
  // Truncating to the size it had frees what was set aside or written beyond it, also what a
  // reservation that failed halfway took.
  if (sizeBeforeRoom_ && file_.IsOpen()) {
    const int error = errno;
    os_.Truncate(file_.fd(), *sizeBeforeRoom_);
    errno = error;
  }
  sizeBeforeRoom_.reset();
}

void AtomicFile::StopHoldingSignals() {
  if (!holdingSignals_) return;
  holdingSignals_ = false;
  os_.ReleaseSignals();
}

void AtomicFile::Commit() {
  Prepare();
  if (way_ == Way::Replace) {
    CommitReplacement();
  } else {
    CommitInPlace();
  }
}

void AtomicFile::CommitInPlace() {
  const auto fail = [this] {
    const int error = errno;
    Abandon();
    return WriteError(os_, error);
  };
  if (way_ == Way::InPlace) {
    const int fd = file_.fd();
    {
      // Ctrl-C waits until the new text is whole.
      const SignalsHeld held(os_);
      sizeBeforeRoom_.reset();  // from here the room is the new text's
      // From the file's start whatever its position: a reservation written past the old
      // end may have moved it (Windows moves it for a write at an offset).
      if (!WriteAllAt(os_, fd, pending_, 0)) throw fail();
      if (os_.Truncate(fd, pending_.size()) != 0) throw fail();
      StopHoldingSignals();
    }
    if (os_.Flush(fd) != 0) throw fail();
    pending_ = std::string();
  }
  if (!file_.Close()) throw WriteError(os_, errno);
}

void AtomicFile::PrepareReplacement() {
  // Every byte on disk and the file named beside its target, so that all that is left is
  // putting it in the target's place.
  const bool flushed =
      os_.Flush(file_.fd()) == 0 && os_.Keep(file_.fd(), folder_.fd(), place_.leaf) == 0;
  int error = errno;
  if (flushed && temp_.empty()) NameTemporary();
  const bool closed = file_.Close();
  if (flushed && !closed) error = errno;
  if (!flushed || !closed) {
    Abandon();
    throw WriteError(os_, error);
  }
}

void AtomicFile::NameTemporary() {
  const bool named = TakeTempName(place_.leaf, temp_, [this](const std::string& temp) {
    // A signal between the file's naming and its registering would leave it behind.
    const SignalsHeld held(os_);
    if (os_.NameUnnamed(file_.fd(), folder_.fd(), temp) != 0) return false;
    if (os_.RemoveOnSignal(folder_.fd(), temp)) return true;
    os_.Remove(folder_.fd(), temp);
    errno = kErrorTooManySaves;
    return false;
  });
  if (!named) {
    const int error = errno;
    Abandon();
    throw CreateError(os_, name_, error);
  }
  HoldTemporary();
}

void AtomicFile::CommitReplacement() {
  {
    // Until the file the name held is known to be the one approved, it lies under the
    // temporary name: a signal waits, so nothing but the new file is ever removed.
    const SignalsHeld held(os_);
    if (PutInPlace()) {
      try {
        JudgeDisplaced();
      } catch (const AppError&) {
        PutBack();
        throw;
      }
      os_.Remove(folder_.fd(), temp_);
    }
    os_.ForgetOnSignal(folder_.fd(), temp_);
    temp_.clear();
    tempHold_.Close();
  }
  // So that the new name, not only the bytes, survives a crash. A file system that cannot
  // flush a folder has already done what it can.
  os_.FlushFolder(folder_.fd());
}

bool AtomicFile::PutInPlace() {
  const int folder = folder_.fd();
  const auto fail = [this](int error) {
    Abandon();
    return CreateError(os_, name_, error);
  };
  // A name that another program keeps filling and emptying is tried again, a few times.
  bool taken = place_.file.has_value();
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (!taken) {
      if (os_.RenameNew(folder, temp_, place_.leaf) == 0) return false;
      if (errno != kErrorExists) throw fail(errno);
    }
    // Swapped, so the file the name held is not gone until it is judged.
    if (os_.Exchange(folder, temp_, place_.leaf) == 0) return true;
    if (errno == kErrorNotFound) {
      taken = false;  // gone meanwhile
      continue;
    }
    if (errno != kErrorUnsupported) throw fail(errno);
    // Where names cannot be swapped, the file at the name is judged just before the rename.
    const auto now = os_.FactsAt(folder, place_.leaf);
    try {
      if (now && (!place_.file || now->id != *place_.file)) Approve(place_.leaf, *now);
    } catch (const AppError&) {
      Abandon();
      throw;
    }
    if (os_.Rename(folder, temp_, place_.leaf) == 0) return false;
    throw fail(errno);
  }
  throw fail(kErrorReplaced);
}

void AtomicFile::JudgeDisplaced() {
  const auto displaced = os_.FactsAt(folder_.fd(), temp_);
  if (!displaced) throw ReplacedError(os_, name_);
  if (place_.file && displaced->id == *place_.file) return;
  // A file that took the name meanwhile: another save's, replaced as the first would have
  // been, or one the save must keep.
  if (displaced->kind == FileFacts::Kind::Folder || Stranger(*displaced))
    throw ReplacedError(os_, name_);
  if (terms_.judge) terms_.judge(os_, folder_.fd(), temp_, *displaced);
}

void AtomicFile::PutBack() {
  // The file that took the name goes back to it, and the new one is removed only once it is
  // what the temporary name holds again. A program that keeps moving names about may need a
  // few swaps; whatever the temporary name holds in the end, if not ours, is not removed.
  const int folder = folder_.fd();
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (os_.Exchange(folder, temp_, place_.leaf) != 0) break;
    const auto back = os_.FactsAt(folder, temp_);
    if (back && back->id == tempId_) {
      Abandon();
      return;
    }
  }
  os_.ForgetOnSignal(folder, temp_);
  temp_.clear();
  Abandon();
}

void AtomicFile::Abandon() {
  GiveBackRoom();
  StopHoldingSignals();
  file_.Close();
  tempHold_.Close();
  if (temp_.empty()) return;
  os_.Remove(folder_.fd(), temp_);
  os_.ForgetOnSignal(folder_.fd(), temp_);
  temp_.clear();
}

void CommitTogether(const std::vector<std::unique_ptr<AtomicFile>>& files, OsFiles& os) {
  for (const auto& file : files)
    file->Prepare();
  // A signal does not part them: it ends the program once all are in place.
  const SignalsHeld held(os);
  for (const auto& file : files)
    file->Commit();
}

void WriteFileAtomically(const std::string& name, std::string_view bytes, OsFiles& os) {
  AtomicFile file(name, os);
  file.Write(bytes);
  file.Commit();
}
