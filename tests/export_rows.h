// An export read whole into values, and a GPX made at once: the forms the tests compare
// with, which the programs, streaming their documents, never need.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export_reader.h"
#include "fix_times.h"

// Texts of one fix, decimal commas turned into points.
struct TrackPoint {
  std::string time;
  std::string speed;
  std::string latitude;
  std::string longitude;
};

struct TrackExport {
  TrackHeader header;
  std::vector<TrackPoint> points;    // from the last line up to the first data line
  std::vector<std::string> summary;  // four header lines, then one per point
};

// `text` as a pane holds it: lines broken by CR LF.
TrackExport ReadExport(std::string_view text);
TrackPoint PointOf(const FixTexts& fix);
std::optional<TrackPoint> ReadTrackPoint(std::string_view row);

std::string GpxDocument(const TrackHeader& header, std::string_view text, const RowTimes& times);
