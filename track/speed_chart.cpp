#include "speed_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "html_text.h"
#include "page_geometry.h"
#include "report_words.h"

namespace {

constexpr double kWidth = 800, kHeight = 230;
constexpr double kLeft = 46, kRight = 12, kTop = 24, kBottom = 40;
constexpr std::int64_t kBreak = 900;  // seconds without a fix that break the line

struct Axes {
  std::int64_t from = 0, to = 1;
  double top = 20;

  double X(std::int64_t utc) const {
    return kLeft + static_cast<double>(utc - from) / static_cast<double>(to - from) *
                       (kWidth - kLeft - kRight);
  }
  double Y(double kmh) const { return kTop + (1 - kmh / top) * (kHeight - kTop - kBottom); }
};

// The fixes of one pixel column reduced to its first, lowest, highest and last, in their
// order: the line looks the same, and a month of fixes stays a few thousand points.
std::vector<const TracePoint*> Decimated(const std::vector<const TracePoint*>& points,
                                         const Axes& axes) {
  std::vector<const TracePoint*> out;
  std::size_t i = 0;
  while (i < points.size()) {
    const long column = std::lround(axes.X(points[i]->utc) * 2);
    std::size_t j = i, low = i, high = i;
    for (; j < points.size() && std::lround(axes.X(points[j]->utc) * 2) == column; ++j) {
      if (points[j]->kmh < points[low]->kmh) low = j;
      if (points[j]->kmh > points[high]->kmh) high = j;
    }
    std::size_t picks[] = {i, low, high, j - 1};
    std::sort(std::begin(picks), std::end(picks));
    for (std::size_t k = 0; k < 4; ++k)
      if (k == 0 || picks[k] != picks[k - 1]) out.push_back(points[picks[k]]);
    i = j;
  }
  return out;
}

// The UTC instant whose local time is `local`, by the offset of the fix nearest it.
std::int64_t UtcOf(std::int64_t local, const std::vector<const TracePoint*>& points) {
  const std::int64_t guess = local - (points.front()->local - points.front()->utc);
  auto it = std::lower_bound(points.begin(), points.end(), guess,
                             [](const TracePoint* p, std::int64_t t) { return p->utc < t; });
  if (it == points.end()) --it;
  return local - ((*it)->local - (*it)->utc);
}

std::string ClockLabel(std::int64_t local, bool days) {
  const std::string text = report_words::LocalTime(local);
  if (text.size() < 16) return text;
  return days ? text.substr(5, 5) : text.substr(11, 5);
}

void AppendTimeAxis(std::string& out, const Axes& axes,
                    const std::vector<const TracePoint*>& points, std::string_view zone) {
  static constexpr std::int64_t kSteps[] = {60,    120,    300,    600,     900,     1800,
                                            3600,  7200,   10800,  14400,   21600,   43200,
                                            86400, 172800, 604800, 2592000, 31536000};
  const std::int64_t span = axes.to - axes.from;
  std::int64_t step = kSteps[std::size(kSteps) - 1];
  for (const std::int64_t s : kSteps)
    if (span / s <= 8) {
      step = s;
      break;
    }
  const std::int64_t offset = points.front()->local - points.front()->utc;
  const std::int64_t firstLocal = axes.from + offset;
  out.append("<g class=\"axis\">");
  for (std::int64_t local = (firstLocal / step + (firstLocal % step > 0)) * step;
       local <= axes.to + offset + 3600; local += step) {
    const std::int64_t utc = UtcOf(local, points);
    if (utc < axes.from || utc > axes.to) continue;
    const double x = axes.X(utc);
    out.append("<line x1=\"" + Px(x) + "\" x2=\"" + Px(x) + "\" y1=\"" + Px(kTop) + "\" y2=\"" +
               Px(kHeight - kBottom + 4) + "\"/><text x=\"" + Px(x) + "\" y=\"" +
               Px(kHeight - kBottom + 16) + "\">" + ClockLabel(local, step >= 86400) + "</text>");
  }
  out.append("<text class=\"title\" x=\"" + Px(kWidth - kRight) + "\" y=\"" + Px(kHeight - 4) +
             "\">Local time (" + Html(zone) + ")</text></g>");
}

void AppendSpeedAxis(std::string& out, const Axes& axes) {
  const double step = NiceStep(axes.top / 5);
  out.append("<g class=\"axis speeds\">");
  for (double v = 0; v <= axes.top * (1 + 1e-9); v += step) {
    const double y = axes.Y(v);
    char label[64];
    std::snprintf(label, sizeof label, "%g", v);
    out.append("<line x1=\"" + Px(kLeft - 4) + "\" x2=\"" + Px(kWidth - kRight) + "\" y1=\"" +
               Px(y) + "\" y2=\"" + Px(y) + "\"/><text x=\"" + Px(kLeft - 7) + "\" y=\"" +
               Px(y + 4) + "\">" + label + "</text>");
  }
  out.append("<text class=\"title\" x=\"" + Px(kLeft + 4) + "\" y=\"" + Px(kTop - 8) +
             "\">km/h</text></g>");
}

}  // namespace

std::string SpeedChartSvg(std::span<const TracePoint> trace, const TripFacts& facts,
                          const TripRules& rules, std::string_view zone) {
  std::vector<const TracePoint*> points;
  double fastest = 0;
  for (const TracePoint& p : trace)
    if (p.inOrder && p.hasSpeed && std::isfinite(p.kmh)) {
      points.push_back(&p);
      fastest = std::max(fastest, static_cast<double>(p.kmh));
    }
  if (points.empty()) return {};
  Axes axes;
  axes.from = points.front()->utc;
  axes.to = std::max(points.back()->utc, axes.from + 60);
  const double highest = std::max(fastest, rules.speedLimit.value_or(0));
  axes.top = std::max(20.0, std::ceil(highest * 1.05 / 20) * 20);

  std::string out =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 800 230\" role=\"img\" "
      "aria-labelledby=\"speed-title\"><title id=\"speed-title\">Speed over the day, stops "
      "shaded</title>";
  // Stops that touch on the chart are one shade: a month of them stays a few hundred.
  double shadeFrom = 0, shadeTo = -1;
  const auto shade = [&] {
    if (shadeTo < shadeFrom) return;
    out.append("<rect class=\"stop-shade\" x=\"" + Px(shadeFrom) + "\" y=\"" + Px(kTop) +
               "\" width=\"" + Px(std::max(shadeTo - shadeFrom, 1.0)) + "\" height=\"" +
               Px(kHeight - kTop - kBottom) + "\"/>");
  };
  for (const TripStop& stop : facts.stops) {
    if (stop.arrival.utc == kNoTime || stop.departure.utc == kNoTime) continue;
    const double a = axes.X(std::max(stop.arrival.utc, axes.from));
    const double b = axes.X(std::min(stop.departure.utc, axes.to));
    if (a > shadeTo + 1) {
      shade();
      shadeFrom = a;
    }
    shadeTo = std::max({shadeTo, b, a + 1});
  }
  shade();
  AppendSpeedAxis(out, axes);
  AppendTimeAxis(out, axes, points, zone);
  std::vector<PagePoint> line;
  std::string path;
  const TracePoint* before = nullptr;
  for (const TracePoint* p : Decimated(points, axes)) {
    if (before != nullptr && p->utc - before->utc > kBreak) {
      AppendPathData(path, line);
      path.append(" ");
      line.clear();
    }
    line.push_back({axes.X(p->utc), axes.Y(p->kmh)});
    before = p;
  }
  AppendPathData(path, line);
  out.append("<path class=\"speed\" d=\"" + path + "\"/>");
  if (rules.speedLimit) {
    const double y = axes.Y(*rules.speedLimit);
    out.append("<line class=\"limit\" x1=\"" + Px(kLeft) + "\" x2=\"" + Px(kWidth - kRight) +
               "\" y1=\"" + Px(y) + "\" y2=\"" + Px(y) + "\"/><text class=\"limit\" x=\"" +
               Px(kWidth - kRight - 2) + "\" y=\"" + Px(y - 4) + "\">limit " +
               report_words::Limit(*rules.speedLimit) + " km/h</text>");
  }
  out.append("</svg>");
  return out;
}
