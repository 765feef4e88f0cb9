#include "fix_times.h"

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

#include "document_pieces.h"
#include "export_reader.h"
#include "line_view.h"
#include "trip_points.h"

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
    if (t == kNoTime) continue;
    if (previous != kNoTime && t < previous && previous - t <= kHalfDay) ++back;
    if (previous != kNoTime && t > previous && t - previous <= kHalfDay) ++forth;
    previous = t;
  }
  return back > forth;
}

// Whether a time of day more than 12 hours before the one before it (at trip position n) is
// the day turning, judged from the times around it: the next time goes on from it (it too is
// that far before), and the one before it was no stray (the time before that was also that far
// after this one). One row out of place never moves the rest of the day to the next date.
bool DayTurns(const RowTimes& times, std::size_t n, std::int64_t t, std::int64_t previous,
              std::int64_t beforePrevious) {
  if (beforePrevious != kNoTime && beforePrevious - t <= kHalfDay) return false;
  for (std::size_t m = n + 1; m < times.local.size(); ++m) {
    const std::int64_t next = times.local[times.TopDown(m)];
    if (next != kNoTime) return previous - next > kHalfDay;
  }
  return true;
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
  const std::string_view rows = TextFromLine(text, static_cast<std::size_t>(header.firstDataLine));
  RowTimes times;
  // Each row's time of day, held in the local times' place until they are made from them,
  // read a run of rows at a time on several threads: the rows do not depend on each other.
  std::vector<std::int64_t>& ofDay = times.local;
  ofDay.assign(CountLines(rows), kNoTime);
  std::vector<std::uint8_t> fixes(ofDay.size());
  std::vector<std::size_t> starts = LineStartsEvery(rows, 0, kRowsPerRun);
  starts.push_back(rows.size());
  std::atomic<std::size_t> next = 0;
  const auto readRuns = [&] {
    for (std::size_t run = next++; run + 1 < starts.size(); run = next++) {
      std::size_t k = run * kRowsPerRun;
      ForEachLine(rows.substr(starts[run], starts[run + 1] - starts[run]),
                  [&](std::string_view row) {
                    const auto fix = ReadFix(row);
                    const auto t = fix && date ? ParseTimeOfDay(fix->time) : std::nullopt;
                    fixes[k] = !fix ? 0 : HasPosition(*fix) ? 2 : 1;
                    if (t) ofDay[k] = *t;
                    ++k;
                  });
    }
  };
  {
    std::vector<std::jthread> helpers;
    for (unsigned t = 1; t < threads && t < starts.size() - 1; ++t)
      helpers.emplace_back(readRuns);
    readRuns();
  }
  times.fix.resize(fixes.size());
  times.position.resize(fixes.size());
  for (std::size_t k = 0; k < fixes.size(); ++k) {
    times.fix[k] = fixes[k] != 0;
    times.position[k] = fixes[k] == 2;
  }
  for (std::size_t k = 0; k < ofDay.size(); ++k)
    times.withoutTime += fixes[k] && ofDay[k] == kNoTime;
  times.newestFirst = RunsBackward(ofDay);

  // Forward in time, counting the turns of the day.
  std::int64_t days = 0;
  std::int64_t previous = kNoTime, beforePrevious = kNoTime;
  for (std::size_t n = 0; n < ofDay.size(); ++n) {
    const std::size_t k = times.TopDown(n);
    const std::int64_t t = ofDay[k];
    if (t == kNoTime) continue;
    if (previous != kNoTime && previous - t > kHalfDay &&
        DayTurns(times, n, t, previous, beforePrevious))
      ++days;
    beforePrevious = previous;
    previous = t;
    times.local[k] = (*date + days) * kDay + t;
    if (times.local[k] > kLastCivilSecond) {  // the day turned past 31/12/9999
      times.local[k] = kNoTime;
      ++times.withoutTime;
    }
  }
  return times;
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
