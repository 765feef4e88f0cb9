#include "trip_report.h"

#include <cstdio>
#include <cstdlib>

#include "cp1253.h"
#include "shown_text.h"

namespace {

std::string Clock(std::int64_t seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}

std::string LocalTime(std::int64_t local) {
  if (local == kNoTime) return "none";
  std::string text;
  AppendIsoTime(text, local);
  text[10] = ' ';
  return text;
}

std::string Fixed(double value, int decimals) {
  char text[400];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// A text of the export in UTF-8, its control characters escaped as in the tool's messages.
std::string Utf8(std::string_view exportText) {
  std::string text;
  for (const char c : exportText)
    AppendUtf8(text, Cp1253ToUnicode(static_cast<unsigned char>(c)));
  return Shown(text);
}

// A coordinate as the GPX writes it: a plain decimal, the export's own digits where they are.
std::string Latitude(const TripPlace& place) {
  std::string text;
  AppendPlainDecimal(text, place.latitude, place.plainLatitude, place.lat);
  return text;
}
std::string Longitude(const TripPlace& place) {
  std::string text;
  AppendPlainDecimal(text, place.longitude, place.plainLongitude, place.lon);
  return text;
}

std::string Place(const TripPlace& place) {
  return Latitude(place) + ", " + Longitude(place);
}

std::string Speed(std::optional<double> kmh) {
  return kmh ? Fixed(*kmh, 1) + " km/h" : "none";
}

std::string StopsTitle(const TripRules& rules) {
  if (rules.stopSeconds == 0) return "Stops (every run at speed 0)";
  return "Stops of " + std::to_string(rules.stopSeconds / 60) + " min or more";
}

// The limit as it was given: "90", "90.5".
std::string Limit(double kmh) {
  std::string text = Fixed(kmh, 3);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

std::string SpeedingTitle(const TripRules& rules) {
  return "Runs over " + Limit(*rules.speedLimit) + " km/h for " +
         std::to_string(rules.speedingSeconds) + " s or more";
}

// The number as the CSV writes it, so that a workbook holds the same figure.
ReportCell Number(double value, int decimals) {
  const std::string digits = Fixed(value, decimals);
  return ReportCell::Of(std::strtod(digits.c_str(), nullptr), digits);
}

ReportCell CoordinateCell(const std::string& digits) {
  return ReportCell::Of(std::strtod(digits.c_str(), nullptr), digits);
}

ReportCell Average(std::optional<double> kmh) {
  return kmh ? Number(*kmh, 1) : ReportCell{};
}

}  // namespace

std::string TripReportText(const TrackHeader& header, const TripFacts& facts, std::string_view zone,
                           const TripRules& rules) {
  std::string out;
  const auto line = [&out](std::string_view name, const std::string& value) {
    out.append(name).append(": ").append(value).append("\n");
  };
  const auto item = [&out](const std::string& text) { out.append("  ").append(text).append("\n"); };
  const std::string where = " (" + std::string(zone) + ")";
  const bool timed = facts.first.utc != kNoTime;
  line("Vehicle", Utf8(header.vehicle));
  line("Driver", Utf8(header.driver));
  line("Date", Utf8(header.date));
  line("First fix", timed ? LocalTime(facts.first.local) + where : "none");
  line("Last fix", timed ? LocalTime(facts.last.local) + where : "none");
  line("Duration", Clock(facts.duration));
  line("Distance", Fixed(facts.distanceKm, 2) + " km");
  line("Moving time", Clock(facts.moving));
  line("Stopped time", Clock(facts.stopped));
  line(StopsTitle(rules), std::to_string(facts.stops.size()));
  for (const TripStop& stop : facts.stops)
    item(LocalTime(stop.arrival.local) + " for " + Clock(stop.seconds) + " at " +
         Place(stop.arrival));
  line("Legs", std::to_string(facts.legs.size()));
  for (const TripLeg& leg : facts.legs)
    item(LocalTime(leg.start.local) + " to " + LocalTime(leg.end.local) + ", " + Fixed(leg.km, 2) +
         " km in " + Clock(leg.seconds) + ", maximum " + Speed(leg.maxKmh) + ", average " +
         Speed(AverageKmh(leg.km, leg.seconds)) + ", from " + Place(leg.start) + " to " +
         Place(leg.end));
  if (rules.speedLimit) {
    line(SpeedingTitle(rules), std::to_string(facts.speeding.size()));
    for (const TripSpeeding& run : facts.speeding)
      item(LocalTime(run.start.local) + " for " + Clock(run.seconds) + ", top " +
           Speed(run.topKmh) + " at " + Place(run.start));
  }
  line("Maximum speed", Speed(facts.maxKmh));
  line("Average moving speed", Speed(facts.AverageMovingKmh()));
  line("Rows without a fix", std::to_string(facts.rowsWithoutFix));
  line("Points without a time", std::to_string(facts.pointsWithoutTime));
  line("Points without a position", std::to_string(facts.pointsWithoutPosition));
  line("Points out of time order", std::to_string(facts.pointsOutOfOrder));
  return out;
}

TripTables::TripTables(std::string timeZone) : zone(std::move(timeZone)) {
  days.sheet = "Days";
  days.columns = {{"file", "File"},
                  {"vehicle", "Vehicle"},
                  {"driver", "Driver"},
                  {"date", "Date"},
                  {"time_zone", "Time zone"},
                  {"first_fix", "First fix", true},
                  {"last_fix", "Last fix", true},
                  {"duration_s", "Duration (s)"},
                  {"distance_km", "Distance (km)"},
                  {"moving_s", "Moving time (s)"},
                  {"stopped_s", "Stopped time (s)"},
                  {"stops", "Stops"},
                  {"max_speed_kmh", "Maximum speed (km/h)"},
                  {"average_moving_speed_kmh", "Average moving speed (km/h)"},
                  {"rows_without_fix", "Rows without a fix"},
                  {"points_without_time", "Points without a time"},
                  {"legs", "Legs"},
                  {"speeding_runs", "Runs over the speed limit"},
                  {"points_without_position", "Points without a position"},
                  {"points_out_of_order", "Points out of time order"}};
  stops.sheet = "Stops";
  stops.columns = {{"file", "File"},
                   {"vehicle", "Vehicle"},
                   {"stop", "Stop"},
                   {"arrival", "Arrival", true},
                   {"departure", "Departure", true},
                   {"duration_s", "Duration (s)"},
                   {"latitude", "Latitude (°)"},
                   {"longitude", "Longitude (°)"}};
  legs.sheet = "Legs";
  legs.columns = {{"file", "File"},
                  {"vehicle", "Vehicle"},
                  {"leg", "Leg"},
                  {"start", "Start", true},
                  {"start_latitude", "Start latitude (°)"},
                  {"start_longitude", "Start longitude (°)"},
                  {"end", "End", true},
                  {"end_latitude", "End latitude (°)"},
                  {"end_longitude", "End longitude (°)"},
                  {"distance_km", "Distance (km)"},
                  {"driving_s", "Driving time (s)"},
                  {"max_speed_kmh", "Maximum speed (km/h)"},
                  {"average_speed_kmh", "Average speed (km/h)"}};
  speeding.sheet = "Speeding";
  speeding.columns = {{"file", "File"},
                      {"vehicle", "Vehicle"},
                      {"run", "Run"},
                      {"start", "Start", true},
                      {"end", "End", true},
                      {"duration_s", "Duration (s)"},
                      {"top_speed_kmh", "Top speed (km/h)"},
                      {"speed_limit_kmh", "Speed limit (km/h)"},
                      {"latitude", "Latitude (°)"},
                      {"longitude", "Longitude (°)"}};
}

void TripTables::Add(std::string_view file, const TrackHeader& header, const TripFacts& facts,
                     const TripRules& rules) {
  using Cell = ReportCell;
  const std::string name(file), vehicle = Utf8(header.vehicle);
  const auto count = [](std::size_t n) { return Cell::Of(static_cast<std::int64_t>(n)); };
  days.rows.push_back({Cell::Of(name),
                       Cell::Of(vehicle),
                       Cell::Of(Utf8(header.driver)),
                       Cell::Of(Utf8(header.date)),
                       Cell::Of(zone),
                       Cell::At(facts.first.local, facts.first.utc),
                       Cell::At(facts.last.local, facts.last.utc),
                       Cell::Of(facts.duration),
                       Number(facts.distanceKm, 2),
                       Cell::Of(facts.moving),
                       Cell::Of(facts.stopped),
                       count(facts.stops.size()),
                       facts.maxKmh ? Number(*facts.maxKmh, 1) : Cell{},
                       Average(facts.AverageMovingKmh()),
                       count(facts.rowsWithoutFix),
                       count(facts.pointsWithoutTime),
                       count(facts.legs.size()),
                       rules.speedLimit ? count(facts.speeding.size()) : Cell{},
                       count(facts.pointsWithoutPosition),
                       count(facts.pointsOutOfOrder)});
  for (std::size_t i = 0; i < facts.stops.size(); ++i) {
    const TripStop& s = facts.stops[i];
    stops.rows.push_back(
        {Cell::Of(name), Cell::Of(vehicle), count(i + 1), Cell::At(s.arrival.local, s.arrival.utc),
         Cell::At(s.departure.local, s.departure.utc), Cell::Of(s.seconds),
         CoordinateCell(Latitude(s.arrival)), CoordinateCell(Longitude(s.arrival))});
  }
  for (std::size_t i = 0; i < facts.legs.size(); ++i) {
    const TripLeg& l = facts.legs[i];
    legs.rows.push_back({Cell::Of(name), Cell::Of(vehicle), count(i + 1),
                         Cell::At(l.start.local, l.start.utc), CoordinateCell(Latitude(l.start)),
                         CoordinateCell(Longitude(l.start)), Cell::At(l.end.local, l.end.utc),
                         CoordinateCell(Latitude(l.end)), CoordinateCell(Longitude(l.end)),
                         Number(l.km, 2), Cell::Of(l.seconds), Number(l.maxKmh, 1),
                         Average(AverageKmh(l.km, l.seconds))});
  }
  for (std::size_t i = 0; i < facts.speeding.size(); ++i) {
    const TripSpeeding& r = facts.speeding[i];
    speeding.rows.push_back({Cell::Of(name), Cell::Of(vehicle), count(i + 1),
                             Cell::At(r.start.local, r.start.utc), Cell::At(r.endLocal, r.endUtc),
                             Cell::Of(r.seconds), Number(r.topKmh, 1), Number(*rules.speedLimit, 1),
                             CoordinateCell(Latitude(r.start)),
                             CoordinateCell(Longitude(r.start))});
  }
}
