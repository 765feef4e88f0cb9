// Reads an export of the tracking service: header values, the fixes bottom-up, and the
// summary lines for the summary pane (Windows-1253, as the export holds them).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "track_types.h"

struct TrackExport {
  TrackHeader header;
  std::vector<TrackPoint> points;    // from the last line up to the first data line
  std::vector<std::string> summary;  // four header lines, then one per point
};

TrackExport ReadExport(const ExportLines& lines);

// The pieces ReadExport is made of, for callers that stream the document.
TrackHeader ReadTrackHeader(const ExportLines& lines);
std::vector<std::string> SummaryHeaderLines(const TrackHeader& header);
// The point of one data row, or nothing when the tracker had no satellite fix.
std::optional<TrackPoint> ReadTrackPoint(std::string_view row);
std::string SummaryPointLine(const TrackPoint& point);
// How many lines ReadExport treats as data rows.
std::size_t DataRowCount(const TrackHeader& header, const ExportLines& lines);
