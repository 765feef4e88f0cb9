#include "gpx_document.h"

#include <charconv>

#include "xml_text.h"

namespace {

constexpr std::string_view kBreak = "\r\n";
constexpr std::size_t kBlock = 1 << 20;

// "-12,345" or "12": digits GPX takes as they stand once the comma is a point.
bool IsPlainDecimal(std::string_view text) {
  if (text.starts_with('-')) text.remove_prefix(1);
  const std::size_t point = text.find_first_of(".,");
  const std::string_view whole = text.substr(0, point);
  const std::string_view part =
      point == std::string_view::npos ? std::string_view("0") : text.substr(point + 1);
  const auto digits = [](std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
  };
  return digits(whole) && digits(part);
}

void AppendDecimal(std::string& out, std::string_view text, double value) {
  if (IsPlainDecimal(text)) {
    for (const char c : text)
      out.push_back(c == ',' ? '.' : c);
    return;
  }
  char digits[400];  // the longest fixed form of a finite double
  const auto written =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
  out.append(digits, written.ptr);
}

}  // namespace

GpxWriter::GpxWriter(const TrackHeader& header, std::function<void(std::string_view)> write)
    : write_(std::move(write)) {
  out_.reserve(kBlock + 4096);
  out_.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>").append(kBreak);
  out_.append(
          "<gpx version=\"1.1\" creator=\"trackkml\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
          "xmlns:trackkml=\"")
      .append(kGpxExtensionsUri)
      .append("\">")
      .append(kBreak);
  out_.append("<trk>").append(kBreak);
  out_.append("<name>");
  AppendXmlText(out_, header.vehicle);
  out_.append("</name>").append(kBreak);
  out_.append("<desc>");
  AppendXmlText(out_, header.driver);
  out_.append("</desc>").append(kBreak);
  out_.append("<trkseg>").append(kBreak);
}

void GpxWriter::Fix(const TripPoint& p) {
  if (!p.position) {
    ++leftOut_;
    return;
  }
  if (sinceFixWithout_ && lastUtc_ != kNoTime && p.utc != kNoTime &&
      p.utc - lastUtc_ >= kGpxSegmentGapSeconds) {
    out_.append("</trkseg>").append(kBreak).append("<trkseg>").append(kBreak);
  }
  sinceFixWithout_ = false;
  lastUtc_ = p.utc;
  out_.append("<trkpt lat=\"");
  AppendDecimal(out_, p.latitude, p.lat);
  out_.append("\" lon=\"");
  AppendDecimal(out_, p.longitude, p.lon);
  out_.append("\">");
  if (p.utc != kNoTime) {
    out_.append("<time>");
    AppendIsoTime(out_, p.utc);
    out_.append("Z</time>");
  }
  if (p.hasSpeed) {
    out_.append("<extensions><trackkml:speed>");
    AppendDecimal(out_, p.speed, p.kmh);
    out_.append("</trackkml:speed></extensions>");
  }
  out_.append("</trkpt>").append(kBreak);
  if (out_.size() >= kBlock) Flush();
}

void GpxWriter::End() {
  out_.append("</trkseg>").append(kBreak);
  out_.append("</trk>").append(kBreak);
  out_.append("</gpx>").append(kBreak);
  Flush();
}

void GpxWriter::Flush() {
  write_(out_);
  out_.clear();
}

std::string GpxDocument(const TrackHeader& header, std::string_view exportText,
                        const RowTimes& times) {
  std::string document;
  GpxWriter gpx(header, [&document](std::string_view bytes) { document.append(bytes); });
  TripWriter* const writers[] = {&gpx};
  ReadTrip(exportText, header, times, writers);
  return document;
}
