// Win32 has the sharing modes the file rules ask for: a load opens the file for reading and
// lets others only read it, so a file another program is writing refuses the load; a save
// opens its file shared with nobody, which also serves as its lock. Descriptors are the C
// runtime's over the Win32 handles, so the code above sees the same ints as on POSIX; errno
// carries the Win32 error code, whose words FormatMessageW gives.
// A save holds its folder open without letting it be renamed or deleted, and names its files
// by the folder's final path, so no link on the way is followed twice. Windows has no sticky
// folders: links (which need a right users seldom have) are followed as the system does, and
// a file written in place is opened without following a link at its name.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <mutex>

#include "file_messages.h"
#include "os_files.h"
#include "path_name.h"
#include "signal_cleanup.h"
#include "system_errors.h"
#include "wide_text.h"

namespace {

int Fail() {
  errno = static_cast<int>(::GetLastError());
  return -1;
}

HANDLE HandleOf(int fd) {
  return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

int Descriptor(HANDLE handle, int flags) {
  if (handle == INVALID_HANDLE_VALUE) return Fail();
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(handle);
    errno = ERROR_TOO_MANY_OPEN_FILES;
  }
  return fd;
}

// The name as the system takes it: a long one (past the old 260-character limit) in its
// extended form, "\\?\C:\..." or "\\?\UNC\server\...", which has no such limit.
std::wstring SystemPath(const std::string& path) {
  std::wstring wide = WideFromUtf8(path);
  if (wide.size() < MAX_PATH - 12 || wide.starts_with(L"\\\\?\\") || wide.starts_with(L"\\\\.\\")) {
    return wide;
  }
  const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return wide;
  std::wstring full(size, L'\0');
  full.resize(::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr));
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// A full path in its extended form, which no length limit applies to.
std::wstring ExtendedPath(std::wstring full) {
  if (full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\")) return full;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  return ::CreateFileW(SystemPath(path).c_str(), access, share, nullptr, disposition, flags,
                       nullptr);
}

HANDLE OpenWide(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                DWORD flags) {
  return ::CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::optional<FileFacts> FactsOfHandle(HANDLE h) {
  FileFacts facts;
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h, &info)) {
    facts.kind = FileFacts::Kind::Other;  // NUL, CON, a pipe
    return facts;
  }
  facts.kind = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? FileFacts::Kind::Other
               : (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)   ? FileFacts::Kind::Folder
                                                                      : FileFacts::Kind::Regular;
  facts.mode = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  facts.links = info.nNumberOfLinks;
  // 100-nanosecond steps since 1601 made seconds since 1970.
  const unsigned long long written =
      (static_cast<unsigned long long>(info.ftLastWriteTime.dwHighDateTime) << 32) |
      info.ftLastWriteTime.dwLowDateTime;
  facts.modified = static_cast<long long>(written / 10000000ULL) - 11644473600LL;
  facts.id.device = info.dwVolumeSerialNumber;
  facts.id.inode =
      (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return facts;
}

// The folder's path as the system resolves it, links and all ("\\?\C:\data").
std::wstring FinalPath(HANDLE h) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetFinalPathNameByHandleW(h, path.data(), static_cast<DWORD>(path.size()),
                                                FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(n + 1);
  }
}

// The temporary files to delete when Ctrl-C or a closing console ends the program during a
// save, or the wait while files are written in place. The handler runs on a thread of its own
// and can reach nothing else.
// A wide path's bytes, as the table keeps names.
std::string_view WideBytes(const std::wstring& wide) {
  return {reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t)};
}

// The outputs of one export at a time, and a run's workbook with its private folder, each a
// whole wide path.
SignalCleanupTable temporaries;
volatile LONG holding = 0, held = 0;
bool handlerInstalled = false;

BOOL WINAPI RemoveOnControl(DWORD) {
  if (holding) {
    held = 1;
    return TRUE;  // the program ends when the files are whole
  }
  // Files first, then the folders they emptied.
  for (const auto& t : temporaries.Entries()) {
    if (t.armed) ::DeleteFileW(reinterpret_cast<const wchar_t*>(t.name.data()));
  }
  for (const auto& t : temporaries.Entries()) {
    if (t.armed) ::RemoveDirectoryW(reinterpret_cast<const wchar_t*>(t.name.data()));
  }
  return FALSE;  // then the default: the program ends
}

// The handler is there while a temporary file is armed or signals are held.
void UpdateHandler() {
  const bool needed = holding != 0 || temporaries.AnyArmed();
  if (needed != handlerInstalled) ::SetConsoleCtrlHandler(RemoveOnControl, needed);
  handlerInstalled = needed;
}

class Win32Files final : public OsFiles {
 public:
  int OpenForReading(const std::string& path, bool) override {
    // A pipe's writer is always waited for: Win32 opens pipes that way.
    const int fd = Descriptor(
        Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL), _O_RDONLY);
    // A pattern that matched nothing names no file.
    if (fd < 0 && errno == ERROR_INVALID_NAME &&
        BaseNameOf(path).find_first_of("*?") != std::string_view::npos) {
      errno = ERROR_FILE_NOT_FOUND;
    }
    return fd;
  }

  long long SizeOf(int fd) override {
    const HANDLE h = HandleOf(fd);
    if (::GetFileType(h) != FILE_TYPE_DISK) return kUnknownSize;
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(h, &size)) return Fail();
    return size.QuadPart;
  }

  long ReadSome(int fd, char* buffer, std::size_t count) override {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
    if (::ReadFile(HandleOf(fd), buffer, want, &got, nullptr)) return static_cast<long>(got);
    // A pipe whose writer has gone has ended.
    return ::GetLastError() == ERROR_BROKEN_PIPE ? 0 : Fail();
  }

  std::optional<FileFacts> FactsOf(const std::string& path) override {
    const HANDLE h = Open(path, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    const auto facts = FactsOfHandle(h);
    ::CloseHandle(h);
    return facts;
  }

  std::optional<FileFacts> FactsOf(int fd) override { return FactsOfHandle(HandleOf(fd)); }

  int OpenSaveFolder(const std::string& name, std::string& leaf, SaveWalk walk) override {
    if (name.empty()) {
      errno = ERROR_FILE_NOT_FOUND;
      return -1;
    }
    std::string folderName(FolderOf(name));
    leaf = BaseNameOf(name);
    if (leaf.empty()) leaf.assign(1, '.');
    if (walk.makeFolders && !folderName.empty() && MakeFolders(folderName) != 0) return -1;
    for (int hops = 0;; ++hops) {
      const int folder = OpenFolder(folderName.empty() ? "." : folderName);
      if (folder < 0) return -1;
      if (!walk.followLast) return folder;
      // A link at the name is followed here, once, to the file it leads to; a link that leads
      // nowhere is replaced, not followed.
      const std::wstring path = WidePathIn(folder, leaf);
      const DWORD attributes = ::GetFileAttributesW(path.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
          hops > 0) {
        return folder;
      }
      const HANDLE h = OpenWide(path, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
      if (h == INVALID_HANDLE_VALUE) return folder;
      const std::string target = Utf8FromWide(FinalPath(h));
      ::CloseHandle(h);
      if (target.empty()) return folder;
      Close(folder);
      folderName = FolderOf(target);
      leaf = BaseNameOf(target);
    }
  }

  std::optional<FileFacts> FactsAt(int folder, const std::string& leaf) override {
    const HANDLE h = OpenWide(WidePathIn(folder, leaf), 0, kShareAll, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    const auto facts = FactsOfHandle(h);
    ::CloseHandle(h);
    return facts;
  }

  int CheckWritable(int folder, const std::string& leaf) override {
    const std::wstring path = WidePathIn(folder, leaf);
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || IsDeviceName(leaf)) return 0;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      errno = ERROR_ACCESS_DENIED;
      return -1;
    }
    // A file another program holds open without sharing it is refused before anything is
    // written, in words that say so.
    const HANDLE h =
        ::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, kShareAll, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_SHARING_VIOLATION) return Fail();
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    return 0;
  }

  // A replacing rename keeps nothing to hand on: the new file takes the folder's security.
  bool MayGive(unsigned, unsigned) override { return true; }

  int CreateUnnamed(int) override {
    errno = ERROR_NOT_SUPPORTED;
    return -1;
  }
  int NameUnnamed(int, int, const std::string&) override {
    errno = ERROR_NOT_SUPPORTED;
    return -1;
  }

  // Hidden, marked temporary and to be deleted when closed: a save that is killed leaves
  // nothing a user sees. Keep undoes all three.
  int CreateNew(int folder, const std::string& leaf) override {
    const HANDLE h = OpenWide(WidePathIn(folder, leaf), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                              CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY);
    if (h != INVALID_HANDLE_VALUE) {
      FILE_DISPOSITION_INFO dispose{TRUE};
      ::SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose);
    }
    return Descriptor(h, _O_WRONLY);
  }

  int Keep(int fd, int folder, const std::string& leaf) override {
    const HANDLE h = HandleOf(fd);
    FILE_DISPOSITION_INFO keep{FALSE};
    if (!::SetFileInformationByHandle(h, FileDispositionInfo, &keep, sizeof keep)) return Fail();
    // The attributes of the file it replaces (hidden, system); a new file has none.
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD old = ::GetFileAttributesW(WidePathIn(folder, leaf).c_str());
    FILE_BASIC_INFO basic{};  // times of 0 are left as they are
    basic.FileAttributes = old == INVALID_FILE_ATTRIBUTES ? 0 : old & kKept;
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic) ? 0 : Fail();
  }

  // A pipe's reader is always waited for: Win32 opens pipes that way.
  int OpenInPlace(int folder, const std::string& leaf, bool) override {
    const HANDLE h = OpenWide(WidePathIn(folder, leaf), GENERIC_READ | GENERIC_WRITE, 0,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
    if (h != INVALID_HANDLE_VALUE) {
      BY_HANDLE_FILE_INFORMATION info{};
      if (::GetFileType(h) == FILE_TYPE_DISK && ::GetFileInformationByHandle(h, &info) &&
          (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        ::CloseHandle(h);
        errno = kErrorIsLink;
        return -1;
      }
    }
    return Descriptor(h, _O_WRONLY);
  }

  int OpenToInspect(int folder, const std::string& leaf) override {
    return Descriptor(
        OpenWide(WidePathIn(folder, leaf), FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING,
                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT),
        _O_RDONLY);
  }

  int OpenToRead(int folder, const std::string& leaf) override {
    const HANDLE h = OpenWide(WidePathIn(folder, leaf), GENERIC_READ, FILE_SHARE_READ,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
    return Descriptor(h, _O_RDONLY);
  }

  long ReadAt(int fd, char* buffer, std::size_t count, unsigned long long offset) override {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
    if (::ReadFile(HandleOf(fd), buffer, want, &got, &at)) return static_cast<long>(got);
    return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : Fail();
  }

  // The file is open shared with nobody: no other save can reach it.
  int Lock(int, int) override { return 0; }

  int Reserve(int fd, unsigned long long size) override {
    const HANDLE h = HandleOf(fd);
    LARGE_INTEGER current;
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileSizeEx(h, &current)) return 0;
    // Less than the file holds would cut it.
    if (size <= static_cast<unsigned long long>(current.QuadPart)) return 0;
    FILE_ALLOCATION_INFO room{};
    room.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
    if (::SetFileInformationByHandle(h, FileAllocationInfo, &room, sizeof room)) return 0;
    const DWORD error = ::GetLastError();
    if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) return Fail();
    errno = kErrorUnsupported;
    return -1;
  }

  int Truncate(int fd, unsigned long long size) override {
    const HANDLE h = HandleOf(fd);
    if (::GetFileType(h) != FILE_TYPE_DISK) return 0;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(size);
    return ::SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && ::SetEndOfFile(h) ? 0 : Fail();
  }

  // The file's attributes are given by Keep; its security and streams are kept by the
  // replacing rename (ReplaceFileW).
  int CopyAttributes(int, int) override { return 0; }

  long WriteSome(int fd, const char* data, std::size_t count) override {
    DWORD put = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
    if (!::WriteFile(HandleOf(fd), data, want, &put, nullptr)) return Fail();
    return static_cast<long>(put);
  }

  long WriteAt(int fd, const char* data, std::size_t count, unsigned long long offset) override {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD put = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
    if (!::WriteFile(HandleOf(fd), data, want, &put, &at)) return Fail();
    return static_cast<long>(put);
  }

  // Windows writes back on its own schedule; the final flush waits for the rest.
  void StartWriteBack(int, unsigned long long, unsigned long long) override {}

  int Flush(int fd) override {
    const HANDLE h = HandleOf(fd);
    if (::GetFileType(h) != FILE_TYPE_DISK) return 0;
    return ::FlushFileBuffers(h) ? 0 : Fail();
  }
  int Close(int fd) override {
    {
      const std::lock_guard lock(foldersMutex_);
      folders_.erase(fd);
    }
    return ::_close(fd) == 0 ? 0 : -1;
  }
  // The file being replaced is writable, so the new one keeps the same attributes as made.
  int SetMode(int, unsigned) override { return 0; }
  int SetOwner(int, unsigned, unsigned) override { return 0; }

  int Rename(int folder, const std::string& from, const std::string& to) override {
    const std::wstring source = WidePathIn(folder, from), target = WidePathIn(folder, to);
    if (::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
      if (::ReplaceFileW(target.c_str(), source.c_str(), nullptr, 0, nullptr, nullptr)) return 0;
      // Only where the old file could not be set aside are both still as they were.
      if (::GetLastError() != ERROR_UNABLE_TO_REMOVE_REPLACED) return InUseOr(target);
    }
    return ::MoveFileExW(source.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : InUseOr(target);
  }

  int RenameNew(int folder, const std::string& from, const std::string& to) override {
    const std::wstring source = WidePathIn(folder, from), target = WidePathIn(folder, to);
    return ::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) ? 0
                                                                                 : InUseOr(target);
  }

  // Win32 swaps no names in one step.
  int Exchange(int, const std::string&, const std::string&) override {
    errno = kErrorUnsupported;
    return -1;
  }

  std::optional<std::vector<std::string>> Names(int folder) override {
    WIN32_FIND_DATAW found{};
    const HANDLE h = ::FindFirstFileW(WidePathIn(folder, "*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    std::vector<std::string> names;
    do {
      names.push_back(Utf8FromWide(found.cFileName));
    } while (::FindNextFileW(h, &found));
    ::FindClose(h);
    return names;
  }

  int Remove(int folder, const std::string& leaf) override {
    return ::DeleteFileW(WidePathIn(folder, leaf).c_str()) ? 0 : Fail();
  }

  // In the user's own temporary folder, whose permissions it takes.
  int MakePrivateFolder(int folder, const std::string& leaf) override {
    return ::CreateDirectoryW(WidePathIn(folder, leaf).c_str(), nullptr) ? 0 : Fail();
  }

  int RemoveFolder(int folder, const std::string& leaf) override {
    return ::RemoveDirectoryW(WidePathIn(folder, leaf).c_str()) ? 0 : Fail();
  }

  // MOVEFILE_WRITE_THROUGH has put the new name on disk already.
  int FlushFolder(int) override { return 0; }

  bool RemoveOnSignal(int folder, const std::string& leaf) override {
    const bool armed = temporaries.Arm(0, WideBytes(WidePathIn(folder, leaf)));
    UpdateHandler();
    return armed;
  }

  void ForgetOnSignal(int folder, const std::string& leaf) override {
    temporaries.Disarm(0, WideBytes(WidePathIn(folder, leaf)));
    UpdateHandler();
  }

  void HoldSignals() override {
    if (holding == 0) held = 0;
    holding = holding + 1;
    UpdateHandler();
  }

  void ReleaseSignals() override {
    if (holding == 0) return;
    holding = holding - 1;
    if (holding != 0) return;
    UpdateHandler();
    if (held) ::ExitProcess(STATUS_CONTROL_C_EXIT);
  }

  std::string FullPath(const std::string& name) override {
    if (name.empty()) return {};
    const std::wstring wide = WideFromUtf8(name);
    const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) return name;
    std::wstring full(size, L'\0');
    const DWORD got = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    full.resize(got);
    return Utf8FromWide(full);
  }

  std::string ErrorText(int error) override {
    // The system's words ("The process cannot access the file...") do not say what to do.
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
      return std::string(file_messages::kInUse);
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (n == 0) return Filled(file_messages::kSystemError, {std::to_string(error)});
    std::string words = Utf8FromWide(std::wstring_view(text, n));
    ::LocalFree(text);
    return words;
  }

 private:
  // The path of `leaf` in the folder held open as `folder`: by the folder's full path in its
  // extended form, as it was opened (Wine gives no final path past 260 characters); a device
  // name (NUL, CON) names the device wherever it stands.
  std::wstring WidePathIn(int folder, const std::string& leaf) {
    const std::wstring wide = WideFromUtf8(leaf);
    if (IsDeviceName(leaf)) return wide;
    std::wstring path;
    {
      const std::lock_guard lock(foldersMutex_);
      if (const auto it = folders_.find(folder); it != folders_.end()) path = it->second;
    }
    if (path.empty() || wide == L".") return path;
    if (!path.ends_with(L'\\')) path.push_back(L'\\');
    return path.append(wide);
  }

  // A replace refused because another program holds the target open is said so, not as the
  // access denied the system reports.
  static int InUseOr(const std::wstring& target) {
    const int error = Fail();
    const HANDLE h =
        ::CreateFileW(target.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      ::CloseHandle(h);
    } else if (::GetLastError() == ERROR_SHARING_VIOLATION) {
      errno = ERROR_SHARING_VIOLATION;
      return -1;
    }
    errno = error;
    return -1;
  }

  // "mkdir -p": each missing folder of `path`, from the top; Windows has no sticky folders for
  // links to be planted in.
  int MakeFolders(const std::string& path) {
    std::wstring full = WideFromUtf8(FullPath(path));
    while (full.size() > 3 && full.ends_with(L'\\'))
      full.pop_back();
    // Each folder from the top, whatever the ones above say (a share's root, a drive):
    // only the last one counts.
    DWORD error = ERROR_SUCCESS;
    for (std::size_t at = full.find(L'\\', 3);; at = full.find(L'\\', at + 1)) {
      const std::wstring part = ExtendedPath(full.substr(0, at));
      error = ::CreateDirectoryW(part.c_str(), nullptr) ? ERROR_SUCCESS : ::GetLastError();
      if (at == std::wstring::npos) break;
    }
    const DWORD attributes = ::GetFileAttributesW(ExtendedPath(full).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
    errno = attributes != INVALID_FILE_ATTRIBUTES ? ERROR_DIRECTORY
            : error != ERROR_SUCCESS              ? static_cast<int>(error)
                                                  : static_cast<int>(::GetLastError());
    return -1;
  }

  // Held without delete sharing, so the folder cannot be renamed or removed meanwhile.
  int OpenFolder(const std::string& path) {
    std::wstring full = ExtendedPath(WideFromUtf8(FullPath(path)));
    // "\\?\C:\data\" names the folder without its last separator; a drive's root keeps it.
    if (full.size() > 7 && full.ends_with(L'\\')) full.pop_back();
    const int fd = Descriptor(OpenWide(full, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS),
                              _O_RDONLY);
    if (fd < 0) return fd;
    if (FactsOf(fd)->kind != FileFacts::Kind::Folder) {
      Close(fd);
      errno = ERROR_DIRECTORY;
      return -1;
    }
    const std::lock_guard lock(foldersMutex_);
    folders_[fd] = full;
    return fd;
  }

  std::mutex foldersMutex_;
  std::map<int, std::wstring> folders_;  // the folders held open for saves, by descriptor
};

}  // namespace

OsFiles& SystemFiles() {
  static Win32Files files;
  return files;
}
