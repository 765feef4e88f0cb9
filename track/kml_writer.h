// Writes the KML document for a track: the style preamble, a route line through every fix,
// a folder with one labelled marker per fix, and the closing. Every text taken from the
// export is converted to escaped UTF-8; the fixed texts stand byte for byte.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "track_types.h"

inline constexpr std::string_view KmlNamespaceUri = "http://earth.google.com/kml/2.1";
inline constexpr std::string_view IconBaseUrl = "https://maps.google.com";

inline constexpr std::size_t kPreambleLines = 163;
inline constexpr std::size_t kTrackLinesFixed = 21;
inline constexpr std::size_t kLinesPerPoint = 10;

// Receives the document one line at a time, without line break.
using LineSink = std::function<void(std::string_view line)>;

class KmlWriter {
 public:
  explicit KmlWriter(LineSink sink);

  void WritePreamble();
  void WriteTrack(const TrackHeader& header, const std::vector<TrackPoint>& points);

  // WriteTrack in pieces, for callers that cannot hold every point at once:
  // WriteBody, then WritePlacemark for each point in order, then WriteClosing.
  void WriteBody(const TrackHeader& header, std::string_view routeLine);
  void WritePlacemark(const TrackPoint& point);
  void WriteClosing();
  // Appends the point's "{lon},{lat},0 " triple to the route line.
  static void AppendRouteTriple(std::string& route, const TrackPoint& point);

 private:
  void Emit(std::string_view line) { sink_(line); }
  void WriteIconStyleSet(std::string_view name, std::string_view normalIcon,
                         std::string_view highlightIcon, bool iconColours);
  void WriteLineStyle(std::string_view number, std::string_view colour);

  LineSink sink_;
  std::string vehicle_;  // converted once per track
  std::string date_;
  std::string line_;  // scratch, reused for every line
};
