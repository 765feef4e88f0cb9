// The values an export is read into.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The lines of an export, one record each, indexed from 0. Views into the text they were
// cut from.
using ExportLines = std::vector<std::string_view>;

struct TrackHeader {
  std::string vehicle;
  std::string driver;
  std::string date;
  long long firstDataLine = 1;  // index of the column-title row + 1
  bool titlesFound = false;     // there is a column-title row: the text is an export
};

// Texts of one fix, decimal commas already turned into points.
struct TrackPoint {
  std::string time;
  std::string speed;
  std::string latitude;
  std::string longitude;
};
