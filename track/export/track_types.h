// The values an export is read into.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The lines of an export, one record each, indexed from 0. Views into the text they were
// cut from.
using ExportLines = std::vector<std::string_view>;

// How a text's lines are broken: CR LF alone, as a pane's; or CR LF, CR and LF alike, as an
// export read as its file holds it (see line_view.h).
enum class LineBreaks { CrLf, Any };

struct TrackHeader {
  std::string vehicle;
  std::string driver;
  std::string date;
  long long firstDataLine = 1;           // index of the column-title row + 1
  bool titlesFound = false;              // there is a column-title row: the text is an export
  LineBreaks breaks = LineBreaks::CrLf;  // of the text it was read from
  // The fields (from 1) of the place and odometer columns, by their titles; 0 when absent.
  int placeField = 0, odometerField = 0;
};

// A fix's texts as the export holds them: decimal commas not yet turned into points.
struct FixTexts {
  std::string_view time, speed, latitude, longitude;
};

// A fix without a time, where a time of seconds is kept.
inline constexpr std::int64_t kNoTime = INT64_MIN;
