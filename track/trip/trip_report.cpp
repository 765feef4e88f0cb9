#include "trip_report.h"

#include <cstdio>
#include <cstdlib>

#include "report_words.h"

using namespace report_words;

namespace {

// The number as the CSV writes it, so that a workbook holds the same figure.
ReportCell Number(double value, int decimals) {
  const std::string digits = Fixed(value, decimals);
  return ReportCell::Of(std::strtod(digits.c_str(), nullptr), digits);
}

ReportCell CoordinateCell(const std::string& digits) {
  return ReportCell::Of(std::strtod(digits.c_str(), nullptr), digits);
}

ReportCell PlaceCell(const TripPlace& place) {
  return ReportCell::Of(Utf8(place.place));
}

ReportCell Odometer(std::optional<double> km) {
  return km ? Number(*km, 1) : ReportCell{};
}

ReportCell Average(std::optional<double> kmh) {
  return kmh ? Number(*kmh, 1) : ReportCell{};
}

}  // namespace

std::vector<SummaryLine> TripSummary(const TrackHeader& header, const TripFacts& facts,
                                     std::string_view zone, const TripRules& rules) {
  using List = SummaryLine::List;
  const std::string where = " (" + std::string(zone) + ")";
  const bool timed = facts.first.utc != kNoTime;
  std::vector<SummaryLine> lines = {
      {"Vehicle", Utf8(header.vehicle)},
      {"Driver", Utf8(header.driver)},
      {"Date", Utf8(header.date)},
      {"First fix", timed ? LocalTime(facts.first.local) + where : "none"},
      {"Last fix", timed ? LocalTime(facts.last.local) + where : "none"},
      {"Duration", Clock(facts.duration)},
      {"Distance", Fixed(facts.distanceKm, 2) + " km"},
      {"Moving time", Clock(facts.moving)},
      {"Stopped time", Clock(facts.stopped)},
      {"No data", Clock(facts.noData)},
      {StopsTitle(rules), std::to_string(facts.stops.size()), List::Stops},
      {"Legs", std::to_string(facts.legs.size()), List::Legs},
  };
  if (facts.odometerStartKm) {
    // Beside the distance: the vehicle's own reckoning.
    lines.insert(lines.begin() + 7,
                 {"Distance by odometer", Fixed(*facts.odometerEndKm - *facts.odometerStartKm, 1) +
                                              " km (" + Fixed(*facts.odometerStartKm, 1) + " to " +
                                              Fixed(*facts.odometerEndKm, 1) + ")"});
  }
  if (rules.speedLimit)
    lines.push_back({SpeedingTitle(rules), std::to_string(facts.speeding.size()), List::Speeding});
  lines.push_back({"Maximum speed", Speed(facts.maxKmh)});
  lines.push_back({"Average moving speed", Speed(facts.AverageMovingKmh())});
  lines.push_back({"Rows without a fix", std::to_string(facts.rowsWithoutFix)});
  lines.push_back({"Points without a time", std::to_string(facts.pointsWithoutTime)});
  lines.push_back({"Points without a position", std::to_string(facts.pointsWithoutPosition)});
  lines.push_back({"Points out of time order", std::to_string(facts.pointsOutOfOrder)});
  lines.push_back({"Points put in time order", std::to_string(facts.pointsMoved)});
  lines.push_back({"Points left out as jumps", std::to_string(facts.pointsJumped)});
  return lines;
}

std::string TripReportText(const TrackHeader& header, const TripFacts& facts, std::string_view zone,
                           const TripRules& rules) {
  std::string out;
  const auto item = [&out](const std::string& text) { out.append("  ").append(text).append("\n"); };
  for (const SummaryLine& line : TripSummary(header, facts, zone, rules)) {
    out.append(line.name).append(": ").append(line.value).append("\n");
    switch (line.list) {
      case SummaryLine::List::Stops:
        for (const TripStop& stop : facts.stops)
          item(LocalTime(stop.arrival.local) + " for " + Clock(stop.seconds) + " at " +
               Place(stop.arrival));
        break;
      case SummaryLine::List::Legs:
        for (const TripLeg& leg : facts.legs)
          item(LocalTime(leg.start.local) + " to " + LocalTime(leg.end.local) + ", " +
               Fixed(leg.km, 2) + " km in " + Clock(leg.seconds) + ", maximum " +
               Speed(leg.maxKmh) + ", average " + Speed(AverageKmh(leg.km, leg.seconds)) +
               ", from " + Place(leg.start) + " to " + Place(leg.end));
        break;
      case SummaryLine::List::Speeding:
        for (const TripSpeeding& run : facts.speeding)
          item(LocalTime(run.start.local) + " for " + Clock(run.seconds) + ", top " +
               Speed(run.topKmh) + " at " + Place(run.start));
        break;
      case SummaryLine::List::None:
        break;
    }
  }
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
                  {"points_out_of_order", "Points out of time order"},
                  {"no_data_s", "No data (s)"},
                  {"points_put_in_order", "Points put in time order"},
                  {"points_jumped", "Points left out as jumps"},
                  {"odometer_start_km", "Odometer at the start (km)"},
                  {"odometer_end_km", "Odometer at the end (km)"},
                  {"odometer_km", "Distance by odometer (km)"}};
  stops.sheet = "Stops";
  stops.columns = {{"file", "File"},
                   {"vehicle", "Vehicle"},
                   {"stop", "Stop"},
                   {"arrival", "Arrival", true},
                   {"departure", "Departure", true},
                   {"duration_s", "Duration (s)"},
                   {"latitude", "Latitude (°)"},
                   {"longitude", "Longitude (°)"},
                   {"place", "Place"}};
  legs.sheet = "Legs";
  legs.columns = {{"file", "File"},
                  {"vehicle", "Vehicle"},
                  {"leg", "Leg"},
                  {"start", "Start", true},
                  {"start_latitude", "Start latitude (°)"},
                  {"start_longitude", "Start longitude (°)"},
                  {"start_place", "Start place"},
                  {"end", "End", true},
                  {"end_latitude", "End latitude (°)"},
                  {"end_longitude", "End longitude (°)"},
                  {"end_place", "End place"},
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
                      {"longitude", "Longitude (°)"},
                      {"place", "Place"}};
}

void TripTables::Add(std::string_view file, const TrackHeader& header, const TripFacts& facts,
                     const TripRules& rules) {
  using Cell = ReportCell;
  const std::string name(file), vehicle = Utf8(header.vehicle);
  const auto count = [](std::size_t n) { return Cell::Of(static_cast<std::int64_t>(n)); };
  days.rows.push_back(
      {Cell::Of(name),
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
       count(facts.pointsOutOfOrder),
       Cell::Of(facts.noData),
       count(facts.pointsMoved),
       count(facts.pointsJumped),
       Odometer(facts.odometerStartKm),
       Odometer(facts.odometerEndKm),
       facts.odometerStartKm ? Number(*facts.odometerEndKm - *facts.odometerStartKm, 1) : Cell{}});
  for (std::size_t i = 0; i < facts.stops.size(); ++i) {
    const TripStop& s = facts.stops[i];
    stops.rows.push_back({Cell::Of(name), Cell::Of(vehicle), count(i + 1),
                          Cell::At(s.arrival.local, s.arrival.utc),
                          Cell::At(s.departure.local, s.departure.utc), Cell::Of(s.seconds),
                          CoordinateCell(Latitude(s.arrival)), CoordinateCell(Longitude(s.arrival)),
                          PlaceCell(s.arrival)});
  }
  for (std::size_t i = 0; i < facts.legs.size(); ++i) {
    const TripLeg& l = facts.legs[i];
    legs.rows.push_back(
        {Cell::Of(name), Cell::Of(vehicle), count(i + 1), Cell::At(l.start.local, l.start.utc),
         CoordinateCell(Latitude(l.start)), CoordinateCell(Longitude(l.start)), PlaceCell(l.start),
         Cell::At(l.end.local, l.end.utc), CoordinateCell(Latitude(l.end)),
         CoordinateCell(Longitude(l.end)), PlaceCell(l.end), Number(l.km, 2), Cell::Of(l.seconds),
         Number(l.maxKmh, 1), Average(AverageKmh(l.km, l.seconds))});
  }
  for (std::size_t i = 0; i < facts.speeding.size(); ++i) {
    const TripSpeeding& r = facts.speeding[i];
    speeding.rows.push_back({Cell::Of(name), Cell::Of(vehicle), count(i + 1),
                             Cell::At(r.start.local, r.start.utc), Cell::At(r.endLocal, r.endUtc),
                             Cell::Of(r.seconds), Number(r.topKmh, 1), Number(*rules.speedLimit, 1),
                             CoordinateCell(Latitude(r.start)), CoordinateCell(Longitude(r.start)),
                             PlaceCell(r.start)});
  }
}
