// The zone's rules on Windows: the zone file shipped in the "zoneinfo" folder beside the
// program (the Linux tool's own files), read as a ZoneTable with the zone's whole history.
#include <windows.h>

#include <algorithm>

#include "time_zone.h"
#include "tool_messages.h"
#include "wide_text.h"
#include "zone_table.h"

namespace {

std::wstring DatabaseFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"zoneinfo";
}

// Whether each part of the name is spelled as the database spells it: the file system here
// ignores letter case, zone names do not (the Linux tool knows no "europe/athens").
bool SpelledAsStored(const std::wstring& folder, const std::wstring& name) {
  std::wstring path = folder;
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t end = std::min(name.find(L'\\', at), name.size());
    const std::wstring part = name.substr(at, end - at);
    path.append(L"\\").append(part);
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    ::FindClose(search);
    if (part != found.cFileName) return false;
    at = end + 1;
  }
  return true;
}

// The bytes of a regular file of the database; nothing for anything else.
std::optional<std::string> ZoneFileBytes(const std::string& name) {
  std::wstring wide = WideFromUtf8(name);
  for (auto& c : wide) {
    if (c == L'/') c = L'\\';
  }
  const std::wstring folder = DatabaseFolder();
  if (!SpelledAsStored(folder, wide)) return std::nullopt;
  const std::wstring path = folder + L"\\" + wide;
  const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<std::string> bytes;
  BY_HANDLE_FILE_INFORMATION info{};
  constexpr DWORD kLargest = 1 << 20;  // zone files are a few kilobytes
  if (::GetFileType(h) == FILE_TYPE_DISK && ::GetFileInformationByHandle(h, &info) &&
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && info.nFileSizeHigh == 0 &&
      info.nFileSizeLow <= kLargest) {
    std::string read(info.nFileSizeLow, '\0');
    DWORD got = 0;
    if (::ReadFile(h, read.data(), info.nFileSizeLow, &got, nullptr) && got == read.size())
      bytes = std::move(read);
  }
  ::CloseHandle(h);
  return bytes;
}

}  // namespace

struct ZoneClock::Rules {
  ZoneTable table;
};

std::optional<std::string> ZoneClock::MissingDatabase() {
  const std::wstring folder = DatabaseFolder();
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return std::nullopt;
  return Filled(tool_messages::kNoZoneDatabase, {Utf8FromWide(folder)});
}

ZoneClock::ZoneClock(const std::string& name) : name_(name) {
  const auto bytes = IsZoneName(name) ? ZoneFileBytes(name) : std::nullopt;
  auto table = bytes ? ZoneTable::Parse(*bytes) : std::nullopt;
  if (!table) throw UnknownZone(name);
  rules_ = std::make_unique<Rules>(Rules{std::move(*table)});
}

ZoneClock::~ZoneClock() = default;

ClockPassings ZoneClock::Passings(std::int64_t local) const {
  const ZoneTable::Instants instants = rules_->table.ToUtc(local);
  return ClockPassings{instants.first, instants.second};
}
