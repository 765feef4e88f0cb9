#include "atomic_file.h"

#include <cerrno>
#include <random>

#include "file_errors.h"
#include "path_name.h"

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

}  // namespace

AtomicFile::AtomicFile(std::string name, OsFiles& os) : os_(os), name_(std::move(name)), file_(os) {
  if (name_.empty()) throw CreateError(os_, name_, ENOENT);
  target_ = os_.SaveTarget(name_);
  if (os_.IsSpecialFile(target_)) {
    file_.Reset(os_.OpenExistingForWriting(target_));
    if (!file_.IsOpen()) throw CreateError(os_, name_, errno);
    return;
  }
  std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; !file_.IsOpen(); ++attempt) {
    temp_ = TempNameBeside(target_, random);
    file_.Reset(os_.CreateNew(temp_));
    if (!file_.IsOpen() && (errno != EEXIST || attempt == 100)) {
      const int error = errno;
      temp_.clear();
      throw CreateError(os_, name_, error);
    }
  }
  // A replaced file keeps its permission bits; a new one gets those of any new file.
  if (const auto mode = os_.ModeOf(target_)) os_.SetMode(file_.fd(), *mode);
}

AtomicFile::~AtomicFile() {
  Abandon();
}

void AtomicFile::Write(std::string_view bytes) {
  if (!file_.IsOpen()) throw WriteError();
  try {
    WriteAll(os_, file_.fd(), bytes);
  } catch (const AppError&) {
    Abandon();
    throw;
  }
}

void AtomicFile::Commit() {
  if (!file_.IsOpen()) throw WriteError();
  if (temp_.empty()) {  // written in place
    if (!file_.Close()) throw WriteError();
    return;
  }
  const bool flushed = os_.Flush(file_.fd()) == 0;
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
  temp_.clear();
}

void AtomicFile::Abandon() {
  file_.Close();
  if (!temp_.empty()) os_.Remove(temp_);
  temp_.clear();
}

void WriteFileAtomically(const std::string& name, std::string_view bytes, OsFiles& os) {
  AtomicFile file(name, os);
  file.Write(bytes);
  file.Commit();
}
