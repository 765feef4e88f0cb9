// The UTC instants of an export's local times, by the rules of the zone its service keeps,
// and which rows' times cannot be put in order with the rest.
#pragma once

#include <cstdint>

#include "fix_times.h"

// The UTC seconds a local time stands for: `first` and `second` differ only in an hour that
// repeats when the clocks go back (the earlier first). A time the clocks skipped counts by
// the clock before the change.
// Where a clock knows it, [steadyFrom, steadyTo] is a span of local times around this one
// that all keep its offset, so that a caller may tell them by a subtraction.
struct ClockPassings {
  std::int64_t first, second;
  std::int64_t steadyFrom = 1, steadyTo = 0;  // none
};

class LocalClock {
 public:
  virtual ~LocalClock() = default;
  virtual ClockPassings Passings(std::int64_t local) const = 0;
};

// Fills times.utc and times.outOfOrder, taking rows in time order. In an hour that repeats, a
// step back is the clock going back only when the times then run on from there as the hour's
// second passing does (see ClockWentBack); a small disorder, or one row out of place, stays
// in its passing. A time whose instant
// would leave the years 0001-9999 has none (counted in withoutTime). The rows out of order are
// the fewest without which the instants never go back.
void PutUtcTimes(RowTimes& times, const LocalClock& clock);
