#include "export_rows.h"

#include "gpx_document.h"
#include "line_view.h"
#include "textfun.h"

TrackPoint PointOf(const FixTexts& fix) {
  return TrackPoint{
      .time = std::string(fix.time),
      .speed = ReplaceText(fix.speed, ",", "."),
      .latitude = ReplaceText(fix.latitude, ",", "."),
      .longitude = ReplaceText(fix.longitude, ",", "."),
  };
}

std::optional<TrackPoint> ReadTrackPoint(std::string_view row) {
  const auto fix = ReadFix(row);
  if (!fix) return std::nullopt;
  return PointOf(*fix);
}

TrackExport ReadExport(std::string_view text) {
  const ExportLines lines = SplitLines(text);
  TrackExport result;
  result.header = ReadTrackHeader(text);
  result.summary = SummaryHeaderLines(result.header);
  const std::size_t rows = DataRowCount(result.header, lines.size());
  // Bottom-up: the last line of the export becomes the first point.
  for (std::size_t k = 0; k < rows; ++k) {
    const auto fix = ReadFix(lines[lines.size() - 1 - k]);
    if (!fix) continue;
    AppendSummaryLine(result.summary.emplace_back(), *fix);
    result.points.push_back(PointOf(*fix));
  }
  return result;
}

std::string GpxDocument(const TrackHeader& header, std::string_view text, const RowTimes& times) {
  const GpxPieces pieces(header, text, times);
  std::string document;
  for (std::size_t i = 0; i < pieces.Count(); ++i)
    pieces.Append(i, document);
  return document;
}
