// The facts of a day's trip, for people and for spreadsheets: when it began and ended, how far
// and how long it drove, where and how long it stood, its legs between stops and its runs over
// a speed limit. Every timed figure comes from UTC instants, so a day the clocks change on
// counts the time that passed. Fixes whose times are out of order are left out of every
// figure (or, in an export in no order, taken at their instants), and so are jumps; no
// distance accrues while the vehicle stands, and time without data is neither moving nor
// stopped.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "trip_points.h"

// Where and when a fix was taken: its time and its position as a TripPoint has them.
struct TripPlace {
  std::int64_t local = kNoTime, utc = kNoTime;
  std::string_view latitude, longitude;  // the export's texts (decimal commas)
  std::string_view place;                // the export's name of it, if it has one
  double lat = 0, lon = 0;
  bool plainLatitude = false, plainLongitude = false;

  static TripPlace Of(const TripPoint& p);
};

// From the vehicle's arrival (its first fix at speed 0) to its departure (the next fix that
// moves), or to the day's last fix when it does not move again.
struct TripStop {
  TripPlace arrival, departure;
  std::int64_t seconds = 0;
};

// The drive between two stops, or between a stop and the day's first or last fix.
struct TripLeg {
  TripPlace start, end;
  double km = 0;
  std::int64_t seconds = 0;
  double maxKmh = 0;
};

// A run of fixes over the speed limit, from the first over it to the next at or under it (or
// the day's last fix).
struct TripSpeeding {
  TripPlace start;
  std::int64_t endLocal = kNoTime, endUtc = kNoTime;
  std::int64_t seconds = 0;
  double topKmh = 0;
};

struct TripRules {
  std::int64_t stopSeconds = 300;    // a run at speed 0 this long or longer is a stop
  std::optional<double> speedLimit;  // km/h; no speeding runs without it
  std::int64_t speedingSeconds = 10;
};

struct TripFacts {
  TripPlace first, last;      // the first and last fix in time order
  std::int64_t duration = 0;  // seconds from the first fix to the last
  double distanceKm = 0;      // great-circle, between consecutive positions
  double movingKm = 0;        // the same from the first fix to the last, outside stops: the
                              // legs' distances added up
  std::int64_t moving = 0;    // seconds: the duration less the stops and the time without data
  std::int64_t stopped = 0;   // seconds of the stops
  std::int64_t noData = 0;    // seconds between fixes far apart in time (see kNoDataSeconds)
  std::vector<TripStop> stops;
  std::vector<TripLeg> legs;
  std::vector<TripSpeeding> speeding;
  std::optional<double> maxKmh;  // the highest finite speed
  // The odometer at the first and the last fix in time order that have it.
  std::optional<double> odometerStartKm, odometerEndKm;
  std::size_t rowsWithoutFix = 0;
  std::size_t pointsWithoutTime = 0;
  std::size_t pointsWithoutPosition = 0;
  std::size_t pointsOutOfOrder = 0;  // left out
  std::size_t pointsMoved = 0;       // taken at their instants, in an export in no order
  std::size_t pointsJumped = 0;      // left out as jumps (see JumpFilter)

  std::optional<double> AverageMovingKmh() const;
};

// Average of a distance over a time, none over no time.
std::optional<double> AverageKmh(double km, std::int64_t seconds);

class TripFactsWriter final : public TripWriter {
 public:
  explicit TripFactsWriter(const TripRules& rules) : rules_(rules) {}
  void Begin(const RowTimes& times) override { facts_.pointsMoved = times.moved; }
  void Fix(const TripPoint& point) override;
  void NoFix() override { ++facts_.rowsWithoutFix; }
  void LeftOut(const TripPoint& point) override;
  void Jump(const TripPoint&) override { ++facts_.pointsJumped; }
  void End() override;
  // The facts once the trip has ended; views into the export's text.
  const TripFacts& Facts() const { return facts_; }

 private:
  void Timed(const TripPoint& point, const TripPlace& place);
  void NoData(const TripPoint& before, const TripPoint& after);
  void EndRun(const TripPlace& departure);
  void EndSpeeding(const TripPlace& end);
  void CloseLeg(const TripPlace& end, double km, double maxKmh);

  TripRules rules_;
  TripFacts facts_;
  std::optional<TripPoint> previous_;   // the last fix with a position
  std::optional<TripPoint> lastTimed_;  // the last with a time too
  double stoppedKm_ = 0;
  // The run at speed 0 going on: its arrival and the distance there.
  std::optional<TripPlace> arrival_;
  double kmAtArrival_ = 0, legMaxAtArrival_ = 0;
  // The distance at the first and the last fix in time order: the timed part of the day.
  double kmAtFirst_ = 0, kmAtLast_ = 0;
  // The leg going on.
  std::optional<TripPlace> legStart_;
  double kmAtLegStart_ = 0, legMax_ = 0;
  // The run over the limit going on.
  std::optional<TripSpeeding> over_;
};
