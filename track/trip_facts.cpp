#include "trip_facts.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kEarthRadiusKm = 6371.0088;  // the mean radius

constexpr double kRadians = std::numbers::pi / 180;

// sin x, and asin x, by their series where x is small, as between two fixes seconds apart: as
// exact as the library's in doubles, and a day of a million fixes is not spent on them.
double Sine(double x) {
  if (std::abs(x) > 1e-2) return std::sin(x);
  const double x2 = x * x;
  return x * (1 - x2 / 6 * (1 - x2 / 20 * (1 - x2 / 42)));
}
double ArcSine(double x) {
  if (x > 1e-2) return std::asin(std::min(1.0, x));
  const double x2 = x * x;
  return x * (1 + x2 * (1.0 / 6 + x2 * (3.0 / 40 + x2 * 15.0 / 336)));
}

// The haversine distance; `cosA` and `cosB` the cosines of the two latitudes.
double GreatCircleKm(const TripPoint& a, double cosA, const TripPoint& b, double cosB) {
  const double dLat = Sine((b.lat - a.lat) * kRadians / 2);
  const double dLon = Sine((b.lon - a.lon) * kRadians / 2);
  const double h = dLat * dLat + cosA * cosB * dLon * dLon;
  return 2 * kEarthRadiusKm * ArcSine(std::sqrt(h));
}

}  // namespace

std::optional<double> AverageKmh(double km, std::int64_t seconds) {
  if (seconds <= 0) return std::nullopt;
  return km / (static_cast<double>(seconds) / 3600);
}

std::optional<double> TripFacts::AverageMovingKmh() const {
  return AverageKmh(movingKm, moving);
}

void TripFactsWriter::Fix(const TripPoint& p) {
  if (p.utc == kNoTime) {
    ++facts_.pointsWithoutTime;
  } else if (!p.inOrder) {
    ++facts_.pointsOutOfOrder;
  }
  if (!p.position) {  // left out, as the GPX leaves it out
    ++facts_.pointsWithoutPosition;
    return;
  }
  if (p.hasSpeed) facts_.maxKmh = std::max(facts_.maxKmh.value_or(0), p.kmh);
  const double cosLat = std::cos(p.lat * kRadians);
  if (previous_) facts_.distanceKm += GreatCircleKm(*previous_, previousCos_, p, cosLat);
  previous_ = p;
  previousCos_ = cosLat;
  if (p.inOrder) Timed(p, TripPlace::Of(p));
}

TripPlace TripPlace::Of(const TripPoint& p) {
  return TripPlace{p.local, p.utc, p.latitude,      p.longitude,
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
  facts_.moving = facts_.duration - facts_.stopped;
  facts_.movingKm = std::max(0.0, kmAtLast_ - kmAtFirst_ - stoppedKm_);
}
