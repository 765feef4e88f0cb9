// The fixes of an export in the order they were taken, oldest first, with their times and
// their numbers read, for the outputs that follow the trip: the GPX a run of rows at a time,
// the trip's facts in one reading from the first fix to the last.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fix_numbers.h"
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
  std::string_view place;            // the export's name of the place, where it has a place column
  std::optional<double> odometerKm;  // the vehicle's odometer, where it has one
  bool position = false;             // a finite latitude in [-90, 90] and longitude in [-180, 180)
  double cosLat = 1;                 // the cosine of the latitude, for distances
  bool hasSpeed = false;             // a finite speed, not below 0
  // Which texts are plain decimals ("-37,5": a minus, digits, one comma or point), written in
  // a GPX as they stand, the comma a point.
  bool plainLatitude = false, plainLongitude = false, plainSpeed = false;
};

// A number of a fix as a plain decimal: its text as it stands, the comma a point, when it is
// plain; otherwise its value's shortest fixed form ("3.801e1" as "38.01").
void AppendPlainDecimal(std::string& out, std::string_view text, bool plain, double value);

// A fix with the times of its row.
TripPoint TripPointOf(const FixTexts& fix, const RowTime& time);
// The same with the row's place and odometer, as the header finds their columns.
TripPoint TripPointOf(const FixTexts& fix, const RowTime& time, std::string_view row,
                      const TrackHeader& header);

// Two fixes between which the vehicle stood: both at speed 0. No distance accrues there.
bool Standing(const TripPoint& a, const TripPoint& b);
// The great-circle distance between two fixes with positions.
double DistanceKm(const TripPoint& a, const TripPoint& b);
// The same measured flat, at the mean of the two cosines: cheaper, and within a percent of it
// over a few hundred kilometres.
double FlatDistanceKm(const TripPoint& a, const TripPoint& b);

// Time between two timed fixes longer than this, with no fix between them, is time without
// data ("No data"): neither moving nor stopped, unless the vehicle stood at the first (it
// then stands until the second, as a stop lasts until the next fix that moves).
inline constexpr std::int64_t kNoDataSeconds = 300;
bool NoDataBetween(const TripPoint& a, const TripPoint& b);

class TripWriter {
 public:
  virtual ~TripWriter() = default;
  // Before the first row: the times the trip is read by.
  virtual void Begin(const RowTimes& /*times*/) {}
  // Every fix of the trip, oldest first; between them, every data row without a fix.
  virtual void Fix(const TripPoint& point) = 0;
  virtual void NoFix() {}
  // A fix the trip has no place for: out of time order, or without a time in an export put
  // in time order. It is in no figure.
  virtual void LeftOut(const TripPoint& /*point*/) {}
  // A fix whose position only a speed no vehicle reaches leads to and back from: left out of
  // the distance and the drawing.
  virtual void Jump(const TripPoint& /*point*/) {}
  virtual void End() {}
};
