// The facts of a day's trip, for people and for spreadsheets: when it began and ended, how
// far and how long it drove, where and how long it stood.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "track_types.h"
#include "trip_points.h"

struct TripStop {
  std::int64_t start = kNoTime;  // local seconds
  std::int64_t seconds = 0;
  std::string_view latitude, longitude;  // as the export has them
};

struct TripFacts {
  std::int64_t first = kNoTime, last = kNoTime;  // local seconds of the first and last fix
  std::int64_t duration = 0;                     // seconds from the first fix to the last
  double distanceKm = 0;                         // great-circle, between consecutive fixes
  double movingKm = 0;                           // the same, outside stops
  std::int64_t moving = 0;                       // seconds: the duration less the stops
  std::int64_t stopped = 0;                      // seconds of the stops
  std::vector<TripStop> stops;
  double maxKmh = 0;
  std::size_t rowsWithoutFix = 0;
  std::size_t pointsWithoutTime = 0;
};

// A stop is a run of fixes with speed 0 that lasts `stopSeconds` or more (and more than
// nothing), from its first fix to its last: the time the vehicle was seen standing.
TripFacts ComputeTripFacts(const std::vector<TripPoint>& points, std::int64_t stopSeconds);

// Plain text for people, every line ending in "\n", in UTF-8; times are local to `zone`.
std::string TripReportText(const TrackHeader& header, const TripFacts& facts, std::string_view zone,
                           std::int64_t stopSeconds);
// One row of comma-separated values for a file, and the row of column names.
std::string TripReportCsvHeader();
std::string TripReportCsvRow(std::string_view file, const TrackHeader& header,
                             const TripFacts& facts, std::string_view zone);
