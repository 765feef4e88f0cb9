// The export's Greek labels, as Windows-1253 bytes so that no source file depends on its
// own encoding.
#pragma once

#include <string_view>

namespace labels {

// "Όχημα;"
inline constexpr std::string_view kVehicle = "\xBC\xF7\xE7\xEC\xE1;";
// "Οδηγός;"
inline constexpr std::string_view kDriver = "\xCF\xE4\xE7\xE3\xFC\xF2;";
// "Ημερομηνία;"
inline constexpr std::string_view kDate = "\xC7\xEC\xE5\xF1\xEF\xEC\xE7\xED\xDF\xE1;";
// "Ώρα;"
inline constexpr std::string_view kColumnTitles = "\xBF\xF1\xE1;";
// Column titles of the rows the reports use beyond the fixed fields: "Τοποθεσία" (the
// service's own name of the place) and "Χιλιόμετρα" (the vehicle's odometer, in km).
inline constexpr std::string_view kPlaceTitle = "\xD4\xEF\xF0\xEF\xE8\xE5\xF3\xDF\xE1";
inline constexpr std::string_view kOdometerTitle = "\xD7\xE9\xEB\xE9\xFC\xEC\xE5\xF4\xF1\xE1";
// "ΑΝΑΖΗΤΗΣΗ ΔΟΡΥΦΟΡΩΝ": the tracker had no satellite fix.
inline constexpr std::string_view kNoFix =
    "\xC1\xCD\xC1\xC6\xC7\xD4\xC7\xD3\xC7 \xC4\xCF\xD1\xD5\xD6\xCF\xD1\xD9\xCD";

// Summary captions: "Όχημα: ", "Οδηγός: ", "Ημερομηνία: ".
inline constexpr std::string_view kVehicleCaption = "\xBC\xF7\xE7\xEC\xE1: ";
inline constexpr std::string_view kDriverCaption = "\xCF\xE4\xE7\xE3\xFC\xF2: ";
inline constexpr std::string_view kDateCaption = "\xC7\xEC\xE5\xF1\xEF\xEC\xE7\xED\xDF\xE1: ";
inline constexpr std::string_view kFirstDataLineCaption = "Data 1st Line: ";

}  // namespace labels
