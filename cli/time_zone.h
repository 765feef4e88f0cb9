// Local times of the service's country turned into UTC, by the rules of a time zone from the
// compiled zone files: the system's, read by cctz; on Windows, the same files shipped beside
// the program in "zoneinfo", read as a ZoneTable. Both know each zone's whole history.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app_error.h"
#include "fix_times.h"
#include "utc_times.h"

class ZoneClock final : public LocalClock {
 public:
  // Raises AppError when there are no rules for `name`: a name is only ever looked up when
  // each of its parts is a plain zone-name word, and only a regular file is read.
  explicit ZoneClock(const std::string& name);
  // Words for the user when the zone database itself is not there, saying where it was
  // looked for; nothing when it is.
  static std::optional<std::string> MissingDatabase();
  ~ZoneClock();
  ZoneClock(const ZoneClock&) = delete;
  ZoneClock& operator=(const ZoneClock&) = delete;

  // Safe to call from several threads at once.
  ClockPassings Passings(std::int64_t local) const override;
  // The zone's name, as the reports and pages give it.
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
  struct Rules;  // the zone as the platform's library holds it
  std::unique_ptr<Rules> rules_;
};

// Whether `name` may be looked up: parts of letters, digits, "_", "-" and "+" between single
// "/", none a name Windows keeps for a device (CON, NUL, COM1 ...).
bool IsZoneName(std::string_view name);
// The error for a zone there are no rules for, its name shown escaped.
AppError UnknownZone(const std::string& name);
