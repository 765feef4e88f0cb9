// Win32 has the sharing modes the file rules ask for: a load opens the file for reading and
// lets others only read it, so a file another program is writing refuses the load; a save
// opens its file shared with nobody. Descriptors are the C runtime's over the Win32 handles,
// so the code above sees the same ints as on POSIX; errno carries the Win32 error code, whose
// words FormatMessageW gives.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <array>
#include <cerrno>

#include "os_files.h"
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

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  return ::CreateFileW(WideFromUtf8(path).c_str(), access, share, nullptr, disposition, flags,
                       nullptr);
}

// The temporary file to delete when Ctrl-C or a closing console ends the program during a
// save. The handler runs on a thread of its own and can reach nothing else.
std::array<wchar_t, 32768> cleanupPath{};
volatile LONG cleanupArmed = 0;

BOOL WINAPI RemoveOnControl(DWORD) {
  if (cleanupArmed) ::DeleteFileW(cleanupPath.data());
  return FALSE;  // then the default: the program ends
}

class Win32Files final : public OsFiles {
 public:
  int OpenForReading(const std::string& path, bool) override {
    // A pipe's writer is always waited for: Win32 opens pipes that way.
    return Descriptor(
        Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL), _O_RDONLY);
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
    const HANDLE h = Open(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    FileFacts facts;
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h, &info)) {
      facts.kind = FileFacts::Kind::Other;  // NUL, CON, a pipe
    } else {
      facts.kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileFacts::Kind::Folder
                                                                      : FileFacts::Kind::Regular;
      facts.mode = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
      facts.links = info.nNumberOfLinks;
      facts.device = info.dwVolumeSerialNumber;
      facts.inode =
          (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    }
    ::CloseHandle(h);
    return facts;
  }

  int CheckWritable(const std::string& path) override {
    const DWORD attributes = ::GetFileAttributesW(WideFromUtf8(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
      errno = ERROR_ACCESS_DENIED;
      return -1;
    }
    return 0;
  }

  // A replacing rename keeps nothing to hand on: the new file takes the folder's security.
  bool MayGive(unsigned, unsigned) override { return true; }

  int CreateUnnamed(const std::string&) override {
    errno = ERROR_NOT_SUPPORTED;
    return -1;
  }
  int NameUnnamed(int, const std::string&) override {
    errno = ERROR_NOT_SUPPORTED;
    return -1;
  }

  int CreateNew(const std::string& path) override {
    return Descriptor(
        Open(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL), _O_WRONLY);
  }

  int OpenInPlace(const std::string& path) override {
    const HANDLE h =
        Open(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    // A file is truncated; a device (NUL, CON) is written as it is.
    if (h != INVALID_HANDLE_VALUE && ::GetFileType(h) == FILE_TYPE_DISK && !::SetEndOfFile(h)) {
      const int error = Fail();
      ::CloseHandle(h);
      return error;
    }
    return Descriptor(h, _O_WRONLY);
  }

  long WriteSome(int fd, const char* data, std::size_t count) override {
    DWORD put = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
    if (!::WriteFile(HandleOf(fd), data, want, &put, nullptr)) return Fail();
    return static_cast<long>(put);
  }

  // Windows writes back on its own schedule; the final flush waits for the rest.
  void StartWriteBack(int, unsigned long long, unsigned long long) override {}

  int Flush(int fd) override {
    const HANDLE h = HandleOf(fd);
    if (::GetFileType(h) != FILE_TYPE_DISK) return 0;
    return ::FlushFileBuffers(h) ? 0 : Fail();
  }
  int Close(int fd) override { return ::_close(fd) == 0 ? 0 : -1; }
  // The file being replaced is writable, so the new one keeps the same attributes as made.
  int SetMode(int, unsigned) override { return 0; }
  int SetOwner(int, unsigned, unsigned) override { return 0; }

  int Rename(const std::string& from, const std::string& to) override {
    return ::MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : Fail();
  }

  int Remove(const std::string& path) override {
    return ::DeleteFileW(WideFromUtf8(path).c_str()) ? 0 : Fail();
  }

  // MOVEFILE_WRITE_THROUGH has put the new name on disk already.
  int FlushFolder(const std::string&) override { return 0; }

  void RemoveOnSignal(const std::string& path) override {
    const std::wstring wide = WideFromUtf8(path);
    if (wide.size() >= cleanupPath.size()) return;
    std::copy(wide.begin(), wide.end(), cleanupPath.begin());
    cleanupPath[wide.size()] = L'\0';
    cleanupArmed = 1;
    ::SetConsoleCtrlHandler(RemoveOnControl, TRUE);
  }

  void ForgetOnSignal() override {
    if (!cleanupArmed) return;
    cleanupArmed = 0;
    ::SetConsoleCtrlHandler(RemoveOnControl, FALSE);
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

  // Links are rare on Windows and need rights users seldom have; a save writes through them
  // as the system does.
  int SaveTarget(const std::string& name, std::string& target) override {
    target = name;
    return 0;
  }

  std::string ErrorText(int error) override {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (n == 0) return "Error " + std::to_string(error);
    std::string words = Utf8FromWide(std::wstring_view(text, n));
    ::LocalFree(text);
    return words;
  }
};

}  // namespace

OsFiles& SystemFiles() {
  static Win32Files files;
  return files;
}
