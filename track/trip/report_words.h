// How the facts of a trip are written for people, the same in the text report and the page:
// times, durations, distances, speeds and places.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "trip_facts.h"

namespace report_words {

// "2:15:00": hours, minutes, seconds.
std::string Clock(std::int64_t seconds);
// "2024-03-14 07:49:00", or "none".
std::string LocalTime(std::int64_t local);
std::string Fixed(double value, int decimals);
// A text of the export in UTF-8, its control characters escaped as in the tool's messages.
std::string Utf8(std::string_view exportText);
// A coordinate as the GPX writes it: a plain decimal, the export's own digits where they are.
std::string Latitude(const TripPlace& place);
std::string Longitude(const TripPlace& place);
// Its coordinates, and the export's name of it in brackets where it has one.
std::string Place(const TripPlace& place);
// "52.0 km/h", or "none".
std::string Speed(std::optional<double> kmh);
std::string StopsTitle(const TripRules& rules);
// The limit as it was given: "90", "90.5".
std::string Limit(double kmh);
std::string SpeedingTitle(const TripRules& rules);

}  // namespace report_words
