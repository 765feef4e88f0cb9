#include "trip_points.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>

#include "export_reader.h"
#include "jump_filter.h"
#include "line_view.h"

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

struct Number {
  double value = 0;
  bool plain = false;  // a plain decimal, see TripPoint
};

// "-37,59709": up to 15 digits with a decimal comma or point, as exports write them, read as
// the exact quotient of two doubles, the value from_chars gives, at a fraction of its cost.
std::optional<double> PlainNumber(std::string_view text) {
  static constexpr double kTens[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const bool negative = text.starts_with('-');
  if (negative) text.remove_prefix(1);
  std::int64_t digits = 0;
  int count = 0, decimals = -1;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      if (++count > 15) return std::nullopt;  // from_chars reads it
      digits = digits * 10 + (c - '0');
      if (decimals >= 0) ++decimals;
    } else if ((c == ',' || c == '.') && decimals < 0 && count > 0) {
      decimals = 0;
    } else {
      return std::nullopt;
    }
  }
  if (count == 0 || decimals == 0) return std::nullopt;
  const double value = static_cast<double>(digits) / kTens[decimals < 0 ? 0 : decimals];
  return negative ? -value : value;
}

std::optional<Number> ReadNumber(std::string_view text) {
  if (const auto plain = PlainNumber(text)) return Number{*plain, true};
  if (text.starts_with('+') && !text.starts_with("+-")) text.remove_prefix(1);  // "+37.5"
  char buffer[32];
  if (text.empty() || text.size() > sizeof buffer) return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i)
    buffer[i] = text[i] == ',' ? '.' : text[i];
  double value = 0;
  const auto [end, error] = std::from_chars(buffer, buffer + text.size(), value);
  if (error != std::errc() || end != buffer + text.size()) return std::nullopt;
  return Number{value, false};
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

bool Standing(const TripPoint& a, const TripPoint& b) {
  return a.hasSpeed && b.hasSpeed && a.kmh == 0 && b.kmh == 0;
}

bool NoDataBetween(const TripPoint& a, const TripPoint& b) {
  // A vehicle that stood when its rows stopped stands until its next fix, as a stop lasts.
  const bool stood = a.hasSpeed && a.kmh == 0;
  return b.utc - a.utc > kNoDataSeconds && !stood;
}

bool IsPosition(double lat, double lon) {
  return std::isfinite(lat) && std::isfinite(lon) && lat >= -90 && lat <= 90 && lon >= -180 &&
         lon < 180;
}

bool HasPosition(const FixTexts& fix) {
  const auto lat = ReadNumber(fix.latitude), lon = ReadNumber(fix.longitude);
  return lat && lon && IsPosition(lat->value, lon->value);
}

bool StandsStill(const FixTexts& fix) {
  const auto kmh = ReadNumber(fix.speed);
  return kmh && kmh->value == 0;
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

std::vector<std::size_t> EntryOffsets(std::string_view rows, const RowTimes& times,
                                      LineBreaks breaks) {
  std::vector<std::size_t> offsets;
  offsets.reserve(times.row.size());
  std::size_t row = 0;
  for (std::size_t start = 0; start < rows.size() && offsets.size() < times.row.size(); ++row) {
    if (times.row[offsets.size()] == row) offsets.push_back(start);
    start = LineAtOffset(rows, start, breaks).next;
  }
  return offsets;
}

void ReadTrip(std::string_view text, const TrackHeader& header, const RowTimes& times,
              std::span<TripWriter* const> writers) {
  JumpFilter trip(writers);
  trip.Begin(times);
  const std::string_view rows =
      TextFromLine(text, static_cast<std::size_t>(header.firstDataLine), header.breaks);
  if (!times.inTimeOrder.empty()) {
    // In no order: what has no instant has no place; the rest comes in the order of its
    // instants.
    RowTimeReader reader(times, 0, true);
    std::size_t row = 0;
    ForEachLine(
        rows,
        [&](std::string_view line) {
          const auto fix = ReadFix(line);
          const RowTime time = reader.At(row++);
          if (!fix) {
            trip.NoFix();
          } else if (time.utc == kNoTime) {
            trip.LeftOut(TripPointOf(*fix, time));
          }
        },
        header.breaks);
    const std::vector<std::size_t> offsets = EntryOffsets(rows, times, header.breaks);
    for (const std::uint32_t entry : times.inTimeOrder) {
      const std::size_t start = offsets[entry];
      const std::string_view line =
          rows.substr(start, LineAtOffset(rows, start, header.breaks).end - start)
              .substr(0, kLineReadLimit);
      const RowTime time{times.local[entry], times.utc[entry], true, false};
      trip.Fix(TripPointOf(*ReadFix(line), time, line, header));
    }
    trip.End();
    return;
  }
  RowTimeReader reader(times, times.newestFirst ? times.rows - 1 : 0, !times.newestFirst);
  const auto hand = [&](std::string_view line, std::size_t row) {
    const auto fix = ReadFix(line);
    if (!fix) {
      trip.NoFix();
      return;
    }
    const RowTime time = reader.At(row);
    if (time.outOfOrder) {
      trip.LeftOut(TripPointOf(*fix, time));
    } else {
      trip.Fix(TripPointOf(*fix, time, line, header));
    }
  };
  if (times.newestFirst) {
    std::size_t row = times.rows;
    ForEachLineFromEnd(
        rows, [&](std::string_view line) { hand(line, row > 0 ? --row : row); }, header.breaks);
  } else {
    std::size_t row = 0;
    ForEachLine(
        rows, [&](std::string_view line) { hand(line, row++); }, header.breaks);
  }
  trip.End();
}
