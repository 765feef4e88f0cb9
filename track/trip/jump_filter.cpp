#include "jump_filter.h"

#include <algorithm>

bool JumpFilter::Reachable(const TripPoint& a, const TripPoint& b) {
  const double hours = static_cast<double>(b.utc - a.utc) / 3600;
  const double recorded = std::max(a.hasSpeed ? a.kmh : 0.0, b.hasSpeed ? b.kmh : 0.0);
  const double reach = std::max(0.2, hours * std::max(kJumpKmh, 3 * recorded));
  // Within a receiver's wander (whatever the time) or a vehicle's reach: most fixes are
  // plainly so by a flat measure, which the great circle exceeds by less than a percent
  // over such distances; the great circle decides the rest.
  const double flat = FlatDistanceKm(a, b);
  if (flat < 0.2 * 0.99 || (hours > 0 && flat < reach * 0.99)) return true;
  const double km = DistanceKm(a, b);
  if (km < 0.2) return true;
  return hours > 0 && km <= reach;
}

void JumpFilter::Begin(const RowTimes& times) {
  for (TripWriter* writer : writers_)
    writer->Begin(times);
}

void JumpFilter::Fix(const TripPoint& point) {
  held_.push_back({Kind::Fix, point});
  Decide(false);
}

void JumpFilter::NoFix() {
  held_.push_back({Kind::NoFix, {}});
  Decide(false);
}

void JumpFilter::LeftOut(const TripPoint& point) {
  held_.push_back({Kind::LeftOut, point});
  Decide(false);
}

void JumpFilter::End() {
  Decide(true);
  for (TripWriter* writer : writers_)
    writer->End();
}

std::vector<std::size_t> JumpFilter::JudgedAfterFirst(std::size_t most) const {
  std::vector<std::size_t> found;
  for (std::size_t i = 1; i < held_.size() && found.size() < most; ++i)
    if (Judged(held_[i])) found.push_back(i);
  return found;
}

void JumpFilter::Decide(bool ending) {
  while (!held_.empty()) {
    const Held& first = held_.front();
    if (!Judged(first)) {
      HandOn(first);
      held_.pop_front();
      continue;
    }
    const TripPoint& p = first.point;
    if (!last_) {
      // The day's first: a jump when the two fixes after it agree with each other and not
      // with it.
      const std::vector<std::size_t> next = JudgedAfterFirst(2);
      if (next.size() < 2 && !ending) return;
      if (next.size() == 2 && !Reachable(p, held_[next[0]].point) &&
          Reachable(held_[next[0]].point, held_[next[1]].point)) {
        for (TripWriter* writer : writers_)
          writer->Jump(p);
      } else {
        HandOn(first);
        last_ = p;
      }
      held_.pop_front();
      continue;
    }
    if (Reachable(*last_, p)) {
      HandOn(first);
      last_ = p;
      held_.pop_front();
      continue;
    }
    // Off the track: a jump when a fix after it returns to the track.
    const std::vector<std::size_t> next = JudgedAfterFirst(kLookAhead);
    const auto back = std::find_if(
        next.begin(), next.end(), [&](std::size_t i) { return Reachable(*last_, held_[i].point); });
    if (back != next.end()) {
      for (std::size_t i = 0; i < *back; ++i) {
        if (Judged(held_.front())) {
          for (TripWriter* writer : writers_)
            writer->Jump(held_.front().point);
        } else {
          HandOn(held_.front());
        }
        held_.pop_front();
      }
      continue;
    }
    if (next.size() < kLookAhead && !ending) return;
    // None returns: the vehicle is where the fix says.
    HandOn(first);
    last_ = p;
    held_.pop_front();
  }
}

void JumpFilter::HandOn(const Held& held) {
  for (TripWriter* writer : writers_) {
    switch (held.kind) {
      case Kind::Fix:
        writer->Fix(held.point);
        break;
      case Kind::NoFix:
        writer->NoFix();
        break;
      case Kind::LeftOut:
        writer->LeftOut(held.point);
        break;
    }
  }
}
