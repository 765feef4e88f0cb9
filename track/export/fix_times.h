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

// "22/10/2013": days from 1970-01-01; nothing when it is not a real date.
std::optional<std::int64_t> ParseExportDate(std::string_view text);
// "07:05:30": seconds of the day; nothing when it is not a time of day.
std::optional<int> ParseTimeOfDay(std::string_view text);

// The times of an export's data rows. Only the rows with a time take room (an export of empty
// lines holds none), so its entries are the timed rows, by their top-down index.
struct RowTimes {
  std::size_t rows = 0;  // data rows in the text
  // The rows with a fix whose time reads, top down; their local times, and (see utc_times.h)
  // their UTC instants once a zone's clock has told them. A time that would leave the years
  // 0001-9999 is kNoTime.
  std::vector<std::uint32_t> row;
  std::vector<std::int64_t> local;
  std::vector<std::int64_t> utc;
  std::vector<bool> outOfOrder;  // entries out of time order: left out of the trip
  // When most entries are out of order (an export in no order), none is left out: the trip
  // takes the timed entries in the order of their instants, these, and rows without a time
  // have no place in it.
  std::vector<std::uint32_t> inTimeOrder;
  std::size_t moved = 0;        // entries the trip takes elsewhere than the file has them
  std::vector<bool> fix;        // for every data row: whether it has a satellite fix
  std::vector<bool> position;   // and whether that fix has a position on Earth (IsPosition)
  std::vector<bool> standing;   // and whether its speed is 0
  bool newestFirst = false;     // times run forward reading the rows bottom up
  std::size_t withoutTime = 0;  // rows with a fix but no time
  std::size_t outOfOrderCount = 0;

  // Data rows in trip order: the k-th row of the trip is row TopDown(k) of the text.
  std::size_t TopDown(std::size_t k) const { return newestFirst ? rows - 1 - k : k; }
  // Entries in trip order: the m-th timed row of the trip is entry Entry(m).
  std::size_t Entry(std::size_t m) const { return newestFirst ? row.size() - 1 - m : m; }
  // Times of rows 0, 1, ... given in that order, every row with a fix (for tests and tools).
  static RowTimes Of(std::vector<std::int64_t> localTimes);
};

// The time of one row as the trip's readers take it.
struct RowTime {
  std::int64_t local = kNoTime, utc = kNoTime;
  bool inOrder = false;     // it has an instant, in order with the trip's
  bool outOfOrder = false;  // it has an instant, out of order: the trip leaves it out
};

// The times of rows read one after the other, up or down the text, as the documents and the
// trip read them: found without a search per row.
class RowTimeReader {
 public:
  // For rows read from `firstRow` on, down the text (`downward`) or up it.
  RowTimeReader(const RowTimes& times, std::size_t firstRow, bool downward);
  // Rows are asked for in that direction, each at most once.
  RowTime At(std::size_t row);

 private:
  const RowTimes& times_;
  bool downward_;
  std::size_t next_;  // the entry a row to come may have; up the text, one past it
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
