#include "trip_reading.h"

#include "export_reader.h"
#include "jump_filter.h"
#include "line_view.h"

std::vector<std::size_t> EntryOffsets(std::string_view rows, const RowTimes& times,
                                      LineBreaks breaks) {
  std::vector<std::size_t> offsets;
  offsets.reserve(times.row.size());
  std::size_t row = 0;
  for (std::size_t start = 0; start < rows.size() && offsets.size() < times.row.size(); ++row) {
    if (times.row[offsets.size()] == row) offsets.push_back(start);
    start = LineAtOffset(rows, start, breaks).next;
  }
  return offsets;
}

void ReadTrip(std::string_view text, const TrackHeader& header, const RowTimes& times,
              std::span<TripWriter* const> writers) {
  JumpFilter trip(writers);
  trip.Begin(times);
  const std::string_view rows =
      TextFromLine(text, static_cast<std::size_t>(header.firstDataLine), header.breaks);
  if (!times.inTimeOrder.empty()) {
    // In no order: what has no instant has no place; the rest comes in the order of its
    // instants.
    RowTimeReader reader(times, 0, true);
    std::size_t row = 0;
    ForEachLine(
        rows,
        [&](std::string_view line) {
          const auto fix = ReadFix(line);
          const RowTime time = reader.At(row++);
          if (!fix) {
            trip.NoFix();
          } else if (time.utc == kNoTime) {
            trip.LeftOut(TripPointOf(*fix, time));
          }
        },
        header.breaks);
    const std::vector<std::size_t> offsets = EntryOffsets(rows, times, header.breaks);
    for (const std::uint32_t entry : times.inTimeOrder) {
      const std::size_t start = offsets[entry];
      const std::string_view line =
          rows.substr(start, LineAtOffset(rows, start, header.breaks).end - start)
              .substr(0, kLineReadLimit);
      const RowTime time{times.local[entry], times.utc[entry], true, false};
      trip.Fix(TripPointOf(*ReadFix(line), time, line, header));
    }
    trip.End();
    return;
  }
  RowTimeReader reader(times, times.newestFirst ? times.rows - 1 : 0, !times.newestFirst);
  const auto hand = [&](std::string_view line, std::size_t row) {
    const auto fix = ReadFix(line);
    if (!fix) {
      trip.NoFix();
      return;
    }
    const RowTime time = reader.At(row);
    if (time.outOfOrder) {
      trip.LeftOut(TripPointOf(*fix, time));
    } else {
      trip.Fix(TripPointOf(*fix, time, line, header));
    }
  };
  if (times.newestFirst) {
    std::size_t row = times.rows;
    ForEachLineFromEnd(
        rows, [&](std::string_view line) { hand(line, row > 0 ? --row : row); }, header.breaks);
  } else {
    std::size_t row = 0;
    ForEachLine(
        rows, [&](std::string_view line) { hand(line, row++); }, header.breaks);
  }
  trip.End();
}
