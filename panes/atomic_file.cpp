#include "atomic_file.h"

#include <cerrno>
#include <random>

#include "file_errors.h"

namespace {

std::string Folder(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BaseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TempNameBeside(const std::string& target, std::mt19937_64& random) {
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix(8, '0');
  for (auto& c : suffix)
    c = kDigits[random() % 36];
  // Dot-prefixed and short, so a long target name still leaves room for it.
  std::string base = BaseName(target).substr(0, 200);
  return Folder(target) + "." + base + "." + suffix + ".tmp";
}

}  // namespace

AtomicFile::AtomicFile(std::string name, OsFiles& os) : os_(os), name_(std::move(name)) {
  if (name_.empty()) throw CreateError(os_, name_, ENOENT);
  target_ = os_.SaveTarget(name_);
  if (os_.IsSpecialFile(target_)) {
    fd_ = os_.OpenExistingForWriting(target_);
    if (fd_ < 0) throw CreateError(os_, name_, errno);
    return;
  }
  std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; fd_ < 0; ++attempt) {
    temp_ = TempNameBeside(target_, random);
    fd_ = os_.CreateNew(temp_);
    if (fd_ < 0 && (errno != EEXIST || attempt == 100)) {
      const int error = errno;
      temp_.clear();
      throw CreateError(os_, name_, error);
    }
  }
  // A replaced file keeps its permission bits; a new one gets those of any new file.
  if (const auto mode = os_.ModeOf(target_)) os_.SetMode(fd_, *mode);
}

AtomicFile::~AtomicFile() {
  Abandon();
}

void AtomicFile::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const long n = os_.WriteSome(fd_, bytes.data(), bytes.size());
    if (n <= 0) {
      Abandon();
      throw WriteError();
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void AtomicFile::Commit() {
  if (fd_ < 0) throw WriteError();
  if (temp_.empty()) {  // written in place
    const bool closed = os_.Close(fd_) == 0;
    fd_ = -1;
    if (!closed) throw WriteError();
    return;
  }
  const bool flushed = os_.Flush(fd_) == 0;
  const bool closed = os_.Close(fd_) == 0;
  fd_ = -1;
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
  if (fd_ >= 0) os_.Close(fd_);
  fd_ = -1;
  if (!temp_.empty()) os_.Remove(temp_);
  temp_.clear();
}

void WriteFileAtomically(const std::string& name, std::string_view bytes, OsFiles& os) {
  AtomicFile file(name, os);
  file.Write(bytes);
  file.Commit();
}
