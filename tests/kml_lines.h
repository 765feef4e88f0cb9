// The whole KML document of a track as a list of lines, preamble included: what the KML
// pane holds after Translate, for tests and fuzz targets to compare with.
#pragma once

#include <string>
#include <vector>

#include "kml_writer.h"

inline std::vector<std::string> KmlDocumentLines(const TrackHeader& header,
                                                 const std::vector<TrackPoint>& points) {
  std::vector<std::string> lines;
  lines.reserve(kPreambleLines + kTrackLinesFixed + kLinesPerPoint * points.size());
  KmlWriter writer([&lines](std::string_view line) { lines.emplace_back(line); });
  writer.WritePreamble();
  writer.WriteTrack(header, points);
  return lines;
}
