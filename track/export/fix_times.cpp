#include "fix_times.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <thread>

#include "document_pieces.h"
#include "export_reader.h"
#include "fix_numbers.h"
#include "line_view.h"

namespace {

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kHalfDay = kDay / 2;

std::optional<int> Digits(std::string_view text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The three numbers of "a<sep>b<sep>c".
std::optional<std::array<int, 3>> ThreeNumbers(std::string_view text, char separator) {
  std::array<int, 3> numbers{};
  for (std::size_t k = 0; k < 3; ++k) {
    const std::size_t end = k < 2 ? text.find(separator) : text.size();
    if (end == std::string_view::npos) return std::nullopt;
    const auto number = Digits(text.substr(0, end));
    if (!number) return std::nullopt;
    numbers[k] = *number;
    text.remove_prefix(k < 2 ? end + 1 : end);
  }
  return numbers;
}

// Which way the times run: the steps that go back by less than half a day are what a
// wrong direction is made of (a turn of the day goes back by more).
bool RunsBackward(const std::vector<std::int64_t>& timesOfDay) {
  std::size_t back = 0, forth = 0;
  std::int64_t previous = kNoTime;
  for (const std::int64_t t : timesOfDay) {
    if (previous != kNoTime && t < previous && previous - t <= kHalfDay) ++back;
    if (previous != kNoTime && t > previous && t - previous <= kHalfDay) ++forth;
    previous = t;
  }
  return back > forth;
}

// Whether a time of day more than 12 hours before the one before it (the trip's m-th timed
// row) is the day turning, judged from the times around it: the next time goes on from it (it
// too is that far before), and the one before it was no stray (the time before that was also
// that far after this one). One row out of place never moves the rest of the day to the next
// date: the day's first row no more than another, so after it the day turns only where the
// times run on across midnight, not hours later.
bool DayTurns(const RowTimes& times, std::size_t m, std::int64_t t, std::int64_t previous,
              std::int64_t beforePrevious) {
  constexpr std::int64_t kAcrossMidnight = 2 * 3600;
  if (beforePrevious == kNoTime && t + kDay - previous > kAcrossMidnight) return false;
  if (beforePrevious != kNoTime && beforePrevious - t <= kHalfDay) return false;
  if (m + 1 < times.row.size()) return previous - times.local[times.Entry(m + 1)] > kHalfDay;
  return true;
}

// What one run of rows holds: every row's fix, and the rows with a time of day.
struct RunReading {
  std::vector<bool> fix, position, standing;
  std::vector<std::uint32_t> row;
  std::vector<std::int64_t> ofDay;
};

template <class T>
void AppendTo(std::vector<T>& to, std::vector<T>& from) {
  to.insert(to.end(), from.begin(), from.end());
  from = {};
}

}  // namespace

std::optional<std::int64_t> ParseExportDate(std::string_view text) {
  const auto numbers = ThreeNumbers(text, '/');
  if (!numbers) return std::nullopt;
  using namespace std::chrono;
  const year_month_day date{year((*numbers)[2]), month(static_cast<unsigned>((*numbers)[1])),
                            day(static_cast<unsigned>((*numbers)[0]))};
  if (!date.ok() || (*numbers)[2] < 1900) return std::nullopt;
  return sys_days(date).time_since_epoch().count();
}

std::optional<int> ParseTimeOfDay(std::string_view text) {
  const auto numbers = ThreeNumbers(text, ':');
  if (!numbers) return std::nullopt;
  const auto [h, m, s] = *numbers;
  if (h > 23 || m > 59 || s > 59) return std::nullopt;
  return h * 3600 + m * 60 + s;
}

RowTimes ReadRowTimes(const TrackHeader& header, std::string_view text, unsigned threads) {
  const auto date = ParseExportDate(header.date);
  const std::string_view rows =
      TextFromLine(text, static_cast<std::size_t>(header.firstDataLine), header.breaks);
  // Each row's fix and time of day, read a run of rows at a time on several threads: the rows
  // do not depend on each other.
  std::vector<std::size_t> starts = LineStartsEvery(rows, 0, kRowsPerRun, header.breaks);
  starts.push_back(rows.size());
  std::vector<RunReading> runs(starts.size() - 1);
  std::atomic<std::size_t> next = 0;
  const auto readRuns = [&] {
    for (std::size_t run = next++; run < runs.size(); run = next++) {
      RunReading& r = runs[run];
      auto k = static_cast<std::uint32_t>(run * kRowsPerRun);
      ForEachLine(
          rows.substr(starts[run], starts[run + 1] - starts[run]),
          [&](std::string_view line) {
            const auto fix = ReadFix(line);
            r.fix.push_back(fix.has_value());
            r.position.push_back(fix && HasPosition(*fix));
            r.standing.push_back(fix && StandsStill(*fix));
            if (const auto t = fix && date ? ParseTimeOfDay(fix->time) : std::nullopt) {
              r.row.push_back(k);
              r.ofDay.push_back(*t);
            }
            ++k;
          },
          header.breaks);
    }
  };
  {
    std::vector<std::jthread> helpers;
    for (unsigned t = 1; t < threads && t < runs.size(); ++t)
      helpers.emplace_back(readRuns);
    readRuns();
  }
  // Each row's time of day, held in the local times' place until they are made from them.
  RowTimes times;
  for (RunReading& r : runs) {
    AppendTo(times.fix, r.fix);
    AppendTo(times.position, r.position);
    AppendTo(times.standing, r.standing);
    AppendTo(times.row, r.row);
    AppendTo(times.local, r.ofDay);
  }
  times.rows = times.fix.size();
  times.withoutTime =
      static_cast<std::size_t>(std::count(times.fix.begin(), times.fix.end(), true)) -
      times.row.size();
  times.newestFirst = RunsBackward(times.local);

  // Forward in time, counting the turns of the day.
  std::int64_t days = 0;
  std::int64_t previous = kNoTime, beforePrevious = kNoTime;
  for (std::size_t m = 0; m < times.row.size(); ++m) {
    std::int64_t& local = times.local[times.Entry(m)];
    const std::int64_t t = local;
    if (previous != kNoTime && previous - t > kHalfDay &&
        DayTurns(times, m, t, previous, beforePrevious))
      ++days;
    beforePrevious = previous;
    previous = t;
    local = (*date + days) * kDay + t;
    if (local > kLastCivilSecond) {  // the day turned past 31/12/9999
      local = kNoTime;
      ++times.withoutTime;
    }
  }
  return times;
}

RowTimes RowTimes::Of(std::vector<std::int64_t> localTimes) {
  RowTimes times;
  times.rows = localTimes.size();
  for (std::size_t k = 0; k < localTimes.size(); ++k)
    times.row.push_back(static_cast<std::uint32_t>(k));
  times.local = std::move(localTimes);
  times.fix.assign(times.rows, true);
  times.position.assign(times.rows, true);
  times.standing.assign(times.rows, false);
  return times;
}

RowTimeReader::RowTimeReader(const RowTimes& times, std::size_t firstRow, bool downward)
    : times_(times), downward_(downward) {
  const auto& rows = times.row;
  next_ =
      static_cast<std::size_t>(std::lower_bound(rows.begin(), rows.end(), firstRow) - rows.begin());
  if (!downward && next_ < rows.size() && rows[next_] == firstRow) ++next_;
}

RowTime RowTimeReader::At(std::size_t row) {
  const auto& rows = times_.row;
  std::size_t entry = rows.size();
  if (downward_) {
    while (next_ < rows.size() && rows[next_] < row)
      ++next_;
    if (next_ < rows.size() && rows[next_] == row) entry = next_++;
  } else {
    while (next_ > 0 && rows[next_ - 1] > row)
      --next_;
    if (next_ > 0 && rows[next_ - 1] == row) entry = --next_;
  }
  RowTime time;
  if (entry == rows.size()) return time;
  time.local = times_.local[entry];
  if (entry < times_.utc.size()) time.utc = times_.utc[entry];
  time.outOfOrder =
      time.utc != kNoTime && entry < times_.outOfOrder.size() && times_.outOfOrder[entry];
  time.inOrder = time.utc != kNoTime && entry < times_.outOfOrder.size() && !time.outOfOrder;
  return time;
}

char* PutIsoTime(char* at, std::int64_t seconds) {
  // The civil date of a day count (H. Hinnant's days_from_civil, inverted), in integers: a
  // document of a million timed points spends its time on its points, not on their dates.
  const std::int64_t days = (seconds >= 0 ? seconds : seconds - (kDay - 1)) / kDay;
  const std::int64_t time = seconds - days * kDay;
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t dayOfEra = z - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shifted = (5 * dayOfYear + 2) / 153;  // months from March
  const std::int64_t day = dayOfYear - (153 * shifted + 2) / 5 + 1;
  const std::int64_t month = shifted < 10 ? shifted + 3 : shifted - 9;
  const std::int64_t year = yearOfEra + era * 400 + (month <= 2);
  const auto put = [&at](std::int64_t value, int width, char after) {
    for (int i = width - 1; i >= 0; --i, value /= 10)
      at[i] = static_cast<char>('0' + value % 10);
    at += width;
    if (after != '\0') *at++ = after;
  };
  put(year, 4, '-');
  put(month, 2, '-');
  put(day, 2, 'T');
  put(time / 3600, 2, ':');
  put(time / 60 % 60, 2, ':');
  put(time % 60, 2, '\0');
  return at;
}

void AppendIsoTime(std::string& out, std::int64_t seconds) {
  char text[kIsoTimeSize];
  out.append(text, static_cast<std::size_t>(PutIsoTime(text, seconds) - text));
}
