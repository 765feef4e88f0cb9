// POSIX has no sharing modes. Loading opens the file read-only and never locks it; saving
// writes a private temporary file that no other program knows of and renames it over the
// target in one step, so other programs see the old file or the new one whole, never a part.
// A file written in place is locked (flock) against the program's other saves.
// Saving works relative to a folder descriptor reached one name at a time, so a link swapped
// in after a check is never followed.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <thread>
#include <vector>

#include "os_files.h"
#include "path_text.h"
#include "signal_cleanup.h"
#include "system_errors.h"

namespace {

// What a signal that ends the program must do first: remove the temporary files of the saves
// under way, or wait while files are written in place. A signal handler can reach nothing
// else, so this one piece of state is the process's.
struct SignalCleanup {
  static constexpr std::array<int, 4> kSignals = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};
  // The outputs of one export at a time, and a run's workbook with its private folder.
  SignalCleanupTable temporaries;
  volatile std::sig_atomic_t holding = 0;  // how many holds are open
  volatile std::sig_atomic_t held = 0;     // the signal that came while holding
  std::array<struct sigaction, kSignals.size()> previous{};
  std::array<bool, kSignals.size()> installed{};
};
SignalCleanup cleanup;

void Die(int signal) {
  // Files first, then the folders they emptied.
  for (const auto& t : cleanup.temporaries.Entries()) {
    if (t.armed) ::unlinkat(t.folder, t.name.data(), 0);
  }
  for (const auto& t : cleanup.temporaries.Entries()) {
    if (t.armed) ::unlinkat(t.folder, t.name.data(), AT_REMOVEDIR);
  }
  // Then end as the signal would have, so the caller sees the usual status.
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void OnSignal(int signal) {
  if (cleanup.holding) {
    cleanup.held = signal;
    return;
  }
  Die(signal);
}

void InstallHandlers() {
  for (std::size_t i = 0; i < cleanup.kSignals.size(); ++i) {
    if (cleanup.installed[i]) continue;
    struct sigaction current {};
    ::sigaction(cleanup.kSignals[i], nullptr, &current);
    // A signal the program ignores (a size limit it handles as a write error) stays ignored.
    if (current.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    cleanup.installed[i] = ::sigaction(cleanup.kSignals[i], &action, &cleanup.previous[i]) == 0;
  }
}

void RestoreHandlers() {
  for (std::size_t i = 0; i < cleanup.kSignals.size(); ++i) {
    if (cleanup.installed[i]) ::sigaction(cleanup.kSignals[i], &cleanup.previous[i], nullptr);
    cleanup.installed[i] = false;
  }
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
    return FactsFrom(st);
  }

  std::optional<FileFacts> FactsOf(int fd) override {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::nullopt;
    return FactsFrom(st);
  }

  int OpenSaveFolder(const std::string& name, std::string& leaf, SaveWalk walk) override {
    if (name.empty()) {
      errno = ENOENT;
      return -1;
    }
    int folder = ::open(name.starts_with('/') ? "/" : ".", kFolderFlags);
    if (folder < 0) return -1;
    std::deque<std::string> parts;  // the names still to walk, the next one first
    AddPartsInFront(name, parts);
    int links = 0, swaps = 0;
    while (!parts.empty()) {
      const std::string part = std::move(parts.front());
      parts.pop_front();
      const bool last = parts.empty();
      struct stat st {};
      if (::fstatat(folder, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) return CloseAndFail(folder);
        if (last && part != ".") {
          leaf = part;
          return folder;
        }
        // A folder on the way that is missing: made when asked, and walked into below.
        if (!walk.makeFolders || (::mkdirat(folder, part.c_str(), 0777) != 0 && errno != EEXIST))
          return CloseAndFail(folder);
        parts.push_front(part);
        continue;
      }
      if (S_ISLNK(st.st_mode) && (!last || walk.followLast)) {
        // The link opened itself, so that whose it is and where it leads are read of one link.
        const int link = ::openat(folder, part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        struct stat own {};
        std::string to;
        if (link >= 0 && ::fstat(link, &own) == 0 && !S_ISLNK(own.st_mode)) {
          ::close(link);
          if (++swaps > kMostSwaps) return CloseAndFail(folder, kErrorReplaced);
          parts.push_front(part);  // no longer a link: look again
          continue;
        }
        if (link < 0) {
          if (errno != ENOENT || ++swaps > kMostSwaps) return CloseAndFail(folder);
          parts.push_front(part);  // gone meanwhile: look again
          continue;
        }
        if (PlantedByAnother(folder, own)) {
          errno = kErrorPlantedLink;
        } else if (++links > 40) {
          errno = ELOOP;
        } else if (ReadLink(link, own, to)) {
          ::close(link);
          if (to.starts_with('/')) {
            ::close(folder);
            folder = ::open("/", kFolderFlags);
            if (folder < 0) return -1;
          }
          AddPartsInFront(to, parts);
          continue;
        }
        const int error = errno;
        ::close(link);
        return CloseAndFail(folder, error);
      }
      if (last && part != ".") {
        leaf = part;
        return folder;
      }
      const int next = ::openat(folder, part.c_str(), kFolderFlags | O_NOFOLLOW);
      if (next < 0) {
        // Turned into a link since it was looked at: look again.
        if ((errno == ENOTDIR || errno == ELOOP) && S_ISDIR(st.st_mode)) {
          if (++swaps > kMostSwaps) return CloseAndFail(folder, kErrorReplaced);
          parts.push_front(part);
          continue;
        }
        return CloseAndFail(folder);
      }
      ::close(folder);
      folder = next;
    }
    leaf = ".";  // the name was a folder's: "/", "..", "out/."
    return folder;
  }

  std::optional<FileFacts> FactsAt(int folder, const std::string& leaf) override {
    struct stat st {};
    if (::fstatat(folder, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    return FactsFrom(st);
  }

  int CheckWritable(int folder, const std::string& leaf) override {
    return ::faccessat(folder, leaf.c_str(), W_OK, AT_EACCESS);
  }

  bool MayGive(unsigned owner, unsigned group) override {
    if (::geteuid() == 0) return true;
    if (owner != ::geteuid()) return false;
    if (group == ::getegid()) return true;
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
    const int n = ::getgroups(static_cast<int>(groups.size()), groups.data());
    return n > 0 && std::find(groups.begin(), groups.begin() + n, group) != groups.begin() + n;
  }

  int CreateUnnamed(int folder) override {
    // Naming it later goes through /proc, or needs the right root has.
    if (::geteuid() != 0 && ::access("/proc/self/fd", X_OK) != 0) {
      errno = EOPNOTSUPP;
      return -1;
    }
    return ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  }

  int NameUnnamed(int fd, int folder, const std::string& leaf) override {
    if (::linkat(fd, "", folder, leaf.c_str(), AT_EMPTY_PATH) == 0) return 0;
    if (errno == EEXIST) return -1;
    return ::linkat(AT_FDCWD, ProcPath(fd).c_str(), folder, leaf.c_str(), AT_SYMLINK_FOLLOW);
  }

  int CreateNew(int folder, const std::string& leaf) override {
    return ::openat(folder, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    0666);
  }

  // A temporary file is already ordinary: a signal's handler removes it.
  int Keep(int, int, const std::string&) override {
    return 0;
  }

  int OpenInPlace(int folder, const std::string& leaf, bool waitForReader) override {
    const int fd =
        ::openat(folder, leaf.c_str(),
                 O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC | (waitForReader ? 0 : O_NONBLOCK));
    if (fd >= 0 && !waitForReader) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
  }

  int OpenToInspect(int folder, const std::string& leaf) override {
    return ::openat(folder, leaf.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  }

  int OpenToRead(int folder, const std::string& leaf) override {
    return ::openat(folder, leaf.c_str(),
                    O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  }

  long ReadAt(int fd, char* buffer, std::size_t count, unsigned long long offset) override {
    for (;;) {
      const ssize_t n = ::pread(fd, buffer, count, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      return static_cast<long>(n);
    }
  }

  int Lock(int fd, int waitSeconds) override {
    // Tried again and again rather than waited for: another user's lock may never go.
    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + std::chrono::seconds(waitSeconds);
    for (;;) {
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
      if (errno != EWOULDBLOCK && errno != EINTR) return -1;
      if (Clock::now() >= until) {
        errno = kErrorLocked;
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  int Reserve(int fd, unsigned long long size) override {
    if (size == 0) return 0;
    // A size limit would cut the text halfway, with the old one already written over.
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        size > limit.rlim_cur) {
      errno = EFBIG;
      return -1;
    }
    // Beyond the end, without changing the size: the file reads as before until written.
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0) return 0;
    if (errno == EOPNOTSUPP || errno == ENOSYS) errno = kErrorUnsupported;
    return -1;
  }

  int Truncate(int fd, unsigned long long size) override {
    return ::ftruncate(fd, static_cast<off_t>(size));
  }

  int CopyAttributes(int from, int to) override {
    std::vector<std::string> have, want;
    if (!ListAttributes(from, want) || !ListAttributes(to, have)) return -1;
    // One the new file got from its folder (a default ACL) but the old one lacks goes.
    for (const auto& name : have) {
      if (std::find(want.begin(), want.end(), name) == want.end() &&
          ::fremovexattr(to, name.c_str()) != 0) {
        return -1;
      }
    }
    for (const auto& name : want) {
      std::string value;
      if (!ReadAttribute(from, name, value) ||
          ::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) {
        return -1;
      }
    }
    return 0;
  }

  long WriteSome(int fd, const char* data, std::size_t count) override {
    for (;;) {
      const ssize_t n = ::write(fd, data, count);
      if (n < 0 && errno == EINTR) continue;
      return static_cast<long>(n);
    }
  }

  long WriteAt(int fd, const char* data, std::size_t count, unsigned long long offset) override {
    for (;;) {
      const ssize_t n = ::pwrite(fd, data, count, static_cast<off_t>(offset));
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

  int Rename(int folder, const std::string& from, const std::string& to) override {
    return ::renameat(folder, from.c_str(), folder, to.c_str());
  }

  int RenameNew(int folder, const std::string& from, const std::string& to) override {
    if (::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    // A file system without the flag: only where nothing has the name yet.
    struct stat st {};
    if (::fstatat(folder, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      errno = EEXIST;
      return -1;
    }
    return ::renameat(folder, from.c_str(), folder, to.c_str());
  }

  int Exchange(int folder, const std::string& a, const std::string& b) override {
    if (::renameat2(folder, a.c_str(), folder, b.c_str(), RENAME_EXCHANGE) == 0) return 0;
    if (errno == EINVAL || errno == ENOSYS) errno = kErrorUnsupported;
    return -1;
  }

  std::optional<std::vector<std::string>> Names(int folder) override {
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
      ::close(fd);
      return std::nullopt;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir))
      names.emplace_back(entry->d_name);
    ::closedir(dir);
    return names;
  }

  int Remove(int folder, const std::string& leaf) override {
    return ::unlinkat(folder, leaf.c_str(), 0);
  }

  int MakePrivateFolder(int folder, const std::string& leaf) override {
    return ::mkdirat(folder, leaf.c_str(), 0700);
  }

  int RemoveFolder(int folder, const std::string& leaf) override {
    return ::unlinkat(folder, leaf.c_str(), AT_REMOVEDIR);
  }

  int FlushFolder(int folder) override {
    // A descriptor that only names the folder cannot flush it.
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    const int flushed = ::fsync(fd);
    ::close(fd);
    return flushed;
  }

  bool RemoveOnSignal(int folder, const std::string& leaf) override {
    if (!cleanup.temporaries.Arm(folder, leaf)) return false;
    InstallHandlers();
    return true;
  }

  void ForgetOnSignal(int folder, const std::string& leaf) override {
    cleanup.temporaries.Disarm(folder, leaf);
    if (!cleanup.holding && !cleanup.temporaries.AnyArmed()) RestoreHandlers();
  }

  void HoldSignals() override {
    if (cleanup.holding == 0) cleanup.held = 0;
    cleanup.holding = cleanup.holding + 1;
    InstallHandlers();
  }

  void ReleaseSignals() override {
    if (cleanup.holding == 0) return;
    cleanup.holding = cleanup.holding - 1;
    if (cleanup.holding != 0) return;
    const int held = cleanup.held;
    cleanup.held = 0;
    if (held != 0) Die(held);
    if (!cleanup.temporaries.AnyArmed()) RestoreHandlers();
  }

  std::string FullPath(const std::string& name) override {
    if (name.empty()) return {};
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(PathFromText(name), ec);
    return ec ? name : TextFromPath(absolute.lexically_normal());
  }

  std::string ErrorText(int error) override {
    char buffer[256];
    // GNU strerror_r may return a static string instead of filling the buffer.
    return ::strerror_r(error, buffer, sizeof buffer);
  }

 private:
  // Folders are held only to name files in them; that needs no permission to read them.
  static constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

  static FileFacts FactsFrom(const struct stat& st) {
    FileFacts facts;
    facts.kind = S_ISREG(st.st_mode)   ? FileFacts::Kind::Regular
                 : S_ISDIR(st.st_mode) ? FileFacts::Kind::Folder
                                       : FileFacts::Kind::Other;
    facts.mode = static_cast<unsigned>(st.st_mode & 07777);
    facts.owner = st.st_uid;
    facts.group = st.st_gid;
    facts.links = static_cast<unsigned long>(st.st_nlink);
    facts.id = {st.st_dev, st.st_ino};
    facts.modified = st.st_mtim.tv_sec;
    facts.ownedByUser = st.st_uid == ::geteuid();
    facts.othersMayWrite =
        S_ISDIR(st.st_mode) && ((st.st_mode & (S_IWGRP | S_IWOTH)) || !Trusted(st.st_uid));
    return facts;
  }

  // This process's user, and the administrator, who may do anything anyway.
  static bool Trusted(uid_t owner) {
    return owner == ::geteuid() || owner == 0;
  }

  static int CloseAndFail(int folder, int error = errno) {
    ::close(folder);
    errno = error;
    return -1;
  }

  // How often a name on the way may change under a walk before it gives up.
  static constexpr int kMostSwaps = 100;

  static std::string ProcPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
  }

  // The names of `path`, in order, before those still to walk. A final "/" means a folder:
  // "." stands for it, so that a file is never made in its place.
  static void AddPartsInFront(std::string_view path, std::deque<std::string>& parts) {
    std::vector<std::string> added;
    for (std::size_t at = 0; at <= path.size();) {
      const std::size_t end = std::min(path.find('/', at), path.size());
      if (end > at) added.emplace_back(path.substr(at, end - at));
      at = end + 1;
    }
    if (path.size() > 1 && path.ends_with('/')) added.emplace_back(".");
    parts.insert(parts.begin(), added.begin(), added.end());
  }

  // The kernel's own rule for links in sticky folders, made stricter and applied whatever the
  // system's settings: in a folder others may write, a link that belongs neither to this user
  // nor to the administrator may have been planted, by the folder's owner too.
  static bool PlantedByAnother(int folder, const struct stat& link) {
    struct stat dir {};
    if (::fstat(folder, &dir) != 0) return true;
    return FactsFrom(dir).othersMayWrite && !Trusted(link.st_uid);
  }

  // Where the link held open as `link` leads.
  static bool ReadLink(int link, const struct stat& facts, std::string& to) {
    // Some file systems report no size for their links.
    to.assign(std::max<std::size_t>(static_cast<std::size_t>(facts.st_size), 4096) + 1, '\0');
    const ssize_t n = ::readlinkat(link, "", to.data(), to.size());
    if (n < 0) return false;
    to.resize(static_cast<std::size_t>(n));
    return true;
  }

  // An attribute call on a descriptor that only names its file goes through /proc.
  static ssize_t ListOf(int fd, char* names, std::size_t size) {
    const ssize_t n = ::flistxattr(fd, names, size);
    if (n >= 0 || errno != EBADF) return n;
    return ::listxattr(ProcPath(fd).c_str(), names, size);
  }
  static ssize_t ValueOf(int fd, const std::string& name, char* value, std::size_t size) {
    const ssize_t n = ::fgetxattr(fd, name.c_str(), value, size);
    if (n >= 0 || errno != EBADF) return n;
    return ::getxattr(ProcPath(fd).c_str(), name.c_str(), value, size);
  }

  static bool ListAttributes(int fd, std::vector<std::string>& names) {
    names.clear();
    for (int attempt = 0; attempt < 8; ++attempt) {  // the list may grow between the calls
      const ssize_t size = ListOf(fd, nullptr, 0);
      if (size < 0) return errno == ENOTSUP;  // a file system without them has none
      std::string list(static_cast<std::size_t>(size), '\0');
      const ssize_t n = ListOf(fd, list.data(), list.size());
      if (n < 0 && errno == ERANGE) continue;
      if (n < 0) return false;
      for (std::size_t at = 0; at < static_cast<std::size_t>(n);) {
        const std::size_t end = list.find('\0', at);
        names.push_back(list.substr(at, end - at));
        at = end + 1;
      }
      return true;
    }
    return false;
  }

  static bool ReadAttribute(int fd, const std::string& name, std::string& value) {
    for (int attempt = 0; attempt < 8; ++attempt) {
      const ssize_t size = ValueOf(fd, name, nullptr, 0);
      if (size < 0) return false;
      value.assign(static_cast<std::size_t>(size), '\0');
      const ssize_t n = ValueOf(fd, name, value.data(), value.size());
      if (n < 0 && errno == ERANGE) continue;
      if (n < 0) return false;
      value.resize(static_cast<std::size_t>(n));
      return true;
    }
    return false;
  }
};

}  // namespace

OsFiles& SystemFiles() {
  static PosixFiles files;
  return files;
}
