#include "trip_points.h"

#include <charconv>
#include <optional>

#include "export_reader.h"

namespace {

std::optional<double> Number(std::string_view text) {
  char buffer[32];
  if (text.empty() || text.size() > sizeof buffer) return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i)
    buffer[i] = text[i] == ',' ? '.' : text[i];
  double value = 0;
  const auto [end, error] = std::from_chars(buffer, buffer + text.size(), value);
  if (error != std::errc() || end != buffer + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::vector<TripPoint> ReadTripPoints(const TrackHeader& header, const ExportLines& lines,
                                      const RowTimes& times, const std::vector<std::int64_t>& utc) {
  const auto first = static_cast<std::size_t>(header.firstDataLine);
  const std::size_t rows = lines.size() > first ? lines.size() - first : 0;

  std::vector<TripPoint> points;
  for (std::size_t n = 0; n < rows; ++n) {
    const std::size_t k = times.newestFirst ? rows - 1 - n : n;
    const auto fix = ReadFix(lines[first + k]);
    if (!fix) continue;
    TripPoint& p = points.emplace_back();
    p.local = k < times.local.size() ? times.local[k] : kNoTime;
    p.utc = k < utc.size() ? utc[k] : kNoTime;
    p.latitude = fix->latitude;
    p.longitude = fix->longitude;
    p.speed = fix->speed;
    const auto lat = Number(fix->latitude), lon = Number(fix->longitude), kmh = Number(fix->speed);
    p.read = lat && lon && kmh;
    if (p.read) {
      p.lat = *lat;
      p.lon = *lon;
      p.kmh = *kmh;
    }
  }
  return points;
}
