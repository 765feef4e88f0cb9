// The zone's rules from the system's zone files, by cctz.
#include <cctz/time_zone.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "time_zone.h"

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
  return "the time-zone database is missing: it was looked for in \"" + folder + "\"";
}

ZoneClock::ZoneClock(const std::string& name) : rules_(std::make_unique<Rules>()) {
  if (!IsZoneName(name) || !IsZoneFile(DatabaseFolder() + "/" + name) ||
      !cctz::load_time_zone(name, &rules_->zone)) {
    throw UnknownZone(name);
  }
}

ZoneClock::~ZoneClock() = default;

ZoneClock::Passings ZoneClock::Lookup(std::int64_t local) const {
  const cctz::civil_second civil = cctz::civil_second(1970, 1, 1, 0, 0, 0) + local;
  const auto lookup = rules_->zone.lookup(civil);
  const auto seconds = [](const auto& when) { return when.time_since_epoch().count(); };
  if (lookup.kind == cctz::time_zone::civil_lookup::REPEATED)
    return Passings{seconds(lookup.pre), seconds(lookup.post)};
  return Passings{seconds(lookup.pre), seconds(lookup.pre)};
}
