#include "trip_points.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>

#include "export_reader.h"
#include "fix_numbers.h"

namespace {

constexpr double kEarthRadiusKm = 6371.0088;  // the mean radius
constexpr double kRadians = std::numbers::pi / 180;

// sin x, and asin x, by their series where x is small, as between two fixes seconds apart: as
// exact as the library's in doubles, and a day of a million fixes is not spent on them.
double Sine(double x) {
  if (std::abs(x) > 1e-2) return std::sin(x);
  const double x2 = x * x;
  return x * (1 - x2 / 6 * (1 - x2 / 20 * (1 - x2 / 42)));
}
double ArcSine(double x) {
  if (x > 1e-2) return std::asin(std::min(1.0, x));
  const double x2 = x * x;
  return x * (1 + x2 * (1.0 / 6 + x2 * (3.0 / 40 + x2 * 15.0 / 336)));
}

}  // namespace

TripPoint TripPointOf(const FixTexts& fix, const RowTime& time) {
  TripPoint p;
  p.local = time.local;
  p.utc = time.utc;
  p.inOrder = time.inOrder;
  p.latitude = fix.latitude;
  p.longitude = fix.longitude;
  p.speed = fix.speed;
  const auto lat = ReadNumber(fix.latitude), lon = ReadNumber(fix.longitude);
  const auto kmh = ReadNumber(fix.speed);
  p.position = lat && lon && IsPosition(lat->value, lon->value);
  if (p.position) {
    p.lat = lat->value;
    p.lon = lon->value;
    p.cosLat = std::cos(p.lat * kRadians);
    p.plainLatitude = lat->plain;
    p.plainLongitude = lon->plain;
  }
  p.hasSpeed = kmh && std::isfinite(kmh->value) && kmh->value >= 0;
  if (p.hasSpeed) {
    p.kmh = kmh->value;
    p.plainSpeed = kmh->plain;
  }
  return p;
}

namespace {

// Field `n` (from 1) of a row, or nothing when the row has fewer fields.
std::optional<std::string_view> FieldOf(std::string_view row, int n) {
  for (int field = 1; field < n; ++field) {
    const std::size_t at = row.find(';');
    if (at == std::string_view::npos) return std::nullopt;
    row.remove_prefix(at + 1);
  }
  return row.substr(0, row.find(';'));
}

}  // namespace

TripPoint TripPointOf(const FixTexts& fix, const RowTime& time, std::string_view row,
                      const TrackHeader& header) {
  TripPoint p = TripPointOf(fix, time);
  if (header.placeField > 0) p.place = FieldOf(row, header.placeField).value_or("");
  if (header.odometerField > 0) {
    const auto text = FieldOf(row, header.odometerField);
    const auto km = text ? ReadNumber(*text) : std::nullopt;
    if (km && std::isfinite(km->value) && km->value >= 0) p.odometerKm = km->value;
  }
  return p;
}

double DistanceKm(const TripPoint& a, const TripPoint& b) {
  // The haversine.
  const double dLat = Sine((b.lat - a.lat) * kRadians / 2);
  const double dLon = Sine((b.lon - a.lon) * kRadians / 2);
  const double h = dLat * dLat + a.cosLat * b.cosLat * dLon * dLon;
  return 2 * kEarthRadiusKm * ArcSine(std::sqrt(h));
}

double FlatDistanceKm(const TripPoint& a, const TripPoint& b) {
  const double dLat = (b.lat - a.lat) * kRadians;
  const double dLon = (b.lon - a.lon) * kRadians * (a.cosLat + b.cosLat) / 2;
  return kEarthRadiusKm * std::sqrt(dLat * dLat + dLon * dLon);
}

bool Standing(const TripPoint& a, const TripPoint& b) {
  return a.hasSpeed && b.hasSpeed && a.kmh == 0 && b.kmh == 0;
}

bool NoDataBetween(const TripPoint& a, const TripPoint& b) {
  // A vehicle that stood when its rows stopped stands until its next fix, as a stop lasts.
  const bool stood = a.hasSpeed && a.kmh == 0;
  return b.utc - a.utc > kNoDataSeconds && !stood;
}

void AppendPlainDecimal(std::string& out, std::string_view text, bool plain, double value) {
  if (plain) {
    const std::size_t at = out.size();
    out.append(text);
    if (const std::size_t comma = out.find(',', at); comma != std::string::npos) out[comma] = '.';
    return;
  }
  char digits[400];  // the longest fixed form of a finite double
  const auto written =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
  out.append(digits, written.ptr);
}
