// The KML document of a track, as bytes: the style preamble, a route line through every fix,
// a folder with one labelled marker per fix, and the closing; every line followed by CR LF.
// Texts from the export are converted to escaped UTF-8 (numbers with decimal points); the
// fixed texts stand byte for byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "track_types.h"

inline constexpr std::string_view KmlNamespaceUri = "http://earth.google.com/kml/2.1";
inline constexpr std::string_view IconBaseUrl = "https://maps.google.com";

inline constexpr std::size_t kPreambleLines = 163;
inline constexpr std::size_t kTrackLinesFixed = 21;
inline constexpr std::size_t kLinesPerPoint = 10;

// The fixed start of every document: declaration, root, styles.
std::string_view KmlPreamble();

// The export's texts that every marker repeats, converted once per document.
struct KmlHeaderTexts {
  std::string vehicle;
  std::string date;
  std::string title;  // vehicle, driver and date
};
KmlHeaderTexts KmlTexts(const TrackHeader& header);

// Appends the fix's "lon,lat,0 " to the route line.
void AppendRouteTriple(std::string& route, const FixTexts& fix);
// The document after the preamble, in pieces: the body up to the route line, the route line,
// the rest of the body, a marker per fix, the closing.
void AppendBodyStart(std::string& out, const KmlHeaderTexts& texts);
void AppendBodyEnd(std::string& out, const KmlHeaderTexts& texts);
// With a time (UTC seconds), the marker gains a TimeStamp line after its name, for a
// viewer's time slider.
void AppendPlacemark(std::string& out, const KmlHeaderTexts& texts, const FixTexts& fix,
                     std::int64_t utc = kNoTime);
void AppendClosing(std::string& out);
