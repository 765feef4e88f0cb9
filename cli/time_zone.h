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

class ZoneClock {
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

  // The UTC time of each local time (kNoTime stays), taken in time order: in the hour that
  // repeats when the clocks go back, a time earlier than the one before it is the second
  // passing of that hour; a time the clocks skipped counts by the clock before the change.
  std::vector<std::int64_t> ToUtc(const RowTimes& times) const;

 private:
  // The UTC times a local time stands for: `first` and `second` differ only in an hour that
  // repeats (the earlier first).
  struct Passings {
    std::int64_t first, second;
  };
  Passings Lookup(std::int64_t local) const;

  struct Rules;  // the zone as the platform's library holds it
  std::unique_ptr<Rules> rules_;
};

// Whether `name` may be looked up: parts of letters, digits, "_", "-" and "+" between single
// "/", none a name Windows keeps for a device (CON, NUL, COM1 ...).
bool IsZoneName(std::string_view name);
// The error for a zone there are no rules for, its name shown escaped.
AppError UnknownZone(const std::string& name);
