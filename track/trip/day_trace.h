// The fixes of a day as its page draws them: in trip order, each with its position, speed and
// times as numbers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "trip_points.h"

struct TracePoint {
  double lat = 0, lon = 0;
  float kmh = 0;
  bool position = false, hasSpeed = false, inOrder = false;
  bool afterNoData = false;  // time without data lies before it: the route and chart break
  std::int64_t local = kNoTime, utc = kNoTime;
};

class DayTraceWriter final : public TripWriter {
 public:
  void Fix(const TripPoint& p) override {
    bool afterNoData = false;
    if (p.inOrder && p.position) {
      afterNoData = lastTimed_ && NoDataBetween(*lastTimed_, p);
      lastTimed_ = p;
    }
    // Only what the route or the chart draws is kept: a month of rows without a position or a
    // timed speed (empty lines) holds nothing.
    if (!p.position && !(p.inOrder && p.hasSpeed)) return;
    // A speed beyond a float's range is drawn as the highest one.
    points_.push_back({p.lat, p.lon, static_cast<float>(std::min(p.kmh, 3.0e38)), p.position,
                       p.hasSpeed, p.inOrder, afterNoData, p.local, p.utc});
  }
  const std::vector<TracePoint>& Points() const { return points_; }

 private:
  std::vector<TracePoint> points_;
  std::optional<TripPoint> lastTimed_;
};
