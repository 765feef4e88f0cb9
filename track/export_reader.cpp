#include "export_reader.h"

#include <algorithm>
#include <array>

#include "export_labels.h"
#include "textfun.h"

namespace {

constexpr char kDelimiter = ';';

// Index of the first line that starts with label, or nothing.
std::optional<std::size_t> FindLabel(const ExportLines& lines, std::string_view label) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (LeftText(lines[i], static_cast<long long>(label.size())) == label) return i;
  }
  return std::nullopt;
}

std::string LabelValue(const ExportLines& lines, std::string_view label) {
  const auto at = FindLabel(lines, label);
  return at ? std::string(GetField(lines[*at], 2, kDelimiter)) : std::string();
}

std::string DecimalPoints(std::string_view number) {
  return ReplaceText(number, ",", ".");
}

}  // namespace

TrackHeader ReadTrackHeader(const ExportLines& lines) {
  TrackHeader header;
  header.vehicle = LabelValue(lines, labels::kVehicle);
  header.driver = LabelValue(lines, labels::kDriver);
  header.date = LabelValue(lines, labels::kDate);
  header.firstDataLine =
      static_cast<long long>(FindLabel(lines, labels::kColumnTitles).value_or(0)) + 1;
  return header;
}

std::vector<std::string> SummaryHeaderLines(const TrackHeader& header) {
  return {
      Concat({labels::kVehicleCaption, header.vehicle}),
      Concat({labels::kDriverCaption, header.driver}),
      Concat({labels::kDateCaption, header.date}),
      Concat({labels::kFirstDataLineCaption, std::to_string(header.firstDataLine)}),
  };
}

std::optional<FixTexts> ReadFix(std::string_view row) {
  // Fields 1 to 6 as GetField gives them, split off in one pass over the row.
  std::array<std::string_view, 6> fields;
  LeadingFields(row, kDelimiter, fields);
  const auto field = [&fields](std::size_t n) { return fields[n - 1]; };
  // The label has neither "," nor ".", so the latitude is it before or after its decimal
  // commas become points alike.
  if (field(5) == labels::kNoFix) return std::nullopt;
  return FixTexts{.time = field(1), .speed = field(3), .latitude = field(5), .longitude = field(6)};
}

TrackPoint PointOf(const FixTexts& fix) {
  return TrackPoint{
      .time = std::string(fix.time),
      .speed = DecimalPoints(fix.speed),
      .latitude = DecimalPoints(fix.latitude),
      .longitude = DecimalPoints(fix.longitude),
  };
}

std::optional<TrackPoint> ReadTrackPoint(std::string_view row) {
  const auto fix = ReadFix(row);
  if (!fix) return std::nullopt;
  return PointOf(*fix);
}

void AppendSummaryLine(std::string& out, const FixTexts& fix) {
  const auto appendNumber = [&out](std::string_view number) {
    const std::size_t at = out.size();
    out.append(number);
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(at), out.end(), ',', '.');
  };
  out.append(fix.time).push_back(' ');
  appendNumber(fix.longitude);
  out.push_back(' ');
  appendNumber(fix.latitude);
  out.push_back(' ');
  appendNumber(fix.speed);
}

std::size_t DataRowCount(const TrackHeader& header, const ExportLines& lines) {
  const auto first = static_cast<std::size_t>(header.firstDataLine);
  return lines.size() > first ? lines.size() - first : 0;
}

TrackExport ReadExport(const ExportLines& lines) {
  TrackExport result;
  result.header = ReadTrackHeader(lines);
  result.summary = SummaryHeaderLines(result.header);

  const std::size_t rows = DataRowCount(result.header, lines);
  result.points.reserve(rows);
  result.summary.reserve(result.summary.size() + rows);
  // Bottom-up: the last line of the export becomes the first point.
  for (std::size_t k = 0; k < rows; ++k) {
    const auto fix = ReadFix(lines[lines.size() - 1 - k]);
    if (!fix) continue;
    AppendSummaryLine(result.summary.emplace_back(), *fix);
    result.points.push_back(PointOf(*fix));
  }
  return result;
}
