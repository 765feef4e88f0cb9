#include "path_name.h"

#include <array>
#include <cctype>

#ifdef _WIN32
#include <windows.h>

#include "wide_text.h"
#endif

namespace {

std::size_t BaseNameStart(std::string_view path) {
#ifdef _WIN32
  std::size_t start = path.find_last_of("/\\");
  start = start == std::string_view::npos ? 0 : start + 1;
  // "C:day.csv" names a file in the current folder of drive C.
  if (start == 0 && path.size() >= 2 && path[1] == ':') start = 2;
  return start;
#else
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
#endif
}

}  // namespace

std::string_view FolderOf(std::string_view path) {
  return path.substr(0, BaseNameStart(path));
}

std::string_view BaseNameOf(std::string_view path) {
  return path.substr(BaseNameStart(path));
}

std::string PathIn(std::string_view folder, std::string_view name) {
#ifdef _WIN32
  constexpr char kSeparator = '\\';
#else
  constexpr char kSeparator = '/';
#endif
  std::string path(folder);
  if (!path.empty() && !BaseNameOf(path).empty()) path.push_back(kSeparator);
  return path.append(name);
}

bool SameName(std::string_view a, std::string_view b) {
#ifdef _WIN32
  const std::wstring wa = WideFromUtf8(a), wb = WideFromUtf8(b);
  return ::CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                                static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
#else
  return a == b;
#endif
}

bool IsDeviceName(std::string_view name) {
  std::string base(name.substr(0, name.find('.')));
  for (auto& c : base)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static constexpr std::array<std::string_view, 6> kDevices = {"CON", "PRN",    "AUX",
                                                               "NUL", "CONIN$", "CONOUT$"};
  for (const std::string_view device : kDevices) {
    if (base == device) return true;
  }
  return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
         base[3] >= '1' && base[3] <= '9';
}
