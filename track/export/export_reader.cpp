#include "export_reader.h"

#include <algorithm>
#include <array>

#include "export_labels.h"
#include "line_view.h"
#include "textfun.h"

namespace {

constexpr char kDelimiter = ';';

// The header's values: for each label, the second field of the first line that starts with
// it. The lines are read from the top only until every label is found, since exports put them
// there.
struct LabelLines {
  std::optional<std::size_t> vehicle, driver, date, titles;
};

LabelLines FindLabels(std::string_view text, LineBreaks breaks) {
  LabelLines found;
  std::size_t start = 0;
  for (std::size_t i = 0;
       start < text.size() && !(found.vehicle && found.driver && found.date && found.titles); ++i) {
    const LineSpan span = LineAtOffset(text, start, breaks);
    const std::string_view line = text.substr(start, span.end - start).substr(0, kLineReadLimit);
    const auto mark = [&](std::optional<std::size_t>& at, std::string_view label) {
      if (!at && LeftText(line, static_cast<long long>(label.size())) == label) at = i;
    };
    mark(found.vehicle, labels::kVehicle);
    mark(found.driver, labels::kDriver);
    mark(found.date, labels::kDate);
    mark(found.titles, labels::kColumnTitles);
    start = span.next;
  }
  return found;
}

std::string LabelValue(std::string_view text, std::optional<std::size_t> line, LineBreaks breaks) {
  return line ? std::string(GetField(LineOf(text, *line, breaks), 2, kDelimiter)) : std::string();
}

}  // namespace

TrackHeader ReadTrackHeader(std::string_view text, LineBreaks breaks) {
  const LabelLines found = FindLabels(text, breaks);
  TrackHeader header;
  header.breaks = breaks;
  header.vehicle = LabelValue(text, found.vehicle, breaks);
  header.driver = LabelValue(text, found.driver, breaks);
  header.date = LabelValue(text, found.date, breaks);
  header.firstDataLine = static_cast<long long>(found.titles.value_or(0)) + 1;
  header.titlesFound = found.titles.has_value();
  if (found.titles) {
    std::string_view titles = LineOf(text, *found.titles, breaks);
    for (int field = 1;; ++field) {
      const std::size_t end = std::min(titles.find(kDelimiter), titles.size());
      const std::string_view title = titles.substr(0, end);
      if (title == labels::kPlaceTitle && header.placeField == 0) header.placeField = field;
      if (title == labels::kOdometerTitle && header.odometerField == 0)
        header.odometerField = field;
      if (end == titles.size()) break;
      titles.remove_prefix(end + 1);
    }
  }
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

std::size_t DataRowCount(const TrackHeader& header, std::size_t lineCount) {
  const auto first = static_cast<std::size_t>(header.firstDataLine);
  return lineCount > first ? lineCount - first : 0;
}
