#include "trip_points.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "export_reader.h"
#include "line_view.h"

namespace {

std::optional<double> Number(std::string_view text) {
  if (text.starts_with('+') && !text.starts_with("+-")) text.remove_prefix(1);  // "+37.5"
  char buffer[32];
  if (text.empty() || text.size() > sizeof buffer) return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i)
    buffer[i] = text[i] == ',' ? '.' : text[i];
  double value = 0;
  const auto [end, error] = std::from_chars(buffer, buffer + text.size(), value);
  if (error != std::errc() || end != buffer + text.size()) return std::nullopt;
  return value;
}

TripPoint PointOf(const FixTexts& fix, const RowTimes& times, std::size_t row) {
  TripPoint p;
  if (row < times.local.size()) p.local = times.local[row];
  if (row < times.utc.size()) p.utc = times.utc[row];
  p.inOrder = p.utc != kNoTime && row < times.outOfOrder.size() && !times.outOfOrder[row];
  p.latitude = fix.latitude;
  p.longitude = fix.longitude;
  p.speed = fix.speed;
  const auto lat = Number(fix.latitude), lon = Number(fix.longitude), kmh = Number(fix.speed);
  p.position = lat && lon && IsPosition(*lat, *lon);
  if (p.position) {
    p.lat = *lat;
    p.lon = *lon;
  }
  p.hasSpeed = kmh && std::isfinite(*kmh) && *kmh >= 0;
  if (p.hasSpeed) p.kmh = *kmh;
  return p;
}

}  // namespace

bool IsPosition(double lat, double lon) {
  return std::isfinite(lat) && std::isfinite(lon) && lat >= -90 && lat <= 90 && lon >= -180 &&
         lon < 180;
}

void ReadTrip(std::string_view text, const TrackHeader& header, const RowTimes& times,
              std::span<TripWriter* const> writers) {
  const std::string_view rows = TextFromLine(text, static_cast<std::size_t>(header.firstDataLine));
  const auto hand = [&](std::string_view line, std::size_t row) {
    if (const auto fix = ReadFix(line)) {
      const TripPoint point = PointOf(*fix, times, row);
      for (TripWriter* writer : writers)
        writer->Fix(point);
    } else {
      for (TripWriter* writer : writers)
        writer->NoFix();
    }
  };
  if (times.newestFirst) {
    std::size_t row = times.local.size();
    ForEachLineFromEnd(rows, [&](std::string_view line) { hand(line, row > 0 ? --row : row); });
  } else {
    std::size_t row = 0;
    ForEachLine(rows, [&](std::string_view line) { hand(line, row++); });
  }
  for (TripWriter* writer : writers)
    writer->End();
}
