#include "fix_times.h"

#include <array>
#include <chrono>

#include "export_reader.h"
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
    if (t == kNoTime) continue;
    if (previous != kNoTime && t < previous && previous - t <= kHalfDay) ++back;
    if (previous != kNoTime && t > previous && t - previous <= kHalfDay) ++forth;
    previous = t;
  }
  return back > forth;
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

RowTimes ReadRowTimes(const TrackHeader& header, std::string_view text) {
  const auto date = ParseExportDate(header.date);
  RowTimes times;
  // Held in the local times' place until they are made from them.
  std::vector<std::int64_t>& ofDay = times.local;
  const std::string_view rows = TextFromLine(text, static_cast<std::size_t>(header.firstDataLine));
  ofDay.reserve(CountLines(rows));
  ForEachLine(rows, [&](std::string_view row) {
    const auto fix = ReadFix(row);
    const auto t = fix ? ParseTimeOfDay(fix->time) : std::nullopt;
    if (fix && (!t || !date)) ++times.withoutTime;
    ofDay.push_back(t && date ? *t : kNoTime);
  });
  times.newestFirst = RunsBackward(ofDay);

  // Forward in time, counting the turns of the day.
  std::int64_t days = 0;
  std::int64_t previous = kNoTime;
  for (std::size_t n = 0; n < ofDay.size(); ++n) {
    const std::size_t k = times.TopDown(n);
    const std::int64_t t = ofDay[k];
    if (t == kNoTime) continue;
    if (previous != kNoTime && previous - t > kHalfDay) ++days;
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
  using namespace std::chrono;
  const auto day = floor<days>(sys_seconds(std::chrono::seconds(seconds)));
  const year_month_day date(day);
  const auto time = seconds - day.time_since_epoch().count() * kDay;
  const auto put = [&at](long value, int width, char after) {
    for (int i = width - 1; i >= 0; --i, value /= 10)
      at[i] = static_cast<char>('0' + value % 10);
    at += width;
    if (after != '\0') *at++ = after;
  };
  put(static_cast<int>(date.year()), 4, '-');
  put(static_cast<unsigned>(date.month()), 2, '-');
  put(static_cast<unsigned>(date.day()), 2, 'T');
  put(static_cast<long>(time / 3600), 2, ':');
  put(static_cast<long>(time / 60 % 60), 2, ':');
  put(static_cast<long>(time % 60), 2, '\0');
  return at;
}

void AppendIsoTime(std::string& out, std::int64_t seconds) {
  char text[kIsoTimeSize];
  out.append(text, static_cast<std::size_t>(PutIsoTime(text, seconds) - text));
}
