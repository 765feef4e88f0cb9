#include "trip_facts.h"

#include <algorithm>
#include <cmath>

std::optional<double> AverageKmh(double km, std::int64_t seconds) {
  if (seconds <= 0) return std::nullopt;
  return km / (static_cast<double>(seconds) / 3600);
}

std::optional<double> TripFacts::AverageMovingKmh() const {
  return AverageKmh(movingKm, moving);
}

void TripFactsWriter::Fix(const TripPoint& p) {
  if (p.utc == kNoTime) ++facts_.pointsWithoutTime;
  if (!p.position) {  // left out, as the GPX leaves it out
    ++facts_.pointsWithoutPosition;
    return;
  }
  if (p.hasSpeed) facts_.maxKmh = std::max(facts_.maxKmh.value_or(0), p.kmh);
  const bool gap = p.inOrder && lastTimed_ && NoDataBetween(*lastTimed_, p);
  // Across time without data the way is not known; while standing there is none.
  if (previous_ && !gap && !Standing(*previous_, p)) facts_.distanceKm += DistanceKm(*previous_, p);
  previous_ = p;
  if (!p.inOrder) return;
  if (gap) NoData(*lastTimed_, p);
  lastTimed_ = p;
  if (p.odometerKm) {
    if (!facts_.odometerStartKm) facts_.odometerStartKm = p.odometerKm;
    facts_.odometerEndKm = p.odometerKm;
  }
  Timed(p, TripPlace::Of(p));
}

void TripFactsWriter::LeftOut(const TripPoint& p) {
  if (p.utc == kNoTime) {
    ++facts_.pointsWithoutTime;
  } else {
    ++facts_.pointsOutOfOrder;
  }
}

// Time without data between two fixes: what went on before it (a stop, a run over the limit,
// a leg) ends at the fix before it, and a new leg sets out from the fix after it.
void TripFactsWriter::NoData(const TripPoint& before, const TripPoint& after) {
  facts_.noData += after.utc - before.utc;
  const TripPlace end = facts_.last;
  if (over_) EndSpeeding(end);
  const std::size_t stops = facts_.stops.size();
  if (arrival_) EndRun(end);
  if (facts_.stops.size() == stops) CloseLeg(end, kmAtLast_, legMax_);
  legStart_ = TripPlace::Of(after);
  kmAtLegStart_ = facts_.distanceKm;
  legMax_ = 0;
}

TripPlace TripPlace::Of(const TripPoint& p) {
  return TripPlace{p.local, p.utc, p.latitude,      p.longitude,     p.place,
                   p.lat,   p.lon, p.plainLatitude, p.plainLongitude};
}

// A fix with a position and a time in order: the stops, legs and runs over the limit.
void TripFactsWriter::Timed(const TripPoint& p, const TripPlace& place) {
  if (!legStart_) {
    facts_.first = place;
    legStart_ = place;
    kmAtLegStart_ = kmAtFirst_ = facts_.distanceKm;
  }
  facts_.last = place;
  kmAtLast_ = facts_.distanceKm;
  if (!p.hasSpeed) return;  // neither standing nor moving, as far as is known
  if (p.kmh == 0) {
    if (!arrival_) {
      arrival_ = place;
      kmAtArrival_ = facts_.distanceKm;
      legMaxAtArrival_ = legMax_;
    }
  } else {
    if (arrival_) EndRun(place);
    legMax_ = std::max(legMax_, p.kmh);
  }
  if (rules_.speedLimit) {
    if (p.kmh > *rules_.speedLimit) {
      if (!over_) over_ = TripSpeeding{place, kNoTime, kNoTime, 0, p.kmh};
      over_->topKmh = std::max(over_->topKmh, p.kmh);
    } else if (over_) {
      EndSpeeding(place);
    }
  }
}

void TripFactsWriter::EndRun(const TripPlace& departure) {
  const TripPlace arrival = *arrival_;
  arrival_.reset();
  const std::int64_t seconds = departure.utc - arrival.utc;
  if (seconds < rules_.stopSeconds) return;
  facts_.stops.push_back(TripStop{arrival, departure, seconds});
  facts_.stopped += seconds;
  // The drive away, up to the departure, belongs to the stop as its time does.
  stoppedKm_ += kmAtLast_ - kmAtArrival_;
  CloseLeg(arrival, kmAtArrival_, legMaxAtArrival_);
  // The next leg sets out from the departure.
  legStart_ = departure;
  kmAtLegStart_ = kmAtLast_;
  legMax_ = 0;
}

void TripFactsWriter::CloseLeg(const TripPlace& end, double km, double maxKmh) {
  TripLeg leg{*legStart_, end, km - kmAtLegStart_, end.utc - legStart_->utc, maxKmh};
  if (leg.seconds > 0 || leg.km > 0) facts_.legs.push_back(leg);
}

void TripFactsWriter::EndSpeeding(const TripPlace& end) {
  TripSpeeding run = *over_;
  over_.reset();
  run.endLocal = end.local;
  run.endUtc = end.utc;
  run.seconds = end.utc - run.start.utc;
  if (run.seconds >= rules_.speedingSeconds) facts_.speeding.push_back(run);
}

void TripFactsWriter::End() {
  if (!legStart_) return;  // no fix in time order: nothing timed
  // The day ends where its last fix was taken, standing or not.
  if (over_) EndSpeeding(facts_.last);
  const std::size_t stops = facts_.stops.size();
  if (arrival_) EndRun(facts_.last);
  if (facts_.stops.size() == stops) CloseLeg(facts_.last, kmAtLast_, legMax_);
  facts_.duration = facts_.last.utc - facts_.first.utc;
  facts_.stopped = std::min(facts_.stopped, facts_.duration);
  facts_.noData = std::min(facts_.noData, facts_.duration - facts_.stopped);
  facts_.moving = facts_.duration - facts_.stopped - facts_.noData;
  facts_.movingKm = std::max(0.0, kmAtLast_ - kmAtFirst_ - stoppedKm_);
}
