#include "utc_times.h"

#include <algorithm>

namespace {

// Whether a step back from `latest` to the time of rows[at], in an hour that repeats by
// `repeat` seconds, is the clock going back. It is when the step is nearer a whole repeat than
// none (the instants then move on a little rather than back a lot), and the times run on from
// there rather than at once returning to where they were: a row out of place alone is not.
bool ClockWentBack(const RowTimes& times, std::size_t at, std::int64_t latest,
                   std::int64_t repeat) {
  const std::int64_t back = latest - times.local[times.TopDown(at)];
  if (back <= 0 || back > repeat || 2 * back <= repeat) return false;
  for (std::size_t n = at + 1; n < times.local.size(); ++n) {
    const std::int64_t next = times.local[times.TopDown(n)];
    if (next != kNoTime) return next < latest;
  }
  return true;
}

void PutInstants(RowTimes& times, const LocalClock& clock) {
  times.utc.assign(times.local.size(), kNoTime);
  std::int64_t latest = kNoTime;  // the latest local time so far
  bool secondPassing = false;     // the clock has gone back, within the hour that repeats
  for (std::size_t n = 0; n < times.local.size(); ++n) {
    const std::size_t k = times.TopDown(n);
    const std::int64_t local = times.local[k];
    if (local == kNoTime) continue;
    const ClockPassings passings = clock.Passings(local);
    const std::int64_t repeat = passings.second - passings.first;
    if (repeat == 0) {
      secondPassing = false;
    } else if (!secondPassing && latest != kNoTime) {
      secondPassing = ClockWentBack(times, n, latest, repeat);
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

// Marks the rows outside one longest run of instants that never goes back: patience sorting
// over the rows in trip order, by their top-down indexes.
void MarkOutOfOrder(RowTimes& times) {
  times.outOfOrder.assign(times.local.size(), false);
  times.outOfOrderCount = 0;
  const auto utcOf = [&](std::uint32_t row) { return times.utc[row]; };
  std::int64_t previous = INT64_MIN;
  bool ordered = true;
  for (std::size_t n = 0; n < times.utc.size() && ordered; ++n) {
    const std::int64_t t = times.utc[times.TopDown(n)];
    if (t == kNoTime) continue;
    ordered = t >= previous;
    previous = t;
  }
  if (ordered) return;  // as nearly every export is

  constexpr std::uint32_t kNone = UINT32_MAX;
  std::vector<std::uint32_t> tails;  // the last row of the best run of each length so far
  std::vector<std::uint32_t> before(times.utc.size(), kNone);
  for (std::size_t n = 0; n < times.utc.size(); ++n) {
    const auto row = static_cast<std::uint32_t>(times.TopDown(n));
    if (times.utc[row] == kNoTime) continue;
    const auto place =
        std::upper_bound(tails.begin(), tails.end(), times.utc[row],
                         [&](std::int64_t t, std::uint32_t other) { return t < utcOf(other); });
    if (place != tails.begin()) before[row] = *(place - 1);
    if (place == tails.end()) {
      tails.push_back(row);
    } else {
      *place = row;
    }
  }
  std::vector<bool> kept(times.utc.size());
  for (std::uint32_t row = tails.empty() ? kNone : tails.back(); row != kNone; row = before[row])
    kept[row] = true;
  for (std::size_t row = 0; row < times.utc.size(); ++row) {
    if (times.utc[row] == kNoTime || kept[row]) continue;
    times.outOfOrder[row] = true;
    ++times.outOfOrderCount;
  }
}

}  // namespace

void PutUtcTimes(RowTimes& times, const LocalClock& clock) {
  PutInstants(times, clock);
  MarkOutOfOrder(times);
}
