// The fixes of an export in the order they were taken, oldest first, with their times, for
// the documents and the report that follow the trip rather than the export's own order.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "fix_times.h"
#include "track_types.h"

struct TripPoint {
  std::int64_t local = kNoTime;                 // local seconds (see fix_times.h)
  std::int64_t utc = kNoTime;                   // seconds from 1970-01-01 00:00:00 UTC
  std::string_view latitude, longitude, speed;  // as the export has them: decimal commas
  // The same read as numbers, for the report's arithmetic; `read` false when one does not.
  double lat = 0, lon = 0, kmh = 0;
  bool read = false;
};

// From the export's lines and header, as ReadRowTimes reads them; `utc` holds one UTC time per
// data row, top down, as RowTimes::local does local ones.
std::vector<TripPoint> ReadTripPoints(const TrackHeader& header, const ExportLines& lines,
                                      const RowTimes& times, const std::vector<std::int64_t>& utc);
