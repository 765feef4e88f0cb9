// The fixes of an export in the order they were taken, oldest first, with their times and
// their numbers read, for the outputs that follow the trip: the GPX a run of rows at a time,
// the trip's facts in one reading from the first fix to the last.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "fix_times.h"
#include "kml_document.h"
#include "track_types.h"

struct TripPoint {
  std::int64_t local = kNoTime;  // local seconds (see fix_times.h)
  std::int64_t utc = kNoTime;    // seconds from 1970-01-01 00:00:00 UTC
  bool inOrder = false;          // has a time, and it is in order with the trip's: timed facts
  std::string_view latitude, longitude, speed;  // as the export has them: decimal commas
  // The same read as numbers, for arithmetic and ranges.
  double lat = 0, lon = 0, kmh = 0;
  bool position = false;  // a finite latitude in [-90, 90] and longitude in [-180, 180)
  bool hasSpeed = false;  // a finite speed, not below 0
  // Which texts are plain decimals ("-37,5": a minus, digits, one comma or point), written in
  // a GPX as they stand, the comma a point.
  bool plainLatitude = false, plainLongitude = false, plainSpeed = false;
};

// Whether a latitude and longitude make a position anywhere on Earth, once each.
bool IsPosition(double lat, double lon);
// Whether a fix's texts read as such a position.
bool HasPosition(const FixTexts& fix);

// A number of a fix as a plain decimal: its text as it stands, the comma a point, when it is
// plain; otherwise its value's shortest fixed form ("3.801e1" as "38.01").
void AppendPlainDecimal(std::string& out, std::string_view text, bool plain, double value);

// A fix with the times of its row.
TripPoint TripPointOf(const FixTexts& fix, const RowTime& time);

class TripWriter {
 public:
  virtual ~TripWriter() = default;
  // Every fix, oldest first; between them, every data row without a fix.
  virtual void Fix(const TripPoint& point) = 0;
  virtual void NoFix() {}
  virtual void End() {}
};

// Reads the export's data rows once, in trip order, handing each to every writer in turn.
// `times` as ReadRowTimes and PutUtcTimes made them from the same text.
void ReadTrip(std::string_view text, const TrackHeader& header, const RowTimes& times,
              std::span<TripWriter* const> writers);
