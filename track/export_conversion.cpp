#include "export_conversion.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "export_reader.h"
#include "kml_document.h"

namespace {

constexpr std::string_view kBreak = "\r\n";
constexpr std::size_t kBlock = 1 << 20;  // bytes gathered before they are handed on

// Where a fix's four texts stand in its row: 20 bytes a point instead of four strings. Rows
// of a pane are at most its line read limit long, so 16 bits reach every offset; a longer row
// is read again when its marker is written.
struct FixPlace {
  std::uint32_t row;  // line index
  std::array<std::uint16_t, 4> at;
  std::array<std::uint16_t, 4> size;
};
constexpr std::size_t kLongRow = 0xFFFF;

FixPlace PlaceOf(std::uint32_t row, std::string_view line, const FixTexts& fix) {
  FixPlace place{.row = row, .at = {}, .size = {}};
  if (line.size() >= kLongRow) {
    place.size[0] = kLongRow;
    return place;
  }
  const std::string_view texts[] = {fix.time, fix.speed, fix.latitude, fix.longitude};
  for (std::size_t i = 0; i < 4; ++i) {
    place.at[i] = static_cast<std::uint16_t>(texts[i].data() - line.data());
    place.size[i] = static_cast<std::uint16_t>(texts[i].size());
  }
  return place;
}

FixTexts TextsAt(const ExportLines& lines, const FixPlace& place) {
  const std::string_view line = lines[place.row];
  if (place.size[0] == kLongRow) return *ReadFix(line);
  const auto text = [&](std::size_t i) { return line.substr(place.at[i], place.size[i]); };
  return FixTexts{.time = text(0), .speed = text(1), .latitude = text(2), .longitude = text(3)};
}

// Gathers bytes and hands them on a block at a time.
class Blocks {
 public:
  explicit Blocks(std::function<void(std::string_view)> handOn) : handOn_(std::move(handOn)) {
    bytes_.reserve(kBlock + 4096);
  }
  std::string& bytes() { return bytes_; }
  void MaybeHandOn() {
    if (bytes_.size() >= kBlock) HandOn();
  }
  void HandOn() {
    if (!bytes_.empty()) handOn_(bytes_);
    bytes_.clear();
  }

 private:
  std::function<void(std::string_view)> handOn_;
  std::string bytes_;
};

}  // namespace

ConversionCounts ConvertExport(const ExportLines& lines, ConversionOutput& out) {
  const TrackHeader header = ReadTrackHeader(lines);
  const std::size_t rows = DataRowCount(header, lines);
  const KmlHeaderTexts texts = KmlTexts(header);

  const bool takesSummary = out.TakesSummary();
  Blocks summary([&out](std::string_view b) { out.Summary(b); });
  for (const auto& line : SummaryHeaderLines(header))
    summary.bytes().append(line).append(kBreak);
  Blocks kml([&out](std::string_view b) { out.Kml(b); });
  AppendBodyStart(kml.bytes(), texts);

  // One reading of each row, from the last line up: its summary line and its triple of the
  // route line now, its place for the markers, which come after the route line.
  std::vector<FixPlace> places;
  places.reserve(rows);
  for (std::size_t k = 0; k < rows; ++k) {
    const auto row = static_cast<std::uint32_t>(lines.size() - 1 - k);
    const auto fix = ReadFix(lines[row]);
    if (!fix) continue;
    if (takesSummary) {
      AppendSummaryLine(summary.bytes(), *fix);
      summary.bytes().append(kBreak);
      summary.MaybeHandOn();
    }
    AppendRouteTriple(kml.bytes(), *fix);
    kml.MaybeHandOn();
    places.push_back(PlaceOf(row, lines[row], *fix));
  }
  summary.HandOn();

  AppendBodyEnd(kml.bytes(), texts);
  for (const auto& place : places) {
    AppendPlacemark(kml.bytes(), texts, TextsAt(lines, place));
    kml.MaybeHandOn();
  }
  AppendClosing(kml.bytes());
  kml.HandOn();
  return ConversionCounts{.points = places.size(), .skipped = rows - places.size()};
}
