#include "gpx_document.h"

#include <algorithm>

#include "export_reader.h"
#include "line_view.h"
#include "trip_points.h"
#include "xml_text.h"

namespace {

constexpr std::string_view kBreak = "\r\n";

// Where the segment stands at a point: the time of the last point written, and whether rows
// without a fix came since. A fix without a position is not written and changes nothing.
struct Segment {
  std::int64_t lastPointUtc = kNoTime;
  bool sinceFixWithout = false;

  void Row(bool fix, bool position, std::int64_t utc) {
    if (position) {
      *this = Segment{utc, false};
    } else if (!fix) {
      sinceFixWithout = true;
    }
  }
};

void AppendPoint(std::string& out, const TripPoint& p, Segment& state) {
  if (!p.position) return;
  const bool newSegment = state.sinceFixWithout && state.lastPointUtc != kNoTime &&
                          p.utc != kNoTime && p.utc - state.lastPointUtc >= kGpxSegmentGapSeconds;
  state = Segment{p.utc, false};
  if (newSegment) out.append("</trkseg>").append(kBreak).append("<trkseg>").append(kBreak);
  out.append("<trkpt lat=\"");
  AppendPlainDecimal(out, p.latitude, p.plainLatitude, p.lat);
  out.append("\" lon=\"");
  AppendPlainDecimal(out, p.longitude, p.plainLongitude, p.lon);
  out.append("\">");
  if (p.utc != kNoTime) {
    out.append("<time>");
    AppendIsoTime(out, p.utc);
    out.append("Z</time>");
  }
  if (p.hasSpeed) {
    out.append("<extensions><trackkml:speed>");
    AppendPlainDecimal(out, p.speed, p.plainSpeed, p.kmh);
    out.append("</trackkml:speed></extensions>");
  }
  out.append("</trkpt>").append(kBreak);
}

}  // namespace

GpxPieces::GpxPieces(const TrackHeader& header, std::string_view text, const RowTimes& times)
    : header_(header),
      times_(times),
      rows_(TextFromLine(text, static_cast<std::size_t>(header.firstDataLine), header.breaks)) {
  borders_ = LineStartsEvery(rows_, 0, kRowsPerRun, header.breaks);
  borders_.push_back(rows_.size());
  runs_ = borders_.size() - 1;
  // Each run's start from one reading of the rows' fixes in trip order, so that no run looks
  // back over the ones before it.
  Segment state;
  RowTimeReader reader(times, times.newestFirst ? times.rows - 1 : 0, !times.newestFirst);
  for (std::size_t run = 0, n = 0; run < runs_; ++run) {
    for (const std::size_t first = FirstOfRun(run); n < first; ++n) {
      const std::size_t row = times.TopDown(n);
      state.Row(times.fix[row], times.position[row], reader.At(row).utc);
    }
    before_.push_back({state.lastPointUtc, state.sinceFixWithout});
  }
}

std::size_t GpxPieces::FirstOfRun(std::size_t run) const {
  const std::size_t fromTop = times_.newestFirst ? runs_ - 1 - run : run;
  const std::size_t firstRow = fromTop * kRowsPerRun;
  const std::size_t endRow = std::min(times_.rows, firstRow + kRowsPerRun);
  return times_.newestFirst ? times_.rows - endRow : firstRow;
}

ConversionCounts GpxPieces::Append(std::size_t i, std::string& out) const {
  if (i == 0) {
    AppendHead(out);
  } else if (i <= runs_) {
    AppendRun(i - 1, out);
  } else {
    out.append("</trkseg>").append(kBreak);
    out.append("</trk>").append(kBreak);
    out.append("</gpx>").append(kBreak);
  }
  return {};
}

void GpxPieces::AppendHead(std::string& out) const {
  out.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>").append(kBreak);
  out.append(
         "<gpx version=\"1.1\" creator=\"trackkml\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
         "xmlns:trackkml=\"")
      .append(kGpxExtensionsUri)
      .append("\">")
      .append(kBreak);
  out.append("<trk>").append(kBreak);
  out.append("<name>");
  AppendXmlText(out, header_.vehicle);
  out.append("</name>").append(kBreak);
  out.append("<desc>");
  AppendXmlText(out, header_.driver);
  out.append("</desc>").append(kBreak);
  out.append("<trkseg>").append(kBreak);
}

// Run `run` in trip order: the runs are cut from the top, so with the newest rows first the
// trip's first run is the text's last, read from its last row up.
void GpxPieces::AppendRun(std::size_t run, std::string& out) const {
  const std::size_t fromTop = times_.newestFirst ? runs_ - 1 - run : run;
  const std::string_view text =
      rows_.substr(borders_[fromTop], borders_[fromTop + 1] - borders_[fromTop]);
  // The trip's position of the run's first row, and its rows one by one.
  std::size_t n = FirstOfRun(run);
  Segment state{before_[run].lastPointUtc, before_[run].sinceFixWithout};
  RowTimeReader reader(times_, times_.TopDown(n), !times_.newestFirst);
  const auto hand = [&](std::string_view line) {
    const std::size_t row = times_.TopDown(n++);
    if (const auto fix = ReadFix(line)) {
      AppendPoint(out, TripPointOf(*fix, reader.At(row)), state);
    } else {
      state.sinceFixWithout = true;
    }
  };
  if (times_.newestFirst) {
    ForEachLineFromEnd(text, hand, header_.breaks);
  } else {
    ForEachLine(text, hand, header_.breaks);
  }
}

std::string GpxDocument(const TrackHeader& header, std::string_view text, const RowTimes& times) {
  const GpxPieces pieces(header, text, times);
  std::string document;
  for (std::size_t i = 0; i < pieces.Count(); ++i)
    pieces.Append(i, document);
  return document;
}
