#include "time_zone.h"

std::vector<std::int64_t> ZoneClock::ToUtc(const RowTimes& times) const {
  std::vector<std::int64_t> utc(times.local.size(), kNoTime);
  std::int64_t previous = kNoTime;
  for (std::size_t n = 0; n < times.local.size(); ++n) {
    const std::size_t k = times.newestFirst ? times.local.size() - 1 - n : n;
    if (times.local[k] == kNoTime) continue;
    const Passings passings = Lookup(times.local[k]);
    const bool secondPassing = previous != kNoTime && passings.first < previous;
    utc[k] = previous = secondPassing ? passings.second : passings.first;
  }
  return utc;
}
