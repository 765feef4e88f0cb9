#include "route_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "html_text.h"
#include "page_geometry.h"
#include "report_words.h"

namespace {

constexpr double kWidth = 800, kPad = 30;
// Below the route, room for the scale bar, which so covers no fix.
constexpr double kPadBottom = 50;
constexpr double kMetresPerDegree = 6371008.8 * std::numbers::pi / 180;
constexpr double kLeastExtent = 300;  // metres: a day spent in one yard still has a scale
constexpr double kTolerance = 0.3;    // pixels: finer than a screen shows
// A route that still has more points at that (a month of a vehicle going to and fro in one
// town) is drawn coarser, so that the page stays light; the facts stay exact.
constexpr std::size_t kMostPoints = 30000;
// Past this many runs over the limit, or stops, one is drawn only where none before it was.
constexpr std::size_t kManyRuns = 500;
constexpr std::size_t kManyStops = 200;

// Speed bands in colours told apart with the common colour-vision deficiencies.
struct Band {
  double below;
  const char* colour;
  const char* label;
};
constexpr Band kBands[] = {
    {30, "#0072B2", "under 30 km/h"},
    {50, "#56B4E9", "30 to 50 km/h"},
    {70, "#009E73", "50 to 70 km/h"},
    {90, "#E69F00", "70 to 90 km/h"},
    {std::numeric_limits<double>::infinity(), "#D55E00", "90 km/h and over"},
};
constexpr int kNoSpeed = std::size(kBands);
constexpr const char* kNoSpeedColour = "#8C8C8C";

// The cells of the page already drawn on, for marks that would only cover each other.
class DrawnCells {
 public:
  explicit DrawnCells(double size) : size_(size) {}
  // Whether `p`'s cell is drawn on for the first time.
  bool Fresh(const PagePoint& p) {
    const auto x = static_cast<std::uint64_t>(std::lround(std::clamp(p.x, 0.0, 8192.0) / size_));
    const auto y = static_cast<std::uint64_t>(std::lround(std::clamp(p.y, 0.0, 8192.0) / size_));
    return cells_.insert(x << 32 | y).second;
  }

 private:
  double size_;
  std::unordered_set<std::uint64_t> cells_;
};

int BandOf(double kmh) {
  for (int b = 0; b < kNoSpeed; ++b)
    if (kmh < kBands[b].below) return b;
  return kNoSpeed - 1;
}

// Longitude and latitude to the page: east right, north up, a metre as long either way at the
// area's middle latitude.
struct Projection {
  double north = 0, west = 0, cosLat = 1, scale = 1, left = 0, top = 0, height = 0;
  bool wrapped = false;  // the day crosses 180°: western longitudes are taken past it

  PagePoint At(double lat, double lon) const {
    if (wrapped && lon < 0) lon += 360;
    return {left + (lon - west) * cosLat * kMetresPerDegree * scale,
            top + (north - lat) * kMetresPerDegree * scale};
  }
  double LatAt(double y) const { return north - (y - top) / (kMetresPerDegree * scale); }
  double LonAt(double x) const { return west + (x - left) / (kMetresPerDegree * scale * cosLat); }
};

Projection Fit(std::span<const TracePoint> trace) {
  double south = 90, north = -90, west = 180, east = -180, westPast = 360, eastPast = 0;
  for (const TracePoint& p : trace) {
    if (!p.position) continue;
    south = std::min(south, p.lat), north = std::max(north, p.lat);
    west = std::min(west, p.lon), east = std::max(east, p.lon);
    const double past = p.lon < 0 ? p.lon + 360 : p.lon;
    westPast = std::min(westPast, past), eastPast = std::max(eastPast, past);
  }
  Projection f;
  if (eastPast - westPast < east - west) {
    f.wrapped = true;
    west = westPast, east = eastPast;
  }
  f.cosLat = std::max(std::cos((south + north) / 2 * std::numbers::pi / 180), 0.01);
  double wide = (east - west) * f.cosLat * kMetresPerDegree;
  double high = (north - south) * kMetresPerDegree;
  if (wide < kLeastExtent) {
    const double grow = (kLeastExtent - wide) / 2 / (f.cosLat * kMetresPerDegree);
    west -= grow, east += grow, wide = kLeastExtent;
  }
  if (high < kLeastExtent) {
    const double grow = (kLeastExtent - high) / 2 / kMetresPerDegree;
    south -= grow, north += grow, high = kLeastExtent;
  }
  f.height =
      std::clamp(std::round((kWidth - 2 * kPad) * high / wide + kPad + kPadBottom), 280.0, 640.0);
  f.scale = std::min((kWidth - 2 * kPad) / wide, (f.height - kPad - kPadBottom) / high);
  f.left = (kWidth - wide * f.scale) / 2;
  f.top = kPad + (f.height - kPad - kPadBottom - high * f.scale) / 2;
  f.north = north, f.west = west;
  return f;
}

std::string Degrees(double value, double step, char positive, char negative) {
  if (value > 180) value -= 360;  // past 180° east is west
  const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 6);
  char text[64];
  std::snprintf(text, sizeof text, "%.*f°", decimals, std::abs(value));
  std::string out = text;
  if (out.find_first_of("123456789") != std::string::npos)
    out.append(" ").push_back(value < 0 ? negative : positive);
  return out;
}

void AppendGrid(std::string& out, const Projection& f) {
  out.append("<g class=\"grid\">");
  const double south = f.LatAt(f.height), north = f.LatAt(0);
  const double west = f.LonAt(0), east = f.LonAt(kWidth);
  const double latStep = NiceStep((north - south) / 5), lonStep = NiceStep((east - west) / 6);
  for (double lat = std::ceil(std::max(south, -90.0) / latStep) * latStep;
       lat <= std::min(north, 90.0); lat += latStep) {
    const double y = f.At(lat, f.west).y;
    if (y < 28) continue;  // its label would be cut off, or cover the longitudes' labels
    out.append("<line x1=\"0\" x2=\"800\" y1=\"" + Px(y) + "\" y2=\"" + Px(y) + "\"/>");
    out.append("<text x=\"4\" y=\"" + Px(y - 3) + "\">" + Degrees(lat, latStep, 'N', 'S') +
               "</text>");
  }
  for (double lon = std::ceil(west / lonStep) * lonStep; lon <= east; lon += lonStep) {
    const double x = f.At(f.north, lon).x;
    out.append("<line y1=\"0\" y2=\"" + Px(f.height) + "\" x1=\"" + Px(x) + "\" x2=\"" + Px(x) +
               "\"/>");
    // Hung from the top, so that no size of its font cuts it off.
    out.append("<text class=\"top\" x=\"" + Px(x + 3) + "\" y=\"7\">" +
               Degrees(lon, lonStep, 'E', 'W') + "</text>");
  }
  out.append("</g>");
}

void AppendScaleBar(std::string& out, const Projection& f) {
  const double metres = NiceStep(140 / f.scale);
  const double length = metres * f.scale, y = f.height - 14;
  char label[64];
  if (metres >= 1000)
    std::snprintf(label, sizeof label, "%g km", metres / 1000);
  else
    std::snprintf(label, sizeof label, "%g m", metres);
  out.append("<g class=\"scale\"><rect x=\"6\" y=\"" + Px(y - 17) + "\" width=\"" +
             Px(length + 60) + "\" height=\"26\"/><path d=\"M12 " + Px(y - 5) + " V" + Px(y) +
             " H" + Px(12 + length) + " V" + Px(y - 5) + "\"/><text x=\"" + Px(18 + length) +
             "\" y=\"" + Px(y) + "\">" + label + "</text></g>");
}

// The route in trip order, simplified, each piece coloured by the mean speed of the fixes it
// stands for; pieces of one colour in a row make one path.
// The points kept for drawing: Douglas–Peucker at a fraction of a pixel, or coarser until at
// most `most` are kept. Points on one pixel in a row are one first, which keeps the costly
// part of the work to what a screen can show.
std::vector<std::size_t> Drawn(const std::vector<PagePoint>& points, std::size_t most) {
  std::vector<std::size_t> distinct;
  std::vector<PagePoint> pixels;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const PagePoint p{std::round(points[i].x), std::round(points[i].y)};
    if (i + 1 == points.size() || pixels.empty() || p.x != pixels.back().x ||
        p.y != pixels.back().y) {
      distinct.push_back(i);
      pixels.push_back(points[i]);
    }
  }
  std::vector<std::size_t> kept;
  for (double tolerance = kTolerance;; tolerance *= 2) {
    kept = Simplified(pixels, tolerance);
    if (kept.size() <= most || tolerance > 16) break;
  }
  // Fixes that jump about at random simplify to nothing less: an even sample of them shows
  // as much.
  if (kept.size() > most) {
    std::vector<std::size_t> sample;
    for (std::size_t k = 0; k < most; ++k)
      sample.push_back(kept[k * (kept.size() - 1) / (most - 1)]);
    kept = std::move(sample);
  }
  for (std::size_t& k : kept)
    k = distinct[k];
  return kept;
}

// A piece's colour: the mean speed over the distance it stands for, weighted by distance and
// taken from fixes that move, so that a stop's zeros leave the road into and out of it alone.
int BandOfPiece(const std::vector<const TracePoint*>& fixes, std::size_t from, std::size_t to) {
  double km = 0, weighted = 0, sum = 0;
  std::size_t moving = 0;
  const auto speedAt = [](const TracePoint* p) { return p->hasSpeed && p->kmh > 0; };
  // A piece spans a few pixels: one latitude's scale serves all of it.
  const double lonScale = std::cos(fixes[from]->lat * 0.0174533);
  for (std::size_t i = from + 1; i <= to; ++i) {
    const TracePoint* a = fixes[i - 1];
    const TracePoint* b = fixes[i];
    if (speedAt(b)) sum += b->kmh, ++moving;
    if (!speedAt(a) && !speedAt(b)) continue;
    const double speed = speedAt(a) && speedAt(b) ? (a->kmh + b->kmh) / 2
                         : speedAt(a)             ? a->kmh
                                                  : b->kmh;
    const double dLat = a->lat - b->lat, dLon = (a->lon - b->lon) * lonScale;
    const double d = std::sqrt(dLat * dLat + dLon * dLon);
    km += d, weighted += d * speed;
  }
  // To a thousandth of a km/h: a steady 30 would otherwise fall either side of a band's edge.
  if (km > 0) return BandOf(std::round(weighted / km * 1000) / 1000);
  return moving > 0 ? BandOf(sum / static_cast<double>(moving)) : kNoSpeed;
}

void AppendRoute(std::string& out, const std::vector<PagePoint>& points,
                 const std::vector<const TracePoint*>& fixes, std::size_t most) {
  const std::vector<std::size_t> kept = Drawn(points, most);
  std::vector<PagePoint> path;
  int pathBand = -1;
  const auto flush = [&] {
    if (path.size() < 2) return;
    out.append("<path class=\"b" + std::to_string(pathBand) + "\" d=\"");
    AppendPathData(out, path);
    out.append("\"/>");
  };
  for (std::size_t k = 1; k < kept.size(); ++k) {
    const int band = BandOfPiece(fixes, kept[k - 1], kept[k]);
    if (band != pathBand) {
      flush();
      path = {points[kept[k - 1]]};
      pathBand = band;
    }
    path.push_back(points[kept[k]]);
  }
  flush();
}

// Each run over the limit, from its first fix to the next at or under it, over the route.
void AppendSpeeding(std::string& out, const Projection& f, std::span<const TracePoint> trace,
                    const TripFacts& facts) {
  std::size_t i = 0;
  const bool many = facts.speeding.size() > kManyRuns;
  DrawnCells drawnCells(8);
  for (const TripSpeeding& run : facts.speeding) {
    std::vector<PagePoint> points;
    for (; i < trace.size() && (!trace[i].inOrder || trace[i].utc <= run.endUtc); ++i) {
      const TracePoint& p = trace[i];
      if (p.inOrder && p.position && p.utc >= run.start.utc) points.push_back(f.At(p.lat, p.lon));
    }
    if (points.empty() && IsPosition(run.start.lat, run.start.lon))
      points.push_back(f.At(run.start.lat, run.start.lon));
    if (points.empty()) continue;
    if (many) {
      bool fresh = false;
      for (const PagePoint& p : points)
        fresh = drawnCells.Fresh(p) || fresh;
      if (!fresh) continue;
    }
    std::vector<PagePoint> drawn;
    for (const std::size_t k : Drawn(points, kMostPoints / 10))
      drawn.push_back(points[k]);
    out.append("<path class=\"speeding\" d=\"");
    AppendPathData(out, drawn);
    if (drawn.size() == 1) out.append(" l0 0");
    out.append("\"><title>");
    out.append(Html("Over the limit from " + report_words::LocalTime(run.start.local) + " for " +
                    report_words::Clock(run.seconds) + ", top " + report_words::Speed(run.topKmh)));
    out.append("</title></path>");
  }
}

std::string StopLength(std::int64_t seconds) {
  const std::int64_t minutes = (seconds + 30) / 60;
  if (minutes < 60) return std::to_string(minutes) + " min";
  char text[64];
  std::snprintf(text, sizeof text, "%lld h %02lld min", static_cast<long long>(minutes / 60),
                static_cast<long long>(minutes % 60));
  return text;
}

// Where a label's box lies on the drawing, to keep labels off each other.
struct LabelBox {
  double left, top, right, bottom;
  bool Meets(const LabelBox& o) const {
    return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
};
// The width of a label of `characters` at the drawing's 11 px.
double LabelWidth(std::size_t characters) {
  return 6.6 * static_cast<double>(characters);
}

void AppendStops(std::string& out, const Projection& f, const TripFacts& facts) {
  // Past a dozen or so, labels would cover the route: the table says when and how long.
  const bool labelled = facts.stops.size() <= 15;
  const bool many = facts.stops.size() > kManyStops;
  DrawnCells drawnCells(10);
  std::vector<LabelBox> labels;
  for (std::size_t s = 0; s < facts.stops.size(); ++s) {
    const TripStop& stop = facts.stops[s];
    if (!IsPosition(stop.arrival.lat, stop.arrival.lon)) continue;
    const PagePoint at = f.At(stop.arrival.lat, stop.arrival.lon);
    if (many) {  // a dot where none is yet: the table gives each one
      if (drawnCells.Fresh(at))
        out.append("<circle class=\"stop-mark\" cx=\"" + Px(at.x) + "\" cy=\"" + Px(at.y) +
                   "\" r=\"3.5\"/>");
      continue;
    }
    const std::string time = report_words::LocalTime(stop.arrival.local);
    const std::string number = std::to_string(s + 1);
    std::string title =
        "Stop " + number + ": " + time + " for " + report_words::Clock(stop.seconds);
    if (!stop.arrival.place.empty()) title += ", " + report_words::Utf8(stop.arrival.place);
    out.append("<g class=\"stop\"><title>" + Html(title) + "</title><circle cx=\"" + Px(at.x) +
               "\" cy=\"" + Px(at.y) + "\" r=\"8\"/><text x=\"" + Px(at.x) + "\" y=\"" + Px(at.y) +
               "\">" + number + "</text>");
    if (labelled && time.size() >= 16) {
      const std::string text = time.substr(11, 5) + ", " + StopLength(stop.seconds);
      // Right of the mark, or left of it where the drawing ends; none over another.
      const double width = LabelWidth(text.size());
      const bool left = at.x + 11 + width > kWidth - 2;
      const double x = left ? at.x - 11 : at.x + 11;
      const LabelBox box{left ? x - width : x, at.y - 8, left ? x : x + width, at.y + 7};
      const bool free = std::none_of(labels.begin(), labels.end(),
                                     [&](const LabelBox& other) { return box.Meets(other); });
      if (free && box.left >= 0) {
        labels.push_back(box);
        out.append("<text class=\"label" + std::string(left ? " west" : "") + "\" x=\"" + Px(x) +
                   "\" y=\"" + Px(at.y + 4) + "\">" + text + "</text>");
      }
    }
    out.append("</g>");
  }
}

void AppendEnds(std::string& out, const std::vector<PagePoint>& points,
                const std::vector<const TracePoint*>& fixes) {
  const PagePoint& a = points.front();
  const PagePoint& b = points.back();
  const auto when = [](const TracePoint* p) {
    const std::string t = report_words::LocalTime(p->local);
    return t == "none" ? std::string() : " " + t;
  };
  // A hollow ring around the end's square: a day that ends where it began shows both, and a
  // stop at the start keeps its number in view.
  out.append("<rect class=\"end\" x=\"" + Px(b.x - 5) + "\" y=\"" + Px(b.y - 5) +
             "\" width=\"10\" height=\"10\"><title>End" + when(fixes.back()) + "</title></rect>");
  out.append("<circle class=\"start\" cx=\"" + Px(a.x) + "\" cy=\"" + Px(a.y) +
             "\" r=\"9.5\"><title>Start" + when(fixes.front()) + "</title></circle>");
}

}  // namespace

std::string RouteSvg(std::span<const TracePoint> trace, const TripFacts& facts) {
  std::vector<const TracePoint*> fixes;
  for (const TracePoint& p : trace)
    if (p.position) fixes.push_back(&p);
  if (fixes.empty()) return {};
  const Projection f = Fit(trace);
  std::vector<PagePoint> points;
  points.reserve(fixes.size());
  for (const TracePoint* p : fixes)
    points.push_back(f.At(p->lat, p->lon));

  std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 800 " + Px(f.height) +
                    "\" role=\"img\" aria-labelledby=\"route-title\"><title id=\"route-title\">"
                    "The route, coloured by speed</title><style>";
  for (int b = 0; b < kNoSpeed; ++b)
    out.append(".b" + std::to_string(b) + "{stroke:" + kBands[b].colour + "}");
  out.append(".b" + std::to_string(kNoSpeed) + "{stroke:" + kNoSpeedColour + "}");
  out.append("</style><rect class=\"ground\" width=\"800\" height=\"" + Px(f.height) + "\"/>");
  AppendGrid(out, f);
  // Runs over the limit as a halo under the route, which keeps its colours.
  out.append("<g class=\"over\">");
  AppendSpeeding(out, f, trace, facts);
  out.append("</g><g class=\"route\">");
  // Each stretch between times without data drawn apart: no line crosses a gap.
  for (std::size_t from = 0; from < fixes.size();) {
    std::size_t to = from + 1;
    while (to < fixes.size() && !fixes[to]->afterNoData)
      ++to;
    const std::vector<PagePoint> stretch(points.begin() + static_cast<std::ptrdiff_t>(from),
                                         points.begin() + static_cast<std::ptrdiff_t>(to));
    const std::vector<const TracePoint*> stretchFixes(
        fixes.begin() + static_cast<std::ptrdiff_t>(from),
        fixes.begin() + static_cast<std::ptrdiff_t>(to));
    AppendRoute(out, stretch, stretchFixes,
                std::max<std::size_t>(2, kMostPoints * stretch.size() / fixes.size()));
    from = to;
  }
  out.append("</g>");
  AppendStops(out, f, facts);
  // The start and end over the stops' marks: a day that begins or ends at a stop shows both.
  AppendEnds(out, points, fixes);
  AppendScaleBar(out, f);
  out.append("</svg>");
  return out;
}

std::string RouteLegend(const TripRules& rules, bool stops) {
  std::string out = "<ul class=\"legend\">";
  const auto item = [&out](const std::string& mark, const std::string& label) {
    out.append("<li><svg viewBox=\"0 0 24 12\" width=\"24\" height=\"12\" aria-hidden=\"true\">" +
               mark + "</svg>" + label + "</li>");
  };
  for (int b = 0; b <= kNoSpeed; ++b)
    item("<path class=\"b" + std::to_string(b) + "\" d=\"M2 6 H22\" stroke=\"" +
             (b < kNoSpeed ? kBands[b].colour : kNoSpeedColour) + "\"/>",
         b < kNoSpeed ? kBands[b].label : "no speed");
  if (rules.speedLimit)
    item("<path class=\"speeding\" d=\"M2 6 H22\"/>",
         "over " + report_words::Limit(*rules.speedLimit) + " km/h");
  item("<circle class=\"start\" cx=\"12\" cy=\"6\" r=\"4.5\"/>", "start");
  item("<rect class=\"end\" x=\"7.5\" y=\"1.5\" width=\"9\" height=\"9\"/>", "end");
  if (stops) item("<circle class=\"stop-mark\" cx=\"12\" cy=\"6\" r=\"5.5\"/>", "stop, numbered");
  out.append("</ul>");
  return out;
}
