#include "trip_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <numbers>

#include "cp1253.h"

namespace {

constexpr double kEarthRadiusKm = 6371.0088;  // the mean radius

double GreatCircleKm(const TripPoint& a, const TripPoint& b) {
  constexpr double kRadians = std::numbers::pi / 180;
  const double dLat = (b.lat - a.lat) * kRadians, dLon = (b.lon - a.lon) * kRadians;
  const double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                   std::cos(a.lat * kRadians) * std::cos(b.lat * kRadians) * std::sin(dLon / 2) *
                       std::sin(dLon / 2);
  return 2 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(h)));
}

std::string Clock(std::int64_t seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}

std::string LocalTime(std::int64_t local) {
  if (local == kNoTime) return {};
  std::string text;
  AppendIsoTime(text, local);
  text[10] = ' ';
  return text;
}

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Utf8(std::string_view exportText) {
  std::string text;
  for (const char c : exportText)
    AppendUtf8(text, Cp1253ToUnicode(static_cast<unsigned char>(c)));
  return text;
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted.push_back('"');
    quoted.push_back(c);
  }
  return quoted + "\"";
}

}  // namespace

TripFacts ComputeTripFacts(const std::vector<TripPoint>& points, std::int64_t stopSeconds) {
  TripFacts facts;
  const TripPoint* previous = nullptr;  // the last fix whose numbers read
  const TripPoint* runStart = nullptr;  // the first fix of the run of speed 0 going on
  const TripPoint* runLast = nullptr;
  double runKm = 0;  // travelled within that run
  const auto endRun = [&] {
    if (runStart != nullptr && runStart->local != kNoTime && runLast->local != kNoTime) {
      const std::int64_t seconds = runLast->local - runStart->local;
      if (seconds > 0 && seconds >= stopSeconds) {
        facts.stops.push_back(
            TripStop{runStart->local, seconds, runStart->latitude, runStart->longitude});
        facts.stopped += seconds;
        facts.movingKm -= runKm;
      }
    }
    runStart = runLast = nullptr;
    runKm = 0;
  };
  for (const TripPoint& p : points) {
    if (p.local == kNoTime) ++facts.pointsWithoutTime;
    if (!p.read) continue;
    if (p.local != kNoTime) {
      if (facts.first == kNoTime) facts.first = p.local;
      facts.last = p.local;
    }
    facts.maxKmh = std::max(facts.maxKmh, p.kmh);
    const double km = previous != nullptr ? GreatCircleKm(*previous, p) : 0;
    facts.distanceKm += km;
    facts.movingKm += km;
    if (p.kmh == 0) {
      if (runStart == nullptr) {
        runStart = &p;
      } else {
        runKm += km;
      }
      runLast = &p;
    } else {
      endRun();
    }
    previous = &p;
  }
  endRun();
  if (facts.first != kNoTime) facts.duration = facts.last - facts.first;
  facts.moving = facts.duration - facts.stopped;
  return facts;
}

std::string TripReportText(const TrackHeader& header, const TripFacts& facts, std::string_view zone,
                           std::int64_t stopSeconds) {
  std::string out;
  const auto line = [&out](std::string_view name, const std::string& value) {
    out.append(name).append(": ").append(value).append("\n");
  };
  const std::string where = " (" + std::string(zone) + ")";
  line("Vehicle", Utf8(header.vehicle));
  line("Driver", Utf8(header.driver));
  line("Date", Utf8(header.date));
  line("First fix", facts.first == kNoTime ? "none" : LocalTime(facts.first) + where);
  line("Last fix", facts.last == kNoTime ? "none" : LocalTime(facts.last) + where);
  line("Duration", Clock(facts.duration));
  line("Distance", Fixed(facts.distanceKm, 2) + " km");
  line("Moving time", Clock(facts.moving));
  line("Stopped time", Clock(facts.stopped));
  line("Stops of " + std::to_string(stopSeconds / 60) + " min or more",
       std::to_string(facts.stops.size()));
  for (const TripStop& stop : facts.stops) {
    std::string latitude(stop.latitude), longitude(stop.longitude);
    std::replace(latitude.begin(), latitude.end(), ',', '.');
    std::replace(longitude.begin(), longitude.end(), ',', '.');
    out.append("  ").append(LocalTime(stop.start)).append(" for ").append(Clock(stop.seconds));
    out.append(" at ").append(Utf8(latitude)).append(", ").append(Utf8(longitude)).append("\n");
  }
  line("Maximum speed", Fixed(facts.maxKmh, 1) + " km/h");
  line("Average moving speed",
       facts.moving > 0 ? Fixed(facts.movingKm / (facts.moving / 3600.0), 1) + " km/h" : "none");
  line("Rows without a fix", std::to_string(facts.rowsWithoutFix));
  line("Points without a time", std::to_string(facts.pointsWithoutTime));
  return out;
}

std::string TripReportCsvHeader() {
  return "file,vehicle,driver,date,time_zone,first_fix,last_fix,duration_s,distance_km,"
         "moving_s,stopped_s,stops,max_speed_kmh,average_moving_speed_kmh,rows_without_fix,"
         "points_without_time\n";
}

std::string TripReportCsvRow(std::string_view file, const TrackHeader& header,
                             const TripFacts& facts, std::string_view zone) {
  const std::string fields[] = {
      CsvField(file),
      CsvField(Utf8(header.vehicle)),
      CsvField(Utf8(header.driver)),
      CsvField(Utf8(header.date)),
      CsvField(zone),
      LocalTime(facts.first),
      LocalTime(facts.last),
      std::to_string(facts.duration),
      Fixed(facts.distanceKm, 2),
      std::to_string(facts.moving),
      std::to_string(facts.stopped),
      std::to_string(facts.stops.size()),
      Fixed(facts.maxKmh, 1),
      facts.moving > 0 ? Fixed(facts.movingKm / (facts.moving / 3600.0), 1) : "",
      std::to_string(facts.rowsWithoutFix),
      std::to_string(facts.pointsWithoutTime),
  };
  std::string row;
  for (std::size_t i = 0; i < std::size(fields); ++i)
    row.append(i == 0 ? "" : ",").append(fields[i]);
  return row + "\n";
}
