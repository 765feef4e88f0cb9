// Windows-1253 texts the tests use, spelled as bytes.
#pragma once

#include <string>

namespace greek {
inline const std::string kVehicleLabel = "\xBC\xF7\xE7\xEC\xE1;";                   // Όχημα;
inline const std::string kDriverLabel = "\xCF\xE4\xE7\xE3\xFC\xF2;";                // Οδηγός;
inline const std::string kDateLabel = "\xC7\xEC\xE5\xF1\xEF\xEC\xE7\xED\xDF\xE1;";  // Ημερομηνία;
inline const std::string kTitleLabel = "\xBF\xF1\xE1;";                             // Ώρα;
inline const std::string kNoFix =
    "\xC1\xCD\xC1\xC6\xC7\xD4\xC7\xD3\xC7 \xC4\xCF\xD1\xD5\xD6\xCF\xD1\xD9\xCD";  // ΑΝΑΖΗΤΗΣΗ
                                                                                  // ΔΟΡΥΦΟΡΩΝ
inline const std::string kVehicle = "\xC1\xC2\xC3-1234";             // ΑΒΓ-1234
inline const std::string kDriver = "\xCF\xE4\xE7\xE3\xFC\xF2 \xC1";  // Οδηγός Α
inline const std::string kVehicleCaption = "\xBC\xF7\xE7\xEC\xE1: ";
inline const std::string kDriverCaption = "\xCF\xE4\xE7\xE3\xFC\xF2: ";
inline const std::string kDateCaption = "\xC7\xEC\xE5\xF1\xEF\xEC\xE7\xED\xDF\xE1: ";
// ΑΒΓ-1234 in UTF-8, as the KML holds it.
inline const std::string kVehicleUtf8 = "\u0391\u0392\u0393-1234";
}  // namespace greek
