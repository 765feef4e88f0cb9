#include "page_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace {

// Beyond this, a run is cut in two: Douglas–Peucker's worst case is quadratic in the run.
constexpr std::size_t kRunPoints = 4096;

// Squared, to the segment, not the line through it: a drive there and back along one
// straight road keeps its far end.
double SquaredDistanceToSegment(const PagePoint& p, const PagePoint& a, const PagePoint& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double squared = dx * dx + dy * dy;
  const double t =
      squared == 0 ? 0 : std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / squared, 0.0, 1.0);
  const double x = p.x - (a.x + t * dx), y = p.y - (a.y + t * dy);
  return x * x + y * y;
}

void SimplifyRun(std::span<const PagePoint> points, std::size_t first, std::size_t last,
                 double tolerance, std::vector<std::size_t>& kept) {
  std::vector<std::pair<std::size_t, std::size_t>> spans{{first, last}};
  std::vector<std::size_t> found;
  while (!spans.empty()) {
    const auto [a, b] = spans.back();
    spans.pop_back();
    double farthest = -1;
    std::size_t at = a;
    for (std::size_t i = a + 1; i < b; ++i) {
      const double d = SquaredDistanceToSegment(points[i], points[a], points[b]);
      if (d > farthest) farthest = d, at = i;
    }
    if (farthest > tolerance * tolerance) {
      found.push_back(at);
      spans.push_back({a, at});
      spans.push_back({at, b});
    }
  }
  std::sort(found.begin(), found.end());
  kept.insert(kept.end(), found.begin(), found.end());
  kept.push_back(last);
}

}  // namespace

std::vector<std::size_t> Simplified(std::span<const PagePoint> points, double tolerance) {
  std::vector<std::size_t> kept;
  if (points.empty()) return kept;
  kept.push_back(0);
  for (std::size_t first = 0; first + 1 < points.size(); first += kRunPoints)
    SimplifyRun(points, first, std::min(first + kRunPoints, points.size() - 1), tolerance, kept);
  return kept;
}

std::string Px(double value) {
  char text[64];
  const double tenths = std::round(value * 10) / 10;
  std::snprintf(text, sizeof text, "%.1f", tenths == 0 ? 0.0 : tenths);
  std::string out = text;
  if (out.ends_with(".0")) out.resize(out.size() - 2);
  return out;
}

void AppendPathData(std::string& out, std::span<const PagePoint> points) {
  std::string last;
  for (std::size_t i = 0; i < points.size(); ++i) {
    std::string at = Px(points[i].x) + " " + Px(points[i].y);
    if (i > 0 && at == last) continue;
    out.append(i == 0 ? "M" : " L").append(at);
    last = std::move(at);
  }
}

double NiceStep(double rough) {
  if (!(rough > 0) || !std::isfinite(rough)) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (const double m : {1.0, 2.0, 5.0, 10.0})
    if (m * power >= rough * (1 - 1e-9)) return m * power;
  return 10 * power;
}
