// The zone's rules on Windows: the zone file shipped in the "zoneinfo" folder beside the
// program, whose closing POSIX rule ("EET-2EEST,M3.5.0/3,M10.5.0/4") Hinnant's date library
// applies. Only the zone's present rule is known this way, not its history.
#include <windows.h>

#include <date/ptz.h>

#include <fstream>
#include <iterator>

#include "app_error.h"
#include "time_zone.h"
#include "wide_text.h"

namespace {

std::wstring ZoneFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"zoneinfo\\";
}

// The POSIX rule a zone file (TZif, version 2 or later) ends with, between its last two
// line feeds.
std::string ClosingRule(const std::string& name) {
  if (name.empty() || name.find("..") != std::string::npos) return {};
  std::wstring path = ZoneFolder() + WideFromUtf8(name);
  for (auto& c : path) {
    if (c == L'/') c = L'\\';
  }
  std::ifstream file(path.c_str(), std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (bytes.compare(0, 4, "TZif") != 0 || bytes.size() < 2 || bytes.back() != '\n') return {};
  const std::size_t start = bytes.rfind('\n', bytes.size() - 2);
  return start == std::string::npos ? std::string()
                                    : bytes.substr(start + 1, bytes.size() - start - 2);
}

}  // namespace

struct ZoneClock::Rules {
  Posix::time_zone zone;
};

ZoneClock::ZoneClock(const std::string& name) {
  const std::string rule = ClosingRule(name);
  try {
    if (!rule.empty()) rules_ = std::make_unique<Rules>(Rules{Posix::time_zone(rule)});
  } catch (const std::exception&) {
  }
  if (!rules_) throw AppError("unknown time zone \"" + name + "\"");
}

ZoneClock::~ZoneClock() = default;

ZoneClock::Passings ZoneClock::Lookup(std::int64_t local) const {
  const date::local_seconds when{std::chrono::seconds(local)};
  const date::local_info info = rules_->zone.get_info(when);
  const auto utc = [local](const date::sys_info& i) {
    return local - static_cast<std::int64_t>(i.offset.count());
  };
  if (info.result == date::local_info::ambiguous)
    return Passings{utc(info.first), utc(info.second)};
  return Passings{utc(info.first), utc(info.first)};
}
