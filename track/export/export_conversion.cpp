#include "export_conversion.h"

#include <algorithm>

#include "export_reader.h"
#include "line_view.h"

namespace {

constexpr std::string_view kBreak = "\r\n";
// A piece of kRowsPerRun rows: its markers make about 1.5 MB, its part of the route line
// 160 KB.
constexpr std::size_t kBlock = 1 << 20;  // bytes gathered before they are handed on

}  // namespace

KmlPieces::KmlPieces(std::string_view text, const RowTimes* rowTimes, LineBreaks breaks)
    : text_(text),
      rowTimes_(rowTimes),
      header_(ReadTrackHeader(text, breaks)),
      texts_(KmlTexts(header_)) {
  // Runs from the first data row down, the last one short; found in one pass over the text.
  borders_ =
      LineStartsEvery(text, static_cast<std::size_t>(header_.firstDataLine), kRowsPerRun, breaks);
  borders_.push_back(text.size());
  runs_ = borders_.size() - 1;
}

std::string_view KmlPieces::RunText(std::size_t run) const {
  const std::size_t fromTop = runs_ - 1 - run;
  return text_.substr(borders_[fromTop], borders_[fromTop + 1] - borders_[fromTop]);
}

ConversionCounts KmlPieces::Append(std::size_t i, std::string& kml, std::string* summary) const {
  ConversionCounts counts;
  if (i == 0) {
    AppendBodyStart(kml, texts_);
  } else if (i <= runs_) {
    AppendRoute(i - 1, kml, summary, counts);
  } else if (i == runs_ + 1) {
    AppendBodyEnd(kml, texts_);
  } else if (i <= 2 * runs_ + 1) {
    AppendMarkers(i - runs_ - 2, kml);
  } else {
    AppendClosing(kml);
  }
  return counts;
}

void KmlPieces::AppendRoute(std::size_t run, std::string& kml, std::string* summary,
                            ConversionCounts& counts) const {
  ForEachLineFromEnd(
      RunText(run),
      [&](std::string_view row) {
        const auto fix = ReadFix(row);
        if (!fix) {
          ++counts.skipped;
          return;
        }
        ++counts.points;
        AppendRouteTriple(kml, *fix);
        if (summary) {
          AppendSummaryLine(*summary, *fix);
          summary->append(kBreak);
        }
      },
      header_.breaks);
}

// The rows are read again rather than kept from the route line's reading: a second reading
// costs less than holding a place per point, and leaves each piece free of the others.
void KmlPieces::AppendMarkers(std::size_t run, std::string& kml) const {
  if (rowTimes_ == nullptr) {
    ForEachLineFromEnd(
        RunText(run),
        [&](std::string_view row) {
          if (const auto fix = ReadFix(row)) AppendPlacemark(kml, texts_, *fix);
        },
        header_.breaks);
    return;
  }
  // Rows from the run's last up: the run begins kRowsPerRun rows a run from the first data
  // row, and the last run ends with the last row.
  const std::size_t fromTop = runs_ - 1 - run;
  std::size_t row = std::min(rowTimes_->rows, (fromTop + 1) * kRowsPerRun);
  RowTimeReader reader(*rowTimes_, row > 0 ? row - 1 : 0, false);
  ForEachLineFromEnd(
      RunText(run),
      [&](std::string_view line) {
        const std::int64_t utc = row > 0 ? reader.At(--row).utc : kNoTime;
        if (const auto fix = ReadFix(line)) AppendPlacemark(kml, texts_, *fix, utc);
      },
      header_.breaks);
}

ConversionCounts ConvertExport(std::string_view text, ConversionOutput& out, LineBreaks breaks) {
  const KmlPieces pieces(text, nullptr, breaks);
  std::string summary, kml;
  summary.reserve(kBlock + kRowsPerRun * 64);
  kml.reserve(2 * kBlock);
  const auto handOn = [](std::string& bytes, auto&& to) {
    if (!bytes.empty()) to(bytes);
    bytes.clear();
  };
  for (const auto& line : SummaryHeaderLines(pieces.Header()))
    summary.append(line).append(kBreak);

  ConversionCounts counts;
  for (std::size_t i = 0; i < pieces.Count(); ++i) {
    counts += pieces.Append(i, kml, &summary);
    if (summary.size() >= kBlock) handOn(summary, [&](std::string_view b) { out.Summary(b); });
    if (kml.size() >= kBlock) handOn(kml, [&](std::string_view b) { out.Kml(b); });
  }
  handOn(summary, [&](std::string_view b) { out.Summary(b); });
  handOn(kml, [&](std::string_view b) { out.Kml(b); });
  return counts;
}
