#include "gpx_document.h"

#include <cmath>

#include "xml_text.h"

namespace {

constexpr std::string_view kBreak = "\r\n";

bool IsPosition(const TripPoint& p) {
  return p.read && std::isfinite(p.lat) && std::isfinite(p.lon) && std::abs(p.lat) <= 90 &&
         std::abs(p.lon) <= 180;
}

}  // namespace

std::string GpxDocument(const TrackHeader& header, const std::vector<TripPoint>& points) {
  std::string out;
  out.reserve(256 + points.size() * 160);
  out.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>").append(kBreak);
  out.append(
         "<gpx version=\"1.1\" creator=\"trackkml\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
         "xmlns:trackkml=\"")
      .append(kGpxExtensionsUri)
      .append("\">")
      .append(kBreak);
  out.append("<trk>").append(kBreak);
  out.append("<name>");
  AppendXmlText(out, header.vehicle);
  out.append("</name>").append(kBreak);
  out.append("<desc>");
  AppendXmlText(out, header.driver);
  out.append("</desc>").append(kBreak);
  out.append("<trkseg>").append(kBreak);
  for (const TripPoint& p : points) {
    if (!IsPosition(p)) continue;
    // The position's texts as the export has them, decimal points for its commas: a number
    // that reads as a position holds nothing to escape.
    out.append("<trkpt lat=\"");
    AppendXmlNumber(out, p.latitude);
    out.append("\" lon=\"");
    AppendXmlNumber(out, p.longitude);
    out.append("\">");
    if (p.utc != kNoTime) {
      out.append("<time>");
      AppendIsoTime(out, p.utc);
      out.append("Z</time>");
    }
    out.append("<extensions><trackkml:speed>");
    AppendXmlNumber(out, p.speed);
    out.append("</trackkml:speed></extensions></trkpt>").append(kBreak);
  }
  out.append("</trkseg>").append(kBreak);
  out.append("</trk>").append(kBreak);
  out.append("</gpx>").append(kBreak);
  return out;
}
