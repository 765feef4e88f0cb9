#include "report_words.h"

#include <cstdio>

#include "cp1253.h"
#include "shown_text.h"

namespace report_words {

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

std::string Utf8(std::string_view exportText) {
  std::string text;
  for (const char c : exportText)
    AppendUtf8(text, Cp1253ToUnicode(static_cast<unsigned char>(c)));
  return Shown(text);
}

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
  std::string text = Latitude(place) + ", " + Longitude(place);
  if (!place.place.empty()) text.append(" (").append(Utf8(place.place)).append(")");
  return text;
}

std::string Speed(std::optional<double> kmh) {
  return kmh ? Fixed(*kmh, 1) + " km/h" : "none";
}

std::string StopsTitle(const TripRules& rules) {
  if (rules.stopSeconds == 0) return "Stops (every run at speed 0)";
  return "Stops of " + std::to_string(rules.stopSeconds / 60) + " min or more";
}

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

}  // namespace report_words
