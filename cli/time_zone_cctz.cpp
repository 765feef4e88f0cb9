// The zone's rules from the system's zone files, by cctz.
#include <cctz/time_zone.h>

#include "app_error.h"
#include "time_zone.h"

struct ZoneClock::Rules {
  cctz::time_zone zone;
};

ZoneClock::ZoneClock(const std::string& name) : rules_(std::make_unique<Rules>()) {
  if (name.empty() || !cctz::load_time_zone(name, &rules_->zone))
    throw AppError("unknown time zone \"" + name + "\"");
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
