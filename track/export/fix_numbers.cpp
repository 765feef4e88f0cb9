#include "fix_numbers.h"

#include <charconv>
#include <cmath>
#include <cstdint>

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
