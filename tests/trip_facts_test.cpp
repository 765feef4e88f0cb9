// The trip's facts and GPX from exports made for each case: days the clocks change on, rows
// out of order, positions and speeds at and past their edges, legs and runs over a limit
// worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "export_generator.h"
#include "export_reader.h"
#include "export_rows.h"
#include "gpx_document.h"
#include "greek.h"
#include "jump_filter.h"
#include "time_zone.h"
#include "trip_facts.h"
#include "trip_reading.h"
#include "trip_report.h"

namespace {

// Rows every `step` seconds of the local clock from `from` to `to` ("hh:mm:ss"), at `speed`;
// each row that moves goes 0.001 degrees north.
struct Rows {
  std::string from, to;
  int step;
  std::string speed;
};

int Seconds(const std::string& clock) {
  int h = 0, m = 0, s = 0;
  std::sscanf(clock.c_str(), "%d:%d:%d", &h, &m, &s);
  return h * 3600 + m * 60 + s;
}

std::string Header(const std::string& date) {
  return greek::kVehicleLabel + greek::kVehicle + ";\r\n" + greek::kDriverLabel + greek::kDriver +
         ";\r\n" + greek::kDateLabel + date + ";\r\n" + greek::kTitleLabel + "x\r\n";
}

std::string Row(int second, const std::string& speed, const std::string& lat,
                const std::string& lon) {
  char time[16];
  std::snprintf(time, sizeof time, "%02d:%02d:%02d", second / 3600 % 24, second / 60 % 60,
                second % 60);
  return std::string(time) + ";x;" + speed + ";y;" + lat + ";" + lon + "\r\n";
}

std::string Export(const std::string& date, const std::vector<Rows>& runs) {
  std::string text = Header(date);
  int north = 0;
  for (const Rows& run : runs) {
    for (int t = Seconds(run.from); t <= Seconds(run.to); t += run.step) {
      if (run.speed != "0") ++north;
      char lat[32];
      std::snprintf(lat, sizeof lat, "37,%05d", 50000 + north * 100);
      text += Row(t, run.speed, lat, "23,70000");
    }
  }
  return text;
}

struct Day {
  RowTimes times;
  TripFacts facts;
};

Day Read(const std::string& text, const std::string& zone, const TripRules& rules) {
  Day day;
  const TrackHeader header = ReadTrackHeader(text);
  day.times = ReadRowTimes(header, text);
  PutUtcTimes(day.times, ZoneClock(zone));
  TripFactsWriter facts(rules);
  TripWriter* const writers[] = {&facts};
  ReadTrip(text, header, day.times, writers);
  day.facts = facts.Facts();
  return day;
}

// Every timed figure counts the time that passed, whatever the clocks did.
TEST(TripFacts, DaysTheClocksChangeOn) {
  struct Case {
    std::string name, zone, date;
    std::vector<Rows> runs;
    std::int64_t duration, stopped;
    std::size_t stops;
  } cases[] = {
      {"Athens, clocks forward at 03:00: a 20-minute stop across it",
       "Europe/Athens",
       "31/03/2024",
       {{"02:00:00", "02:49:00", 60, "40"},
        {"02:50:00", "02:59:00", 60, "0"},
        {"04:00:00", "04:09:00", 60, "0"},
        {"04:10:00", "05:00:00", 60, "40"}},
       2 * 3600,
       20 * 60,
       1},
      {"Athens, clocks back at 04:00: a 50-minute stop across it",
       "Europe/Athens",
       "27/10/2024",
       {{"02:00:00", "03:39:00", 60, "40"},
        {"03:40:00", "03:59:00", 60, "0"},
        {"03:00:00", "03:29:00", 60, "0"},
        {"03:30:00", "05:00:00", 60, "40"}},
       4 * 3600,
       50 * 60,
       1},
      {"Athens, clocks back: a stop across it with no row while it stood",
       "Europe/Athens",
       "27/10/2024",
       {{"02:00:00", "03:39:00", 60, "40"},
        {"03:40:00", "03:40:00", 60, "0"},
        {"03:30:00", "05:00:00", 60, "40"}},
       4 * 3600,
       50 * 60,
       1},
      {"New York, clocks forward at 02:00",
       "America/New_York",
       "10/03/2024",
       {{"01:00:00", "01:59:00", 60, "30"}, {"03:00:00", "04:00:00", 60, "30"}},
       2 * 3600,
       0,
       0},
      {"New York, clocks back at 02:00",
       "America/New_York",
       "03/11/2024",
       {{"00:30:00", "01:59:00", 60, "30"}, {"01:00:00", "02:30:00", 60, "30"}},
       3 * 3600,
       0,
       0},
  };
  for (const Case& c : cases) {
    const Day day = Read(Export(c.date, c.runs), c.zone, TripRules{});
    EXPECT_EQ(day.facts.duration, c.duration) << c.name;
    EXPECT_EQ(day.facts.stopped, c.stopped) << c.name;
    EXPECT_EQ(day.facts.moving, c.duration - c.stopped) << c.name;
    EXPECT_EQ(day.facts.stops.size(), c.stops) << c.name;
    EXPECT_EQ(day.times.outOfOrderCount, 0u) << c.name;
  }
}

// Two rows swapped in the first passing of the repeated hour stay in it: only they are out of
// place, and one of them is out of order. Rows out of order and a day rolling past 9999 leave
// no figure negative.
TEST(TripFacts, RowsOutOfOrder) {
  const std::vector<Rows> hours = {{"02:30:00", "03:59:00", 60, "40"},
                                   {"03:00:00", "04:29:00", 60, "40"}};
  const std::string text = Export("27/10/2024", hours);
  std::string swapped = text;
  const auto a = swapped.find("03:10:00"), b = swapped.find("03:11:00");
  swapped.replace(a, 8, "03:11:00");
  swapped.replace(b, 8, "03:10:00");
  const Day right = Read(text, "Europe/Athens", TripRules{});
  const Day day = Read(swapped, "Europe/Athens", TripRules{});
  std::size_t differ = 0;
  for (std::size_t k = 0; k < right.times.utc.size(); ++k)
    differ += right.times.utc[k] != day.times.utc[k];
  EXPECT_EQ(differ, 2u) << "the two swapped rows, and no other";
  EXPECT_EQ(day.times.outOfOrderCount, 1u);
  EXPECT_EQ(day.facts.duration, 3 * 3600 - 60);

  const Day back =
      Read(Header("22/10/2013") + Row(9 * 3600, "40", "37,5", "23,7") +
               Row(8 * 3600, "0", "37,5", "23,7") + Row(10 * 3600, "40", "37,6", "23,7"),
           "Europe/Athens", TripRules{});
  EXPECT_EQ(back.facts.pointsOutOfOrder, 1u);
  const Day stray =
      Read(Header("22/10/2013") + Row(20 * 3600, "40", "37,5", "23,7") +
               Row(20 * 3600 + 10, "40", "37,5", "23,7") + Row(0, "40", "37,5", "23,7") +
               Row(20 * 3600 + 20, "40", "37,5", "23,7"),
           "Europe/Athens", TripRules{});
  EXPECT_EQ(stray.facts.duration, 20) << "a row at 00:00:00 among 20:00 ones is no new day";
  EXPECT_EQ(stray.facts.pointsOutOfOrder, 1u);
  EXPECT_GE(back.facts.duration, 0);
  EXPECT_GE(back.facts.moving, 0);
  EXPECT_LE(back.facts.stopped, back.facts.duration);

  const Day last = Read(Header("31/12/9999") + Row(23 * 3600 + 59 * 60, "40", "37,5", "23,7") +
                            Row(60, "40", "37,6", "23,7"),
                        "America/New_York", TripRules{});
  EXPECT_EQ(last.facts.pointsWithoutTime, 2u) << "the second rolls into 10000, the first's UTC";
}

// The hand-worked day: moving rows go 0.001 degrees north each (0.111195 km), every 10 s.
TEST(TripFacts, LegsAndRunsOverTheLimit) {
  const std::string text = Export("22/10/2013", {{"07:00:00", "07:00:50", 10, "40"},
                                                 {"07:01:00", "07:01:30", 10, "0"},
                                                 {"07:01:40", "07:02:30", 10, "60"},
                                                 {"07:02:40", "07:02:40", 10, "0"},
                                                 {"07:02:50", "07:03:00", 10, "60"}});
  const Day day = Read(text, "Europe/Athens",
                       TripRules{.stopSeconds = 0, .speedLimit = 50, .speedingSeconds = 10});
  const TripFacts& f = day.facts;
  ASSERT_EQ(f.stops.size(), 2u);
  EXPECT_EQ(f.stops[0].seconds, 40) << "arrival 07:01:00 to departure 07:01:40";
  EXPECT_EQ(f.stops[1].seconds, 10) << "one fix at speed 0 is a stop of 0 minutes or more";
  ASSERT_EQ(f.legs.size(), 3u);
  const double step = 0.111195;
  const struct {
    std::int64_t seconds;
    double km, maxKmh;
  } legs[] = {{60, 5 * step, 40}, {60, 5 * step, 60}, {10, 1 * step, 60}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(f.legs[i].seconds, legs[i].seconds) << i;
    EXPECT_NEAR(f.legs[i].km, legs[i].km, 1e-5) << i;
    EXPECT_EQ(f.legs[i].maxKmh, legs[i].maxKmh) << i;
  }
  ASSERT_EQ(f.speeding.size(), 2u);
  EXPECT_EQ(f.speeding[0].seconds, 60) << "07:01:40 to 07:02:40, when it stood";
  EXPECT_EQ(f.speeding[1].seconds, 10) << "07:02:50 to the day's last fix";
  EXPECT_EQ(f.duration, 180);
  EXPECT_EQ(f.stopped, 50);
  EXPECT_NEAR(f.distanceKm, 13 * step, 1e-5);
  // A stop exactly as long as the rule asks counts; one a second shorter does not.
  EXPECT_EQ(Read(text, "Europe/Athens", TripRules{.stopSeconds = 40, .speedLimit = {}})
                .facts.stops.size(),
            1u);
  EXPECT_EQ(Read(text, "Europe/Athens", TripRules{.stopSeconds = 41, .speedLimit = {}})
                .facts.stops.size(),
            0u);
}

// The speed element as viewers read it, in m/s.
std::string Speed(const std::string& metresPerSecond) {
  return "<extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>" + metresPerSecond;
}

// Positions are plain decimals in range or left out (and counted); a speed that is not one has
// no element but keeps its fix; reception lost for a minute starts a new segment.
TEST(TripFacts, GpxPositionsAndSpeeds) {
  const struct {
    std::string lat, lon, speed, point;  // the point as written, or "" when left out
  } cases[] = {
      {"37,5", "23,7", "10", "lat=\"37.5\" lon=\"23.7\">" + Speed("2.778")},
      {"3.801e1", "-180", "1e1", "lat=\"38.01\" lon=\"-180\">" + Speed("2.778")},
      {"90", "179,99999", "0", "lat=\"90\" lon=\"179.99999\">" + Speed("0.000")},
      {"-90", "0", "inf", "lat=\"-90\" lon=\"0\"></trkpt>"},
      {"+37.5", "23", "-", "lat=\"37.5\" lon=\"23\"></trkpt>"},
      {"37", "23", "", "lat=\"37\" lon=\"23\"></trkpt>"},
      {"37", "23", "-5", "lat=\"37\" lon=\"23\"></trkpt>"},
      {"37", "23", "12345678901234567890",
       "lat=\"37\" lon=\"23\">" + Speed("3429355250342935040.000")},
      {"90,0001", "23", "1", ""},
      {"37", "180", "1", ""},
      {"nan", "23", "1", ""},
      {"37", "inf", "1", ""},
      {"1e400", "23", "1", ""},
  };
  for (const auto& c : cases) {
    const std::string text = Header("") + "07:00:00;x;" + c.speed + ";y;" + c.lat + ";" + c.lon;
    const TrackHeader header = ReadTrackHeader(text);
    const RowTimes times = ReadRowTimes(header, text);
    const std::string gpx = GpxDocument(header, text, times);
    if (c.point.empty()) {
      EXPECT_EQ(gpx.find("<trkpt"), std::string::npos) << c.lat << " " << c.lon;
    } else {
      EXPECT_NE(gpx.find("<trkpt " + c.point), std::string::npos) << gpx;
    }
    TripFactsWriter facts{TripRules{}};
    TripWriter* const writers[] = {&facts};
    ReadTrip(text, header, times, writers);
    EXPECT_EQ(facts.Facts().pointsWithoutPosition, c.point.empty() ? 1u : 0u);
    EXPECT_EQ(facts.Facts().maxKmh.has_value(), c.point.find(":speed") != std::string::npos);
  }

  // Rows without a fix for 50 s then 60 s between points: one segment, then a second; then a
  // fix without a position in a gap of 60 s, which hides nothing: a third.
  std::string text = Header("22/10/2013");
  for (const int t : {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150}) {
    const bool fix = t == 0 || t == 50 || t == 110 || t == 150;
    text +=
        fix ? Row(7 * 3600 + t, "40", "37,5", "23,7") : "07:00:00;;0;y;" + greek::kNoFix + ";\r\n";
  }
  text += "07:02:40;;0;y;" + greek::kNoFix + ";\r\n" + Row(7 * 3600 + 200, "40", "abc", "23,7") +
          Row(7 * 3600 + 210, "40", "37,5", "23,7");
  const TrackHeader header = ReadTrackHeader(text);
  RowTimes times = ReadRowTimes(header, text);
  PutUtcTimes(times, ZoneClock("Europe/Athens"));
  const std::string gpx = GpxDocument(header, text, times);
  std::vector<std::string> starts;
  const std::string cut = "</trkseg>\r\n<trkseg>\r\n<trkpt lat=\"37.5\" lon=\"23.7\"><time>";
  for (auto at = gpx.find(cut); at != std::string::npos; at = gpx.find(cut, at + 1))
    starts.push_back(gpx.substr(at + cut.size(), 19));
  EXPECT_EQ(starts, (std::vector<std::string>{"2013-10-22T04:01:50", "2013-10-22T04:03:30"}))
      << gpx;
}

// Without the schema at hand offline, what it asks of the points is checked point by point
// on generated days, newest first and oldest first: decimals, ranges, times in UTC.
TEST(TripFacts, GeneratedGpxHoldsToTheSchemasTypes) {
  const std::regex point(
      "<trkpt lat=\"(-?[0-9]+(\\.[0-9]+)?)\" lon=\"(-?[0-9]+(\\.[0-9]+)?)\">"
      "(<time>[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z</time>)?"
      "(<extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>[0-9]+(\\.[0-9]+)?</gpxtpx:speed>"
      "</gpxtpx:TrackPointExtension></extensions>)?</trkpt>");
  for (const unsigned seed : {1u, 2u, 3u}) {
    const std::string text = GenerateExport(ExportShape{.rows = 3000, .seed = seed}).bytes;
    const TrackHeader header = ReadTrackHeader(text);
    RowTimes times = ReadRowTimes(header, text);
    PutUtcTimes(times, ZoneClock("Europe/Athens"));
    const std::string gpx = GpxDocument(header, text, times);
    std::size_t points = 0;
    for (std::size_t at = gpx.find("<trkpt "); at != std::string::npos;
         at = gpx.find("<trkpt ", at + 1), ++points) {
      const std::string line = gpx.substr(at, gpx.find("\r\n", at) - at);
      std::smatch m;
      ASSERT_TRUE(std::regex_match(line, m, point)) << line;
      EXPECT_LE(std::abs(std::stod(m[1])), 90) << line;
      EXPECT_TRUE(std::stod(m[3]) >= -180 && std::stod(m[3]) < 180) << line;
    }
    EXPECT_GT(points, 2800u) << seed;
  }
}

}  // namespace

namespace {

// A drive due north at `kmh`, a row every `step` seconds from `from`, starting at latitude
// 38: each row as (seconds, speed, latitude, longitude).
struct Fix {
  int second;
  std::string speed;
  double lat, lon = 23.7;
};

std::string Fixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f", value);
  return text;
}

std::vector<Fix> DriveNorth(int from, int rows, int step, double kmh, double lat = 38) {
  constexpr double kKmPerDegree = 6371.0088 * 3.14159265358979323846 / 180;
  std::vector<Fix> fixes;
  for (int k = 0; k < rows; ++k)
    fixes.push_back({from + k * step, Fixed(kmh), lat + k * step * kmh / 3600 / kKmPerDegree});
  return fixes;
}

std::string ExportOf(const std::string& date, const std::vector<Fix>& fixes) {
  std::string text = Header(date);
  for (const Fix& f : fixes) {
    char lat[32], lon[32];
    std::snprintf(lat, sizeof lat, "%.6f", f.lat);
    std::snprintf(lon, sizeof lon, "%.6f", f.lon);
    text += Row(f.second, f.speed, lat, lon);
  }
  return text;
}

std::string Local(std::int64_t t) {
  std::string s;
  AppendIsoTime(s, t);
  return s;
}

// A step is a vehicle's up to 300 km/h, or three times the speed its fixes record, and any
// step within 200 m is a receiver's wander; east and west measured at the latitude.
TEST(TripFacts, AJumpIsAStepNoVehicleMakes) {
  const auto at = [](double lat, double lon, std::int64_t utc, double kmh) {
    TripPoint p;
    p.lat = lat, p.lon = lon, p.cosLat = std::cos(lat * 3.141592653589793 / 180);
    p.utc = utc, p.position = true, p.hasSpeed = true, p.kmh = kmh;
    return p;
  };
  const double kmNorth = 1 / 111.195;  // degrees of latitude
  const struct {
    const char* name;
    TripPoint to;
    bool reachable;
  } cases[] = {
      {"4.9 km north in a minute", at(38 + 4.9 * kmNorth, 23, 60, 0), true},
      {"5.1 km north in a minute", at(38 + 5.1 * kmNorth, 23, 60, 0), false},
      {"5.1 km at a recorded 110 km/h", at(38 + 5.1 * kmNorth, 23, 60, 110), true},
      {"5.1 km east in a minute", at(38, 23 + 5.1 * kmNorth / std::cos(0.6632), 60, 0), false},
      {"4.9 km east in a minute", at(38, 23 + 4.9 * kmNorth / std::cos(0.6632), 60, 0), true},
      {"190 m in no time", at(38 + 0.19 * kmNorth, 23, 0, 0), true},
      {"300 m in no time", at(38 + 0.3 * kmNorth, 23, 0, 0), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(JumpFilter::Reachable(at(38, 23, 0, 0), c.to), c.reachable) << c.name;
}

// What a day says of its rows, whatever order, gaps, standing and strays they come in: a row
// out of order is in no figure (or, most rows being out of order, every row is taken at its
// instant), a stray first row moves nothing, standing adds no distance, time without rows is
// no data, and a jump is left out.
TEST(TripFacts, WhatTheRowsOfADaySay) {
  const int eight = 8 * 3600;
  const std::vector<Fix> drive = DriveNorth(eight, 11, 60, 120);  // 20 km in 10 minutes
  struct Case {
    const char* name;
    std::vector<Fix> fixes;
    double km;
    std::string first, last;
    std::int64_t moving, stopped, noData;
    std::size_t outOfOrder, moved, jumped;
  };
  std::vector<Case> cases;
  const auto add = [&](const char* name, std::vector<Fix> fixes) {
    cases.push_back({name, std::move(fixes), 20, "2024-03-14T08:00:00", "2024-03-14T08:10:00", 600,
                     0, 0, 0, 0, 0});
    return &cases.back();
  };
  add("in order", drive);
  {
    std::vector<Fix> f = drive;
    std::rotate(f.begin() + 3, f.begin() + 4, f.begin() + 8);  // 08:03 after 08:07
    add("one row out of order", f)->outOfOrder = 1;
  }
  {
    std::vector<Fix> f = drive;
    for (const std::size_t k : {3u, 9u, 0u, 7u, 1u, 10u, 5u, 2u, 8u, 4u, 6u})
      f[k] = drive[(k * 7 + 3) % 11];  // every row somewhere else
    auto* c = add("no order at all", f);
    c->moved = 6;  // the longest run in time order has five rows
  }
  {
    std::vector<Fix> f = drive;
    f.insert(f.begin(), Fix{23 * 3600 + 59 * 60 + 59, "0", 38});
    add("a stray first row", f)->outOfOrder = 1;
  }
  {
    std::vector<Fix> f = drive;
    f[5].lat = 0, f[5].lon = 0;
    add("a fix at 0,0", f)->jumped = 1;
    f = drive;
    f[6].lat += 1;
    add("a fix 110 km off", f)->jumped = 1;
    f = drive;
    f[0].lat = 0, f[0].lon = 0;
    auto* c = add("the first fix at 0,0", f);
    c->jumped = 1, c->first = "2024-03-14T08:01:00", c->moving = 540, c->km = 18;
  }
  {
    std::vector<Fix> f;
    for (int k = 0; k <= 60; ++k)  // an hour parked, the receiver wandering 10 m
      f.push_back({eight + k * 60, "0", 38 + (k % 2) * 0.00009});
    auto* c = add("an hour parked", f);
    c->km = 0, c->last = "2024-03-14T09:00:00", c->moving = 0, c->stopped = 3600;
  }
  {
    std::vector<Fix> f = DriveNorth(eight, 11, 60, 60);  // 10 km, then two hours of nothing
    const std::vector<Fix> after = DriveNorth(eight + 7800, 11, 60, 60, f.back().lat + 0.01);
    f.insert(f.end(), after.begin(), after.end());
    auto* c = add("two hours without rows", f);
    c->last = "2024-03-14T10:20:00", c->moving = 1200, c->noData = 7200;
  }
  for (const Case& c : cases) {
    const std::string text = ExportOf("14/03/2024", c.fixes);
    const Day day = Read(text, "Europe/Athens", TripRules{});
    const TripFacts& f = day.facts;
    EXPECT_NEAR(f.distanceKm, c.km, 0.005) << c.name;
    EXPECT_EQ(Local(f.first.local), c.first) << c.name;
    EXPECT_EQ(Local(f.last.local), c.last) << c.name;
    EXPECT_EQ(f.moving, c.moving) << c.name;
    EXPECT_EQ(f.stopped, c.stopped) << c.name;
    EXPECT_EQ(f.noData, c.noData) << c.name;
    EXPECT_EQ(f.pointsOutOfOrder, c.outOfOrder) << c.name;
    EXPECT_EQ(f.pointsMoved, c.moved) << c.name;
    EXPECT_EQ(f.pointsJumped, c.jumped) << c.name;
    for (const TripLeg& leg : f.legs)
      EXPECT_LE(AverageKmh(leg.km, leg.seconds).value_or(0), 120.05) << c.name;
    // The GPX goes in time order, without what the facts leave out as out of order.
    const TrackHeader header = ReadTrackHeader(text);
    const std::string gpx = GpxDocument(header, text, day.times);
    std::vector<std::string> times;
    for (auto at = gpx.find("<time>"); at != std::string::npos; at = gpx.find("<time>", at + 1))
      times.push_back(gpx.substr(at + 6, 20));
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end())) << c.name << gpx;
    EXPECT_EQ(times.size(), c.fixes.size() - c.outOfOrder) << c.name;
  }
}

}  // namespace

namespace {

// The export's own names of places stand beside the coordinates wherever a stop, leg or run
// over the limit is given, escaped as names are; an odometer column gives its readings.
TEST(TripReport, PlacesAndTheOdometerAsTheExportHasThem) {
  const std::string titles = std::string("\xBF\xF1\xE1;\xD4\xEF\xF0\xEF\xE8\xE5\xF3\xDF\xE1") +
                             ";v;s;lat;lon;\xD7\xE9\xEB\xE9\xFC\xEC\xE5\xF4\xF1\xE1\r\n";
  std::string text = greek::kDateLabel + "14/03/2024;\r\n" + titles;
  const struct {
    const char* time;
    const char* place;
    const char* speed;
    const char* lat;
    const char* odometer;
  } rows[] = {
      {"08:00:00", "Depot, \"north\"", "0", "38,00000", "1000,0"},
      {"08:10:00", "Yard\x01", "0", "38,00000", "1000,0"},
      {"08:11:00", "=HYPERLINK(1)", "50", "38,00750", "1000,8"},
      {"08:12:00", "\xC1\xE8\xDE\xED\xE1", "0", "38,01500", "1001,7"},  // "Αθήνα"
      {"08:22:00", "\xC1\xE8\xDE\xED\xE1", "0", "38,01500", "1001,7"},
  };
  for (const auto& r : rows)
    text += std::string(r.time) + ";" + r.place + ";" + r.speed + ";x;" + r.lat + ";23,7;" +
            r.odometer + "\r\n";
  const Day day = Read(text, "Europe/Athens", TripRules{});
  const TrackHeader header = ReadTrackHeader(text);
  const std::string report = TripReportText(header, day.facts, "Europe/Athens", TripRules{});
  EXPECT_NE(report.find("Distance by odometer: 1.7 km (1000.0 to 1001.7)"), std::string::npos)
      << report;
  EXPECT_NE(report.find("for 0:11:00 at 38.00000, 23.7 (Depot, \"north\")"), std::string::npos)
      << report;
  EXPECT_NE(report.find("to 38.01500, 23.7 (Αθήνα)"), std::string::npos) << report;
  TripTables tables("Europe/Athens");
  tables.Add("day.csv", header, day.facts, TripRules{});
  EXPECT_EQ(tables.stops.columns.back().title, "Place");
  const std::string stops = CsvRows(tables.stops), legs = CsvRows(tables.legs);
  EXPECT_NE(stops.find(",\"Depot, \"\"north\"\"\"\n"), std::string::npos) << stops;
  EXPECT_NE(stops.find(",Αθήνα\n"), std::string::npos) << stops;
  EXPECT_NE(legs.find(",'=HYPERLINK(1),"), std::string::npos) << "a formula as text: " << legs;
  EXPECT_NE(CsvRows(tables.days).find(",1000.0,1001.7,1.7\n"), std::string::npos)
      << CsvRows(tables.days);
}

}  // namespace
