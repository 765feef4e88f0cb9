#include "utc_times.h"

#include <algorithm>

namespace {

// The next time in trip order after the trip's m-th timed row, or kNoTime.
std::int64_t NextTime(const RowTimes& times, std::size_t m) {
  for (std::size_t k = m + 1; k < times.local.size(); ++k) {
    const std::int64_t next = times.local[times.Entry(k)];
    if (next != kNoTime) return next;
  }
  return kNoTime;
}

// Whether a step back from `latest` to the time of the trip's `at`-th timed row, in an hour that
// repeats by `repeat` seconds, is the clock going back, judged from the times that follow:
// - a step back of more than half the hour, the times going on from it rather than at once
//   returning to where they were (one row out of place is not the clock);
// - a shorter one (a vehicle that stood without a row across the change) when at least two
//   rows follow it below where the times were and cover three quarters of the step, as a
//   second passing does; two rows swapped do not.
// `budget` bounds the rows looked at over the whole export, so no input makes this quadratic.
bool ClockWentBack(const RowTimes& times, std::size_t at, std::int64_t latest, std::int64_t repeat,
                   std::size_t& budget) {
  const std::int64_t local = times.local[times.Entry(at)];
  const std::int64_t back = latest - local;
  if (back <= 0 || back > repeat) return false;
  if (2 * back > repeat) {
    const std::int64_t next = NextTime(times, at);
    return next == kNoTime || next < latest;
  }
  std::size_t rows = 0;
  for (std::size_t m = at + 1; m < times.local.size() && budget > 0; ++m, --budget) {
    const std::int64_t t = times.local[times.Entry(m)];
    if (t == kNoTime) continue;
    if (t >= latest) return false;
    if (++rows >= 2 && 4 * (t - local) >= 3 * back) return true;
  }
  return false;
}

void PutInstants(RowTimes& times, const LocalClock& clock) {
  times.utc.assign(times.local.size(), kNoTime);
  std::size_t budget = 4 * times.local.size() + 4096;
  std::int64_t latest = kNoTime;  // the latest local time so far
  bool secondPassing = false;     // the clock has gone back, within the hour that repeats
  // The clock's last answer, and the span of local times its offset holds for: most rows
  // are told by a subtraction.
  ClockPassings known{0, 0};
  std::int64_t knownOffset = 0;
  for (std::size_t n = 0; n < times.local.size(); ++n) {
    const std::size_t k = times.Entry(n);
    const std::int64_t local = times.local[k];
    if (local == kNoTime) continue;
    ClockPassings passings;
    if (local >= known.steadyFrom && local <= known.steadyTo) {
      passings = {local - knownOffset, local - knownOffset};
    } else {
      passings = known = clock.Passings(local);
      knownOffset = local - passings.first;
    }
    const std::int64_t repeat = passings.second - passings.first;
    if (repeat == 0) {
      secondPassing = false;
    } else if (!secondPassing && latest != kNoTime) {
      secondPassing = ClockWentBack(times, n, latest, repeat, budget);
    }
    std::int64_t utc = secondPassing ? passings.second : passings.first;
    latest = std::max(latest, local);
    if (utc < kFirstCivilSecond || utc > kLastCivilSecond) {
      times.local[k] = utc = kNoTime;
      ++times.withoutTime;
    }
    times.utc[k] = utc;
  }
}

// An export in no order: every entry with an instant taken at it, those in one longest run of
// instants that never goes back counted as in place, the others as moved.
void PutInTimeOrder(RowTimes& times, const std::vector<bool>& kept) {
  auto& order = times.inTimeOrder;
  for (std::size_t n = 0; n < times.utc.size(); ++n) {
    const auto entry = static_cast<std::uint32_t>(times.Entry(n));
    if (times.utc[entry] == kNoTime) continue;
    order.push_back(entry);
    times.moved += !kept[entry];
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return times.utc[a] < times.utc[b]; });
}

// Marks the timed rows outside one longest run of instants that never goes back: patience
// sorting over the entries in trip order.
void MarkOutOfOrder(RowTimes& times) {
  times.outOfOrder.assign(times.local.size(), false);
  times.outOfOrderCount = 0;
  const auto utcOf = [&](std::uint32_t entry) { return times.utc[entry]; };
  std::int64_t previous = INT64_MIN;
  bool ordered = true;
  for (std::size_t n = 0; n < times.utc.size() && ordered; ++n) {
    const std::int64_t t = times.utc[times.Entry(n)];
    if (t == kNoTime) continue;
    ordered = t >= previous;
    previous = t;
  }
  if (ordered) return;  // as nearly every export is

  constexpr std::uint32_t kNone = UINT32_MAX;
  std::vector<std::uint32_t> tails;  // the last entry of the best run of each length so far
  std::vector<std::uint32_t> before(times.utc.size(), kNone);
  for (std::size_t n = 0; n < times.utc.size(); ++n) {
    const auto entry = static_cast<std::uint32_t>(times.Entry(n));
    if (times.utc[entry] == kNoTime) continue;
    const auto place =
        std::upper_bound(tails.begin(), tails.end(), times.utc[entry],
                         [&](std::int64_t t, std::uint32_t other) { return t < utcOf(other); });
    if (place != tails.begin()) before[entry] = *(place - 1);
    if (place == tails.end()) {
      tails.push_back(entry);
    } else {
      *place = entry;
    }
  }
  std::vector<bool> kept(times.utc.size());
  for (std::uint32_t entry = tails.empty() ? kNone : tails.back(); entry != kNone;
       entry = before[entry])
    kept[entry] = true;
  const auto timed = static_cast<std::size_t>(std::count_if(
      times.utc.begin(), times.utc.end(), [](std::int64_t t) { return t != kNoTime; }));
  if (2 * tails.size() < timed) {
    PutInTimeOrder(times, kept);
    return;
  }
  for (std::size_t entry = 0; entry < times.utc.size(); ++entry) {
    if (times.utc[entry] == kNoTime || kept[entry]) continue;
    times.outOfOrder[entry] = true;
    ++times.outOfOrderCount;
  }
}

}  // namespace

void PutUtcTimes(RowTimes& times, const LocalClock& clock) {
  PutInstants(times, clock);
  MarkOutOfOrder(times);
}
