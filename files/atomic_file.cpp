#include "atomic_file.h"

#include <cerrno>
#include <functional>
#include <random>

#include "file_errors.h"
#include "path_name.h"
#include "system_errors.h"

namespace {

std::string TempNameFor(std::string_view leaf, std::mt19937_64& random) {
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix(8, '0');
  for (auto& c : suffix)
    c = kDigits[random() % 36];
  // Dot-prefixed and short, so a long target name still leaves room for it.
  std::string name(".");
  name.append(leaf.substr(0, 200)).append(".").append(suffix).append(".tmp");
  return name;
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
int ReachFolder(const std::string& name, OsFiles& os, std::string& leaf) {
  if (name.empty()) throw CreateError(os, name, kErrorNotFound);
  const int folder = os.OpenSaveFolder(name, leaf);
  if (folder < 0) throw CreateError(os, name, errno);
  return folder;
}

SavePlace PlaceIn(OsFiles& os, const std::string& name, int folder, const std::string& leaf,
                  const std::optional<FileFacts>& existing) {
  const auto facts = os.FactsOf(folder);
  if (!facts) throw CreateError(os, name, errno);
  SavePlace place{facts->id, leaf, std::nullopt};
  if (existing) place.file = existing->id;
  return place;
}

class SignalsHeld {
 public:
  explicit SignalsHeld(OsFiles& os) : os_(os) { os_.HoldSignals(); }
  ~SignalsHeld() { os_.ReleaseSignals(); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  OsFiles& os_;
};

}  // namespace

bool SameFile(const SavePlace& a, const SavePlace& b) {
  return (a.folder == b.folder && SameName(a.leaf, b.leaf)) ||
         (a.file && b.file && *a.file == *b.file);
}

SavePlace PlaceOfSave(const std::string& name, OsFiles& os) {
  std::string leaf;
  const FileHandle folder(os, ReachFolder(name, os, leaf));
  return PlaceIn(os, name, folder.fd(), leaf, os.FactsAt(folder.fd(), leaf));
}

AtomicFile::AtomicFile(std::string name, OsFiles& os)
    : os_(os), name_(std::move(name)), folder_(os), file_(os) {
  std::string leaf;
  folder_.Reset(ReachFolder(name_, os_, leaf));
  const std::optional<FileFacts> existing = os_.FactsAt(folder_.fd(), leaf);
  place_ = PlaceIn(os_, name_, folder_.fd(), leaf, existing);
  if (existing) {
    if (existing->kind == FileFacts::Kind::Folder) throw CreateError(os_, name_, kErrorIsFolder);
    // A save does no more than writing the file itself could: a rename would ignore the
    // file's own permission.
    if (os_.CheckWritable(folder_.fd(), leaf) != 0) throw CreateError(os_, name_, errno);
    const bool replaceable = existing->kind == FileFacts::Kind::Regular && existing->links == 1 &&
                             os_.MayGive(existing->owner, existing->group);
    if (!replaceable) {
      OpenInPlace(*existing);
      return;
    }
  }
  if (!CreateTemporary()) {
    const int error = errno;
    // A folder the user cannot write may still hold a file the user can.
    if (existing && IsRefusal(error)) {
      OpenInPlace(*existing);
      return;
    }
    throw CreateError(os_, name_, error);
  }
  if (existing && !GiveOwnerModeAndAttributes(*existing)) {
    Abandon();
    OpenInPlace(*existing);
  }
}

AtomicFile::~AtomicFile() {
  Abandon();
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
  return TakeTempName(place_.leaf, temp_, [this](const std::string& temp) {
    file_.Reset(os_.CreateNew(folder_.fd(), temp));
    if (file_.IsOpen()) os_.RemoveOnSignal(folder_.fd(), temp);
    return file_.IsOpen();
  });
}

bool AtomicFile::GiveOwnerModeAndAttributes(const FileFacts& existing) {
  if (os_.SetOwner(file_.fd(), existing.owner, existing.group) != 0) return false;
  const FileHandle old(os_, os_.OpenToInspect(folder_.fd(), place_.leaf));
  if (!old.IsOpen()) return false;
  const auto facts = os_.FactsOf(old.fd());
  // The mode after the attributes: with an ACL the group bits are its mask, and setting the
  // mode last gives back exactly the old file's ACL and mode.
  return facts && facts->id == existing.id && os_.CopyAttributes(old.fd(), file_.fd()) == 0 &&
         os_.SetMode(file_.fd(), existing.mode) == 0;
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
    // Another save of this file waits here, so two texts never mix; a disk too full for the
    // new text (or a size limit below it) fails before the old one is touched.
    if (os_.Lock(file_.fd()) != 0 || os_.Reserve(file_.fd(), pending_.size()) != 0) {
      const int error = errno;
      file_.Close();
      throw WriteError(os_, error);
    }
  }
  prepared_ = true;
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
    file_.Close();
    return WriteError(os_, error);
  };
  if (way_ == Way::InPlace) {
    const int fd = file_.fd();
    {
      // Ctrl-C waits until the new text is whole.
      const SignalsHeld held(os_);
      try {
        WriteAll(os_, fd, pending_);
      } catch (const AppError&) {
        file_.Close();
        throw;
      }
      if (os_.Truncate(fd, pending_.size()) != 0) throw fail();
    }
    if (os_.Flush(fd) != 0) throw fail();
    pending_ = std::string();
  }
  if (!file_.Close()) throw WriteError(os_, errno);
}

void AtomicFile::PrepareReplacement() {
  // Every byte on disk and the file named beside its target, so that all that is left is
  // the rename.
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

void AtomicFile::CommitReplacement() {
  if (os_.Rename(folder_.fd(), temp_, place_.leaf) != 0) {
    const int error = errno;
    Abandon();
    throw CreateError(os_, name_, error);
  }
  os_.ForgetOnSignal(folder_.fd(), temp_);
  temp_.clear();
  // So that the new name, not only the bytes, survives a crash. A file system that cannot
  // flush a folder has already done what it can.
  os_.FlushFolder(folder_.fd());
}

void AtomicFile::NameTemporary() {
  const bool named = TakeTempName(place_.leaf, temp_, [this](const std::string& temp) {
    if (os_.NameUnnamed(file_.fd(), folder_.fd(), temp) != 0) return false;
    os_.RemoveOnSignal(folder_.fd(), temp);
    return true;
  });
  if (!named) {
    const int error = errno;
    Abandon();
    throw CreateError(os_, name_, error);
  }
}

void AtomicFile::Abandon() {
  file_.Close();
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
