// Documents and summaries as lists of lines, for tests and fuzz targets to compare with.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "export_conversion.h"
#include "export_rows.h"
#include "kml_document.h"

// The lines of bytes whose every line ends with CR LF.
inline std::vector<std::string> LinesOf(std::string_view bytes) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t end = bytes.find("\r\n", start);
    lines.emplace_back(bytes.substr(start, end - start));
    if (end == std::string_view::npos) break;
    start = end + 2;
  }
  return lines;
}

// The whole KML document of a header and points (decimal points already), preamble included.
inline std::vector<std::string> KmlDocumentLines(const TrackHeader& header,
                                                 const std::vector<TrackPoint>& points) {
  const auto fixOf = [](const TrackPoint& p) {
    return FixTexts{
        .time = p.time, .speed = p.speed, .latitude = p.latitude, .longitude = p.longitude};
  };
  const KmlHeaderTexts texts = KmlTexts(header);
  std::string doc(KmlPreamble());
  AppendBodyStart(doc, texts);
  for (const auto& p : points)
    AppendRouteTriple(doc, fixOf(p));
  AppendBodyEnd(doc, texts);
  for (const auto& p : points)
    AppendPlacemark(doc, texts, fixOf(p));
  AppendClosing(doc);
  return LinesOf(doc);
}

// What the one conversion gives for some lines: the summary and the whole document.
struct Converted {
  std::string summary;
  std::string kml;  // preamble included
  ConversionCounts counts;
};

inline Converted Convert(std::string_view text, LineBreaks breaks = LineBreaks::CrLf) {
  struct Collect final : ConversionOutput {
    Converted* c;
    void Summary(std::string_view b) override { c->summary.append(b); }
    void Kml(std::string_view b) override { c->kml.append(b); }
  };
  Converted c;
  c.kml.assign(KmlPreamble());
  Collect out;
  out.c = &c;
  c.counts = ConvertExport(text, out, breaks);
  return c;
}
