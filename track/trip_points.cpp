#include "trip_points.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

#include "export_reader.h"
#include "line_view.h"

namespace {

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

bool IsPosition(double lat, double lon) {
  return std::isfinite(lat) && std::isfinite(lon) && lat >= -90 && lat <= 90 && lon >= -180 &&
         lon < 180;
}

bool HasPosition(const FixTexts& fix) {
  const auto lat = ReadNumber(fix.latitude), lon = ReadNumber(fix.longitude);
  return lat && lon && IsPosition(lat->value, lon->value);
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

void ReadTrip(std::string_view text, const TrackHeader& header, const RowTimes& times,
              std::span<TripWriter* const> writers) {
  const std::string_view rows =
      TextFromLine(text, static_cast<std::size_t>(header.firstDataLine), header.breaks);
  RowTimeReader reader(times, times.newestFirst ? times.rows - 1 : 0, !times.newestFirst);
  const auto hand = [&](std::string_view line, std::size_t row) {
    if (const auto fix = ReadFix(line)) {
      const TripPoint point = TripPointOf(*fix, reader.At(row));
      for (TripWriter* writer : writers)
        writer->Fix(point);
    } else {
      for (TripWriter* writer : writers)
        writer->NoFix();
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
  for (TripWriter* writer : writers)
    writer->End();
}
