// POSIX has no sharing modes. Loading opens the file read-only and never locks it; saving
// writes a private temporary file that no other program knows of and renames it over the
// target in one step, so other programs see the old file or the new one whole, never a part.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "os_files.h"

namespace {

class PosixFiles final : public OsFiles {
 public:
  int OpenForReading(const std::string& path) override {
    // O_NONBLOCK keeps the open of a FIFO without writer from hanging.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      errno = EISDIR;
      return -1;
    }
    // Reads then wait for a pipe's writer, and see its end when it has none.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
  }

  long long SizeOf(int fd) override {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return -1;
    return S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : kUnknownSize;
  }

  long ReadSome(int fd, char* buffer, std::size_t count) override {
    for (;;) {
      const ssize_t n = ::read(fd, buffer, count);
      if (n < 0 && errno == EINTR) continue;
      return static_cast<long>(n);
    }
  }

  int CreateNew(const std::string& path) override {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  }

  long WriteSome(int fd, const char* data, std::size_t count) override {
    for (;;) {
      const ssize_t n = ::write(fd, data, count);
      if (n < 0 && errno == EINTR) continue;
      return static_cast<long>(n);
    }
  }

  bool IsSpecialFile(const std::string& path) override {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
  }

  int OpenExistingForWriting(const std::string& path) override {
    return ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  }

  int Flush(int fd) override { return ::fsync(fd); }
  int Close(int fd) override { return ::close(fd); }

  std::optional<unsigned> ModeOf(const std::string& path) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<unsigned>(st.st_mode & 07777);
  }

  int SetMode(int fd, unsigned mode) override { return ::fchmod(fd, mode); }

  int Rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str());
  }

  int Remove(const std::string& path) override { return ::unlink(path.c_str()); }

  std::string FullPath(const std::string& name) override {
    if (name.empty()) return {};
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(name, ec);
    return ec ? name : absolute.lexically_normal().string();
  }

  std::string SaveTarget(const std::string& name) override {
    struct stat st {};
    if (name.empty() || ::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return name;
    char* resolved = ::realpath(name.c_str(), nullptr);
    if (resolved == nullptr) return name;  // a dangling link is replaced like a file
    std::string target(resolved);
    std::free(resolved);
    return target;
  }

  std::string ErrorText(int error) override {
    char buffer[256];
    // GNU strerror_r may return a static string instead of filling the buffer.
    return ::strerror_r(error, buffer, sizeof buffer);
  }
};

}  // namespace

OsFiles& SystemFiles() {
  static PosixFiles files;
  return files;
}
