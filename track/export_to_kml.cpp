#include "export_to_kml.h"

#include <string>

#include "export_reader.h"

ConversionCounts WriteExportAsKml(const ExportLines& lines, const LineSink& sink) {
  const TrackHeader header = ReadTrackHeader(lines);
  const std::size_t rows = DataRowCount(header, lines);
  const auto row = [&](std::size_t k) { return lines[lines.size() - 1 - k]; };

  // The route line comes before the markers, so the rows are read twice rather than kept.
  ConversionCounts counts;
  std::string route;
  route.reserve(rows * 24);  // "lon,lat,0 " of a usual fix, so the line is rarely regrown
  for (std::size_t k = 0; k < rows; ++k) {
    if (const auto point = ReadTrackPoint(row(k))) {
      KmlWriter::AppendRouteTriple(route, *point);
      ++counts.points;
    }
  }
  counts.skipped = rows - counts.points;

  KmlWriter writer(sink);
  writer.WritePreamble();
  writer.WriteBody(header, route);
  for (std::size_t k = 0; k < rows; ++k) {
    if (const auto point = ReadTrackPoint(row(k))) writer.WritePlacemark(*point);
  }
  writer.WriteClosing();
  return counts;
}
