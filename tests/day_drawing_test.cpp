// The day's route and speed chart drawn from days made for each case: what a reader must see
// is there, and nothing covers or cuts it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "day_page.h"
#include "export_reader.h"
#include "fix_times.h"
#include "route_drawing.h"
#include "speed_chart.h"
#include "trip_facts.h"
#include "trip_reading.h"
#include "utc_times.h"

namespace {

// Athens in 2024, enough for these days: UTC+2, UTC+3 from 31/03 01:00 UTC to 27/10 01:00 UTC.
struct Athens2024 final : LocalClock {
  static constexpr std::int64_t kForward = 1711846800, kBack = 1729990800;  // UTC instants
  ClockPassings Passings(std::int64_t local) const override {
    const std::int64_t summer = local - 3 * 3600, winter = local - 2 * 3600;
    const bool inSummer = summer >= kForward && summer < kBack;
    const bool inWinter = winter < kForward || winter >= kBack;
    if (inSummer && inWinter) return {summer, winter};  // the hour that repeats
    if (inSummer) return {summer, summer};
    if (inWinter) return {winter, winter};
    return {winter, winter};  // skipped: by the clock before the change
  }
};

struct Drawn {
  std::string export_;
  std::vector<TracePoint> trace;
  TripFacts facts;
};

// A day of rows "hh:mm:ss;speed;lat;lon" on `date`, read as the tool reads it.
Drawn Day(const std::string& date, const std::vector<std::string>& rows, const TripRules& rules) {
  Drawn d;
  d.export_ = "\xC7\xEC\xE5\xF1\xEF\xEC\xE7\xED\xDF\xE1;" + date + ";\r\n\xBF\xF1\xE1;x\r\n";
  for (const std::string& row : rows) {
    char time[16], speed[16], lat[32], lon[32];
    std::sscanf(row.c_str(), "%15[^;];%15[^;];%31[^;];%31s", time, speed, lat, lon);
    d.export_ += std::string(time) + ";x;" + speed + ";y;" + lat + ";" + lon + "\r\n";
  }
  const TrackHeader header = ReadTrackHeader(d.export_);
  RowTimes times = ReadRowTimes(header, d.export_);
  PutUtcTimes(times, Athens2024{});
  TripFactsWriter facts(rules);
  DayTraceWriter trace;
  TripWriter* const writers[] = {&facts, &trace};
  ReadTrip(d.export_, header, times, writers);
  d.facts = facts.Facts();
  d.trace = trace.Points();
  return d;
}

std::string Clock(int seconds) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600 % 24, seconds / 60 % 60,
                seconds % 60);
  return text;
}

// `count` rows a minute apart from `from`, at `kmh` due north from `lat`; returns the next lat.
double Drive(std::vector<std::string>& rows, int& t, int count, double kmh, double lat) {
  for (int k = 0; k < count; ++k, t += 60) {
    rows.push_back(Clock(t) + ";" + std::to_string(static_cast<int>(kmh)) + ";" +
                   std::to_string(lat) + ";23.7");
    lat += kmh / 60 / 111.195;
  }
  return lat;
}

// The drawn length of the route's paths by their colour class.
std::map<std::string, double> LengthByBand(const std::string& svg) {
  std::map<std::string, double> length;
  const std::string route = svg.substr(svg.find("<g class=\"route\">"));
  const std::regex path("<path class=\"(b[0-9])\" d=\"([^\"]*)\"");
  for (auto it = std::sregex_iterator(route.begin(), route.end(), path);
       it != std::sregex_iterator(); ++it) {
    const std::string d = (*it)[2];
    static const std::regex number("-?[0-9.]+");
    std::vector<double> numbers;
    for (auto n = std::sregex_iterator(d.begin(), d.end(), number); n != std::sregex_iterator();
         ++n)
      numbers.push_back(std::stod(n->str()));
    // "M x y L x y ...": the length between consecutive pairs.
    for (std::size_t i = 2; i + 1 < numbers.size(); i += 2)
      length[(*it)[1]] += std::hypot(numbers[i] - numbers[i - 2], numbers[i + 1] - numbers[i - 1]);
  }
  return length;
}

// A steady drive keeps its colour beside a long stop, and the day's start and end stay in
// view over the stop marks when it begins and ends at a stop.
TEST(DayDrawing, ADriveBesideALongStopKeepsItsColourAndTheEndsShow) {
  std::vector<std::string> rows;
  int t = 8 * 3600;
  double lat = 38;
  for (int k = 0; k < 60; ++k, t += 60)  // an hour at the depot
    rows.push_back(Clock(t) + ";0;38.000000;23.7");
  lat = Drive(rows, t, 40, 120, lat + 0.0002);
  for (int k = 0; k < 60; ++k, t += 60)  // an hour at the customer's
    rows.push_back(Clock(t) + ";0;" + std::to_string(lat) + ";23.7");
  const Drawn d = Day("14/03/2024", rows, TripRules{});
  ASSERT_EQ(d.facts.stops.size(), 2u);
  const std::string svg = RouteSvg(d.trace, d.facts);
  double all = 0;
  const auto bands = LengthByBand(svg);
  for (const auto& [band, length] : bands)
    all += length;
  ASSERT_GT(all, 0) << svg;
  EXPECT_GT(bands.count("b4") ? bands.at("b4") : 0, 0.95 * all) << "90 km/h and over";
  // The ends are drawn after every stop's mark, so none covers them.
  const auto lastStop = svg.rfind("<g class=\"stop\">");
  EXPECT_GT(svg.find("<circle class=\"start\""), lastStop);
  EXPECT_GT(svg.find("<rect class=\"end\""), lastStop);
}

// The southernmost fix stays clear of the scale bar's box.
TEST(DayDrawing, NothingUnderTheScaleBar) {
  std::vector<std::string> rows;
  int t = 8 * 3600;
  Drive(rows, t, 30, 60, 38);
  const Drawn d = Day("14/03/2024", rows, TripRules{});
  const std::string svg = RouteSvg(d.trace, d.facts);
  std::smatch box;
  ASSERT_TRUE(std::regex_search(
      svg, box, std::regex("<g class=\"scale\"><rect x=\"[0-9.]+\" y=\"([0-9.]+)\"")));
  const double top = std::stod(box[1]);
  std::smatch start;
  ASSERT_TRUE(std::regex_search(
      svg, start, std::regex("<circle class=\"start\" cx=\"[0-9.]+\" cy=\"([0-9.]+)\"")));
  EXPECT_LT(std::stod(start[1]) + 6, top) << "the start, the southernmost fix, under the scale box";
}

// Ticks on the days the clocks change: none for a time that did not exist, two for the hour
// that came twice, and no two at one place.
TEST(DayDrawing, TicksOnTheDaysTheClocksChange) {
  struct Case {
    const char* date;
    std::vector<std::string> labels;  // those around the change
    std::vector<std::string> absent;
  };
  const Case cases[] = {
      {"31/03/2024", {"02:00", "04:00"}, {"03:00"}},
      {"27/10/2024", {"03:00 +03", "03:00 +02", "04:00"}, {}},
  };
  for (const Case& c : cases) {
    // A row a minute for four hours of UTC from 23:00 UTC the night before, each as the
    // clock read it then.
    const bool spring = std::string(c.date) == "31/03/2024";
    const std::int64_t change = spring ? Athens2024::kForward : Athens2024::kBack;
    std::vector<std::string> rows;
    for (std::int64_t u = change - 2 * 3600; u < change + 2 * 3600; u += 60) {
      const std::int64_t offset = (u >= change) == spring ? 3 * 3600 : 2 * 3600;
      rows.push_back(Clock(static_cast<int>((u + offset) % 86400)) + ";30;38.0;23.7");
    }
    const Drawn d = Day(c.date, rows, TripRules{});
    const std::string chart = SpeedChartSvg(d.trace, d.facts, TripRules{}, "Europe/Athens");
    const std::size_t axis = chart.find("<g class=\"axis\">");
    const std::string svg = chart.substr(axis, chart.find("</g>", axis) - axis);
    std::vector<std::string> labels;
    std::vector<double> xs;
    const std::regex tick(
        "<line x1=\"([0-9.]+)\"[^>]*/><text[^>]* x=\"[0-9.]+\" y=\"[0-9.]+\">([^<]*)</text>");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), tick); it != std::sregex_iterator();
         ++it) {
      xs.push_back(std::stod((*it)[1]));
      labels.push_back((*it)[2]);
    }
    for (const std::string& label : c.labels)
      EXPECT_NE(std::find(labels.begin(), labels.end(), label), labels.end())
          << c.date << " " << label;
    for (const std::string& label : c.absent)
      EXPECT_EQ(std::find(labels.begin(), labels.end(), label), labels.end())
          << c.date << " " << label;
    std::sort(xs.begin(), xs.end());
    EXPECT_EQ(std::adjacent_find(xs.begin(), xs.end()), xs.end())
        << c.date << ": two ticks at one x";
  }
}

// Time without rows breaks the route and the chart: no line crosses it.
TEST(DayDrawing, TimeWithoutDataIsAGap) {
  std::vector<std::string> rows;
  int t = 8 * 3600;
  double lat = Drive(rows, t, 20, 60, 38);
  t += 2 * 3600;
  Drive(rows, t, 20, 60, lat + 0.02);
  const Drawn d = Day("14/03/2024", rows, TripRules{});
  EXPECT_EQ(d.facts.noData, 2 * 3600 + 60);
  const std::string route = RouteSvg(d.trace, d.facts);
  const std::string chart = SpeedChartSvg(d.trace, d.facts, TripRules{}, "Europe/Athens");
  const auto paths = [](const std::string& svg, const std::string& start) {
    std::size_t n = 0;
    for (auto at = svg.find(start); at != std::string::npos; at = svg.find(start, at + 1))
      ++n;
    return n;
  };
  EXPECT_EQ(paths(route.substr(route.find("<g class=\"route\">")), "<path class=\"b"), 2u);
  const std::string speed = chart.substr(chart.find("<path class=\"speed\" d=\""));
  EXPECT_EQ(paths(speed.substr(0, speed.find("\"/>")), "M"), 2u) << speed.substr(0, 200);
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

// The points of the route's paths: "M x y L x y ..." pairs.
std::vector<std::pair<double, double>> RoutePoints(const std::string& svg) {
  std::vector<std::pair<double, double>> points;
  const std::size_t from = svg.find("<g class=\"route\">");
  const std::string route = svg.substr(from, svg.find("</g>", from) - from);
  const std::regex pair("[ML]\\s*(-?[0-9.]+)[ ,](-?[0-9.]+)");
  for (auto it = std::sregex_iterator(route.begin(), route.end(), pair);
       it != std::sregex_iterator(); ++it)
    points.emplace_back(std::stod((*it)[1]), std::stod((*it)[2]));
  return points;
}

// A day across 180° is drawn where it drove: due east, left to right, not back across the
// whole world.
TEST(DayDrawing, ADayAcrossTheDateLineIsDrawnWhereItDrove) {
  std::vector<std::string> rows;
  for (int k = 0; k < 20; ++k) {
    const double lon = 179.99 + 0.001 * k;
    rows.push_back(Clock(8 * 3600 + 60 * k) + ";40;-17.0;" +
                   std::to_string(lon >= 180 ? lon - 360 : lon));
  }
  const Drawn d = Day("14/03/2024", rows, TripRules{});
  const auto points = RoutePoints(RouteSvg(d.trace, d.facts));
  ASSERT_GE(points.size(), 2u);
  for (std::size_t i = 1; i < points.size(); ++i)
    EXPECT_GT(points[i].first, points[i - 1].first) << "a step west, across the world";
}

// What a page would drown in is bounded: many stops are a mark a few pixels apart and the
// first 1000 rows of their table; a long route of fixes that jump about is an even sample.
TEST(DayDrawing, ManyStopsAndALongRouteStayWithinBounds) {
  std::vector<std::string> rows;
  int t = 0;
  const TripRules everyStop{.stopSeconds = 0, .speedLimit = {}, .speedingSeconds = 10};
  for (int stop = 0; stop < 1200; ++stop, t += 40) {  // three places in turn
    const std::string place = std::to_string(38 + 0.003 * (stop % 3)) + ";23.7";
    rows.push_back(Clock(t) + ";0;" + place);
    rows.push_back(Clock(t + 20) + ";30;" + place);
  }
  const Drawn stops = Day("14/03/2024", rows, everyStop);
  ASSERT_GT(stops.facts.stops.size(), 1000u);
  const std::string svg = RouteSvg(stops.trace, stops.facts);
  EXPECT_LT(Count(svg, "class=\"stop-mark\""), 50u);
  const std::string page = DayPage({"day.csv", ReadTrackHeader(stops.export_), stops.facts,
                                    stops.trace, TripRules{}, "Europe/Athens"});
  const std::size_t table = page.find("<table class=\"stops\">");
  ASSERT_NE(table, std::string::npos);
  const std::string rowsShown = page.substr(table, page.find("</table>", table) - table);
  EXPECT_EQ(Count(rowsShown, "<tr>"), 1001u) << "the titles and the first 1000";
  EXPECT_NE(page.find("The first 1000 of " + std::to_string(stops.facts.stops.size())),
            std::string::npos);
  EXPECT_NE(page.find("stop, numbered"), std::string::npos) << "the stops' mark in the legend";

  rows.clear();
  std::uint32_t seed = 1;
  const auto next = [&seed] { return (seed = seed * 1664525 + 1013904223) >> 8 & 0xFFFF; };
  for (int k = 0; k < 80000; ++k)  // a fix a second anywhere in a square of 60 m
    rows.push_back(Clock(k) + ";30;" + std::to_string(38 + next() * 8.2e-9) + ";" +
                   std::to_string(23.7 + next() * 1.05e-8));
  const Drawn route = Day("14/03/2024", rows, TripRules{});
  const std::string drawn = RouteSvg(route.trace, route.facts);
  EXPECT_LE(RoutePoints(drawn).size(), 30000u);
  // A steady 30 km/h, on a band's edge, is one colour: one path.
  const std::size_t group = drawn.find("<g class=\"route\">");
  EXPECT_EQ(Count(drawn.substr(group, drawn.find("</g>", group) - group), "<path"), 1u);
}

}  // namespace
