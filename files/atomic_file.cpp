#include "atomic_file.h"

#include <cerrno>
#include <functional>
#include <random>

#include "file_errors.h"
#include "path_name.h"
#include "system_errors.h"

namespace {

std::string TempNameBeside(const std::string& target, std::mt19937_64& random) {
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix(8, '0');
  for (auto& c : suffix)
    c = kDigits[random() % 36];
  // Dot-prefixed and short, so a long target name still leaves room for it.
  const std::string_view base = BaseNameOf(target).substr(0, 200);
  std::string name(FolderOf(target));
  name.append(".").append(base).append(".").append(suffix).append(".tmp");
  return name;
}

// Finds a fresh temporary name beside `target` that `make` can take; false with errno set
// when none could be had.
bool TakeTempName(const std::string& target, std::string& temp,
                  const std::function<bool(const std::string&)>& make) {
  std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt <= 100; ++attempt) {
    temp = TempNameBeside(target, random);
    if (make(temp)) return true;
    if (errno != kErrorExists) break;
  }
  temp.clear();
  return false;
}

}  // namespace

AtomicFile::AtomicFile(std::string name, OsFiles& os) : os_(os), name_(std::move(name)), file_(os) {
  if (name_.empty()) throw CreateError(os_, name_, kErrorNotFound);
  if (os_.SaveTarget(name_, target_) != 0) throw CreateError(os_, name_, errno);
  const std::optional<FileFacts> existing = os_.FactsOf(target_);
  if (existing) {
    if (existing->kind == FileFacts::Kind::Folder) throw CreateError(os_, name_, kErrorIsFolder);
    // A save does no more than writing the file itself could: a rename would ignore the
    // file's own permission.
    if (os_.CheckWritable(target_) != 0) throw CreateError(os_, name_, errno);
    const bool replaceable = existing->kind == FileFacts::Kind::Regular && existing->links == 1 &&
                             os_.MayGive(existing->owner, existing->group);
    if (!replaceable) {
      OpenInPlace();
      return;
    }
  }
  if (!CreateTemporary()) {
    const int error = errno;
    // A folder the user cannot write may still hold a file the user can.
    if (existing && IsRefusal(error)) {
      OpenInPlace();
      return;
    }
    throw CreateError(os_, name_, error);
  }
  if (existing && !GiveOwnerAndMode(*existing)) {
    Abandon();
    OpenInPlace();
  }
}

AtomicFile::~AtomicFile() {
  Abandon();
}

void AtomicFile::OpenInPlace() {
  way_ = Way::InPlace;
  file_.Reset(os_.OpenInPlace(target_));
  if (!file_.IsOpen()) throw CreateError(os_, name_, errno);
}

bool AtomicFile::CreateTemporary() {
  file_.Reset(os_.CreateUnnamed(std::string(FolderOf(target_))));
  if (file_.IsOpen()) {
    way_ = Way::Unnamed;
    return true;
  }
  way_ = Way::Named;
  return TakeTempName(target_, temp_, [this](const std::string& temp) {
    file_.Reset(os_.CreateNew(temp));
    if (file_.IsOpen()) os_.RemoveOnSignal(temp);
    return file_.IsOpen();
  });
}

bool AtomicFile::GiveOwnerAndMode(const FileFacts& existing) {
  return os_.SetOwner(file_.fd(), existing.owner, existing.group) == 0 &&
         os_.SetMode(file_.fd(), existing.mode) == 0;
}

void AtomicFile::Write(std::string_view bytes) {
  if (!file_.IsOpen()) throw WriteError();
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
    if (way_ != Way::InPlace && written_ - writtenBack_ >= kWriteBackStep) {
      os_.StartWriteBack(file_.fd(), writtenBack_, written_ - writtenBack_);
      writtenBack_ = written_;
    }
  }
}

void AtomicFile::Commit() {
  if (!file_.IsOpen()) throw WriteError();
  if (way_ == Way::InPlace) {
    if (!file_.Close()) throw WriteError();
    return;
  }
  const bool flushed = os_.Flush(file_.fd()) == 0;
  if (flushed && way_ == Way::Unnamed) NameTemporary();
  const bool closed = file_.Close();
  if (!flushed || !closed) {
    Abandon();
    throw WriteError();
  }
  if (os_.Rename(temp_, target_) != 0) {
    const int error = errno;
    Abandon();
    throw CreateError(os_, name_, error);
  }
  os_.ForgetOnSignal();
  temp_.clear();
  // So that the new name, not only the bytes, survives a crash. A file system that cannot
  // flush a folder has already done what it can.
  os_.FlushFolder(std::string(FolderOf(target_)));
}

void AtomicFile::NameTemporary() {
  const bool named = TakeTempName(target_, temp_, [this](const std::string& temp) {
    if (os_.NameUnnamed(file_.fd(), temp) != 0) return false;
    os_.RemoveOnSignal(temp);
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
  if (!temp_.empty()) os_.Remove(temp_);
  os_.ForgetOnSignal();
  temp_.clear();
}

void WriteFileAtomically(const std::string& name, std::string_view bytes, OsFiles& os) {
  AtomicFile file(name, os);
  file.Write(bytes);
  file.Commit();
}
