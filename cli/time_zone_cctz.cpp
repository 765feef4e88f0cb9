// The zone's rules from the system's zone files, by cctz.
#include <cctz/time_zone.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "time_zone.h"
#include "tool_messages.h"

namespace {

// Where cctz looks, as it looks.
std::string DatabaseFolder() {
  const char* folder = std::getenv("TZDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/usr/share/zoneinfo";
}

// A regular file, opened without waiting on a pipe someone put there.
bool IsZoneFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  ::close(fd);
  return regular;
}

}  // namespace

struct ZoneClock::Rules {
  cctz::time_zone zone;
};

std::optional<std::string> ZoneClock::MissingDatabase() {
  struct stat st {};
  const std::string folder = DatabaseFolder();
  if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return std::nullopt;
  return Filled(tool_messages::kNoZoneDatabase, {folder});
}

ZoneClock::ZoneClock(const std::string& name) : name_(name), rules_(std::make_unique<Rules>()) {
  if (!IsZoneName(name) || !IsZoneFile(DatabaseFolder() + "/" + name) ||
      !cctz::load_time_zone(name, &rules_->zone)) {
    throw UnknownZone(name);
  }
}

ZoneClock::~ZoneClock() = default;

ClockPassings ZoneClock::Passings(std::int64_t local) const {
  const cctz::civil_second epoch(1970, 1, 1, 0, 0, 0);
  const auto lookup = rules_->zone.lookup(epoch + local);
  const auto seconds = [](const auto& when) { return when.time_since_epoch().count(); };
  if (lookup.kind == cctz::time_zone::civil_lookup::REPEATED)
    return ClockPassings{seconds(lookup.pre), seconds(lookup.post)};
  const std::int64_t utc = seconds(lookup.pre);
  ClockPassings passings{utc, utc};
  if (lookup.kind == cctz::time_zone::civil_lookup::UNIQUE) {
    // Local times a day or more from any change of the clocks keep this one's offset.
    constexpr std::int64_t kDay = 86400;
    cctz::time_zone::civil_transition change;
    const auto instant = std::chrono::time_point_cast<cctz::seconds>(lookup.pre);
    passings.steadyFrom = rules_->zone.prev_transition(instant, &change)
                              ? std::max(change.from - epoch, change.to - epoch) + kDay
                              : INT64_MIN;
    passings.steadyTo = rules_->zone.next_transition(instant, &change)
                            ? std::min(change.from - epoch, change.to - epoch) - kDay
                            : INT64_MAX;
  }
  return passings;
}
