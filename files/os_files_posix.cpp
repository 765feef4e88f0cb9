// POSIX has no sharing modes. Loading opens the file read-only and never locks it; saving
// writes a private temporary file that no other program knows of and renames it over the
// target in one step, so other programs see the old file or the new one whole, never a part.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

#include "os_files.h"
#include "path_name.h"

namespace {

std::string FolderOrDot(const std::string& path) {
  const std::string_view folder = FolderOf(path);
  return folder.empty() ? std::string(".") : std::string(folder);
}

// The temporary file to remove when a signal ends the program during a save. A signal
// handler can reach nothing else, so this one piece of state is the process's.
struct SignalCleanup {
  static constexpr std::array<int, 4> kSignals = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};
  std::array<char, 4096> path{};
  volatile std::sig_atomic_t armed = 0;
  std::array<struct sigaction, kSignals.size()> previous{};
  std::array<bool, kSignals.size()> installed{};
};
SignalCleanup cleanup;

void RemoveAndDie(int signal) {
  if (cleanup.armed) ::unlink(cleanup.path.data());
  // Then end as the signal would have, so the caller sees the usual status.
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

class PosixFiles final : public OsFiles {
 public:
  int OpenForReading(const std::string& path, bool waitForWriter) override {
    // O_NONBLOCK keeps the open of a FIFO without writer from hanging.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (waitForWriter ? 0 : O_NONBLOCK));
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      errno = EISDIR;
      return -1;
    }
    // Reads then wait for a pipe's writer, and see its end when it has none.
    if (!waitForWriter) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
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

  void AdviseLargePages(char* buffer, std::size_t size) override {
#ifdef MADV_HUGEPAGE
    // Only the whole large pages inside the buffer; where the system has none, nothing.
    constexpr std::uintptr_t kLarge = 2u << 20;
    const auto from = (reinterpret_cast<std::uintptr_t>(buffer) + kLarge - 1) & ~(kLarge - 1);
    const auto to = (reinterpret_cast<std::uintptr_t>(buffer) + size) & ~(kLarge - 1);
    if (from < to) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)buffer;
    (void)size;
#endif
  }

  std::optional<FileFacts> FactsOf(const std::string& path) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    FileFacts facts;
    facts.kind = S_ISREG(st.st_mode)   ? FileFacts::Kind::Regular
                 : S_ISDIR(st.st_mode) ? FileFacts::Kind::Folder
                                       : FileFacts::Kind::Other;
    facts.mode = static_cast<unsigned>(st.st_mode & 07777);
    facts.owner = st.st_uid;
    facts.group = st.st_gid;
    facts.links = static_cast<unsigned long>(st.st_nlink);
    facts.device = st.st_dev;
    facts.inode = st.st_ino;
    return facts;
  }

  int CheckWritable(const std::string& path) override {
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS);
  }

  bool MayGive(unsigned owner, unsigned group) override {
    if (::geteuid() == 0) return true;
    if (owner != ::geteuid()) return false;
    if (group == ::getegid()) return true;
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
    const int n = ::getgroups(static_cast<int>(groups.size()), groups.data());
    return n > 0 && std::find(groups.begin(), groups.begin() + n, group) != groups.begin() + n;
  }

  int CreateUnnamed(const std::string& folder) override {
    // Naming it later goes through /proc, or needs the right root has.
    if (::geteuid() != 0 && ::access("/proc/self/fd", X_OK) != 0) {
      errno = EOPNOTSUPP;
      return -1;
    }
    return ::open(FolderOrDot(folder).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  }

  int NameUnnamed(int fd, const std::string& path) override {
    if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return 0;
    if (errno == EEXIST) return -1;
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
  }

  int CreateNew(const std::string& path) override {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  }

  int OpenInPlace(const std::string& path) override {
    return ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  }

  long WriteSome(int fd, const char* data, std::size_t count) override {
    for (;;) {
      const ssize_t n = ::write(fd, data, count);
      if (n < 0 && errno == EINTR) continue;
      return static_cast<long>(n);
    }
  }

  void StartWriteBack(int fd, unsigned long long offset, unsigned long long size) override {
    // Only a hint: a device or pipe refuses it, and nothing depends on it.
    ::sync_file_range(fd, static_cast<off64_t>(offset), static_cast<off64_t>(size),
                      SYNC_FILE_RANGE_WRITE);
  }
  int Flush(int fd) override {
    return ::fsync(fd);
  }
  int Close(int fd) override {
    return ::close(fd);
  }
  int SetMode(int fd, unsigned mode) override {
    return ::fchmod(fd, mode);
  }
  int SetOwner(int fd, unsigned owner, unsigned group) override {
    return ::fchown(fd, owner, group);
  }

  int Rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str());
  }

  int Remove(const std::string& path) override {
    return ::unlink(path.c_str());
  }

  int FlushFolder(const std::string& folder) override {
    const int fd = ::open(FolderOrDot(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    const int flushed = ::fsync(fd);
    ::close(fd);
    return flushed;
  }

  void RemoveOnSignal(const std::string& path) override {
    ForgetOnSignal();
    if (path.size() >= cleanup.path.size()) return;
    std::memcpy(cleanup.path.data(), path.c_str(), path.size() + 1);
    cleanup.armed = 1;
    for (std::size_t i = 0; i < cleanup.kSignals.size(); ++i) {
      struct sigaction current {};
      ::sigaction(cleanup.kSignals[i], nullptr, &current);
      // A signal the program ignores (a size limit it handles as a write error) stays ignored.
      if (current.sa_handler != SIG_DFL) continue;
      struct sigaction action {};
      action.sa_handler = RemoveAndDie;
      sigemptyset(&action.sa_mask);
      cleanup.installed[i] = ::sigaction(cleanup.kSignals[i], &action, &cleanup.previous[i]) == 0;
    }
  }

  void ForgetOnSignal() override {
    for (std::size_t i = 0; i < cleanup.kSignals.size(); ++i) {
      if (cleanup.installed[i]) ::sigaction(cleanup.kSignals[i], &cleanup.previous[i], nullptr);
      cleanup.installed[i] = false;
    }
    cleanup.armed = 0;
  }

  std::string FullPath(const std::string& name) override {
    if (name.empty()) return {};
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(name, ec);
    return ec ? name : absolute.lexically_normal().string();
  }

  int SaveTarget(const std::string& name, std::string& target) override {
    std::string path = name;
    for (int hops = 0; hops < 40; ++hops) {
      struct stat link {};
      if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
        target = path;
        return 0;
      }
      const std::string folder = FolderOrDot(path);
      struct stat dir {};
      const bool sticky =
          ::stat(folder.c_str(), &dir) == 0 && (dir.st_mode & S_ISVTX) && (dir.st_mode & S_IWOTH);
      if (sticky && link.st_uid != ::geteuid() && link.st_uid != dir.st_uid) {
        errno = EACCES;
        return -1;
      }
      // Some file systems report no size for their links.
      std::string to(std::max<std::size_t>(static_cast<std::size_t>(link.st_size), 4096) + 1, '\0');
      const ssize_t n = ::readlink(path.c_str(), to.data(), to.size());
      if (n < 0) return -1;
      to.resize(static_cast<std::size_t>(n));
      path = to.starts_with('/') ? to : std::string(FolderOf(path)) + to;
    }
    errno = ELOOP;
    return -1;
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
