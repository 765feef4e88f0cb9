// The trip handed on with its jumps left out: a fix, or a few in a row, that only a speed no
// vehicle reaches leads to and back from (a position at 0,0, one 100 km off the road). A fix
// off the track is held until the fixes after it show which it is: a jump when one of them
// returns to the track, the vehicle's true place when none does.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <span>

#include "trip_points.h"

// A speed between two fixes past this, and past three times the speeds they record, is no
// vehicle's.
inline constexpr double kJumpKmh = 300;

class JumpFilter final : public TripWriter {
 public:
  explicit JumpFilter(std::span<TripWriter* const> writers) : writers_(writers) {}
  void Begin(const RowTimes& times) override;
  void Fix(const TripPoint& point) override;
  void NoFix() override;
  void LeftOut(const TripPoint& point) override;
  void End() override;

  // Whether a vehicle can have gone from `a` to `b` in the time between them.
  static bool Reachable(const TripPoint& a, const TripPoint& b);

 private:
  enum class Kind { Fix, NoFix, LeftOut };
  struct Held {
    Kind kind;
    TripPoint point;
  };
  // How many fixes after one off the track may show that it was a jump.
  static constexpr std::size_t kLookAhead = 5;

  // A fix whose place is judged: with a position and a time.
  static bool Judged(const Held& held) {
    return held.kind == Kind::Fix && held.point.position && held.point.utc != kNoTime;
  }
  void Decide(bool ending);
  // The judged fixes held after the first, up to `most`, by their places in `held_`.
  std::vector<std::size_t> JudgedAfterFirst(std::size_t most) const;
  void HandOn(const Held& held);

  std::span<TripWriter* const> writers_;
  std::deque<Held> held_;
  std::optional<TripPoint> last_;  // the last judged fix handed on
};
