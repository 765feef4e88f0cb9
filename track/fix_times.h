// When each fix of an export was taken: the export's date (its date label, day/month/year)
// with the row's time of day (hours:minutes:seconds), in the local time of the service's
// country. Local times are counted in seconds from 1970-01-01 00:00:00 of that local clock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "track_types.h"

inline constexpr std::int64_t kNoTime = INT64_MIN;

// "22/10/2013": days from 1970-01-01; nothing when it is not a real date.
std::optional<std::int64_t> ParseExportDate(std::string_view text);
// "07:05:30": seconds of the day; nothing when it is not a time of day.
std::optional<int> ParseTimeOfDay(std::string_view text);

struct RowTimes {
  // One for each data row of the text, top down: its local time, or kNoTime for a row
  // without a fix or whose date or time does not read, or that would leave the years
  // 0001-9999.
  std::vector<std::int64_t> local;
  std::vector<bool> fix;       // which data rows have a satellite fix
  std::vector<bool> position;  // and which of those a position on Earth (see IsPosition)
  // The same as UTC seconds, once a zone's clock has told them (see utc_times.h), and which
  // rows lie out of time order: left out of everything timed.
  std::vector<std::int64_t> utc;
  std::vector<bool> outOfOrder;
  bool newestFirst = false;     // times run forward reading the rows bottom up
  std::size_t withoutTime = 0;  // rows with a fix but no time
  std::size_t outOfOrderCount = 0;

  // Data rows in trip order: the k-th row of the trip is row TopDown(k) of the text.
  std::size_t TopDown(std::size_t k) const { return newestFirst ? local.size() - 1 - k : k; }
};

// The first and last second of the years 0001-9999: a time outside them has no civil form.
inline constexpr std::int64_t kFirstCivilSecond = -62135596800;
inline constexpr std::int64_t kLastCivilSecond = 253402300799;

// Rows are read in the direction that makes their times run forward; a time more than 12
// hours earlier than the one before it in that direction means the day has turned: it and the
// rows after it fall on the next date.
// `text` is the export's, `header` read from it. The rows are read on `threads` threads.
RowTimes ReadRowTimes(const TrackHeader& header, std::string_view text, unsigned threads = 1);

// Local or UTC seconds as a civil time, "2013-10-22T04:00:00" (kIsoTimeSize characters).
inline constexpr std::size_t kIsoTimeSize = 19;
void AppendIsoTime(std::string& out, std::int64_t seconds);
// The same written at `at`, which has room for it; returns where it ends.
char* PutIsoTime(char* at, std::int64_t seconds);
