// Local times of the service's country turned into UTC, by the rules of a time zone from the
// zone files: the system's, read by cctz; on Windows, the files shipped beside the program,
// whose rule (the POSIX rule each file ends with) Hinnant's date library applies.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fix_times.h"

class ZoneClock {
 public:
  // Raises AppError when there are no rules for `name`.
  explicit ZoneClock(const std::string& name);
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
