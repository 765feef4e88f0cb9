#include "speed_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "html_text.h"
#include "page_geometry.h"
#include "report_words.h"

namespace {

// Margins wide enough for the labels at a phone's larger size.
constexpr double kWidth = 800, kHeight = 250;
constexpr double kLeft = 60, kRight = 12, kTop = 34, kBottom = 56;

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

// The day's clock: spans of UTC time over which the fixes' local time is UTC and one offset,
// each ending where the next begins.
struct ClockSpan {
  std::int64_t from, to, offset;
};

std::vector<ClockSpan> ClockSpans(const std::vector<const TracePoint*>& points, const Axes& axes) {
  std::vector<ClockSpan> spans;
  for (const TracePoint* p : points) {
    const std::int64_t offset = p->local - p->utc;
    if (!spans.empty() && spans.back().offset == offset) continue;
    if (!spans.empty()) spans.back().to = p->utc;
    spans.push_back({p->utc, axes.to + 1, offset});
  }
  spans.front().from = axes.from;
  return spans;
}

// "07:00", or on a page of several dates "14/03".
std::string ClockLabel(std::int64_t local, bool days) {
  const std::string text = report_words::LocalTime(local);
  if (text.size() < 16) return text;
  return days ? text.substr(8, 2) + "/" + text.substr(5, 2) : text.substr(11, 5);
}

// "+03", or "+1030" where the offset has minutes.
std::string OffsetLabel(std::int64_t seconds) {
  const long long hours = std::abs(seconds) / 3600 % 100;
  const long long minutes = std::abs(seconds) / 60 % 60;
  char text[32];
  if (minutes == 0)
    std::snprintf(text, sizeof text, "%c%02lld", seconds < 0 ? '-' : '+', hours);
  else
    std::snprintf(text, sizeof text, "%c%02lld%02lld", seconds < 0 ? '-' : '+', hours, minutes);
  return text;
}

// Ticks at round times of the local clock, each where the clock read it: a time the clocks
// skipped has none, and a time they read twice has two, each with its offset.
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
  struct Tick {
    std::int64_t utc;
    std::string label;
    std::int64_t offset;
  };
  std::vector<Tick> ticks;
  for (const ClockSpan& clock : ClockSpans(points, axes)) {
    const std::int64_t firstLocal = std::max(clock.from, axes.from) + clock.offset;
    for (std::int64_t local = (firstLocal / step + (firstLocal % step > 0)) * step;;
         local += step) {
      const std::int64_t utc = local - clock.offset;
      if (utc >= clock.to || utc > axes.to) break;
      ticks.push_back({utc, ClockLabel(local, step >= 86400), clock.offset});
    }
  }
  std::sort(ticks.begin(), ticks.end(), [](const Tick& a, const Tick& b) { return a.utc < b.utc; });
  out.append("<g class=\"axis\">");
  for (const Tick& tick : ticks) {
    std::string label = tick.label;
    const bool twice = std::count_if(ticks.begin(), ticks.end(), [&](const Tick& other) {
                         return other.label == tick.label;
                       }) > 1;
    if (twice) label += " " + OffsetLabel(tick.offset);
    const double x = axes.X(tick.utc);
    // A label reaching past an edge of the chart stands inside it; room for a phone's size.
    const double half = 6.6 * static_cast<double>(label.size());
    const char* anchor = x + half > kWidth ? " class=\"east\""
                         : x - half < 0    ? " class=\"west\""
                                           : "";
    out.append("<line x1=\"" + Px(x) + "\" x2=\"" + Px(x) + "\" y1=\"" + Px(kTop) + "\" y2=\"" +
               Px(kHeight - kBottom + 4) + "\"/><text" + anchor + " x=\"" + Px(x) + "\" y=\"" +
               Px(kHeight - kBottom + 16) + "\">" + label + "</text>");
  }
  out.append("<text class=\"title\" x=\"" + Px(kWidth - kRight) + "\" y=\"" + Px(kHeight - 6) +
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
  out.append("<text class=\"title\" x=\"" + Px(kLeft + 4) + "\" y=\"" + Px(kTop - 10) +
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
      "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 800 " + Px(kHeight) +
      "\" role=\"img\" "
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
  // Broken where the data is: after time without data, whatever the pixels it fell in.
  std::vector<const TracePoint*> kept = Decimated(points, axes);
  const auto gapIn = [&](const TracePoint* from, const TracePoint* to) {
    for (const TracePoint* p = from + 1; p <= to; ++p)
      if (p->afterNoData) return true;
    return false;
  };
  const TracePoint* before = nullptr;
  for (const TracePoint* p : kept) {
    if (before != nullptr && gapIn(before, p)) {
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
