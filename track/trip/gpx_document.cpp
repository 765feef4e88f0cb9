#include "gpx_document.h"

#include <algorithm>
#include <charconv>

#include "export_reader.h"
#include "line_view.h"
#include "trip_reading.h"
#include "xml_text.h"

namespace {

constexpr std::string_view kBreak = "\r\n";

// A speed in km/h as m/s, to the millimetre.
void AppendMetresPerSecond(std::string& out, double kmh) {
  char digits[400];
  const auto written =
      std::to_chars(digits, digits + sizeof digits, kmh / 3.6, std::chars_format::fixed, 3);
  out.append(digits, written.ptr);
}

}  // namespace

void GpxPieces::AppendPoint(std::string& out, const TripPoint& p, Segment& state) {
  if (!p.position) return;
  const bool standing = p.hasSpeed && p.kmh == 0;  // the next gap is then no lack of data
  const bool timed = state.lastPointUtc != kNoTime && p.utc != kNoTime;
  const std::int64_t since = timed ? p.utc - state.lastPointUtc : 0;
  const bool lost = state.sinceFixWithout && since >= kGpxSegmentGapSeconds;
  const bool noData = since > kNoDataSeconds && !state.lastStanding;
  state = Segment{p.utc, standing, false};
  if (timed && (lost || noData))
    out.append("</trkseg>").append(kBreak).append("<trkseg>").append(kBreak);
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
    out.append("<extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>");
    AppendMetresPerSecond(out, p.kmh);
    out.append("</gpxtpx:speed></gpxtpx:TrackPointExtension></extensions>");
  }
  out.append("</trkpt>").append(kBreak);
}

GpxPieces::GpxPieces(const TrackHeader& header, std::string_view text, const RowTimes& times)
    : header_(header),
      times_(times),
      rows_(TextFromLine(text, static_cast<std::size_t>(header.firstDataLine), header.breaks)) {
  // Each run's start from one reading of the trip's rows, so that no run looks back over the
  // ones before it.
  Segment state;
  if (!times.inTimeOrder.empty()) {
    offsets_ = EntryOffsets(rows_, times, header.breaks);
    runs_ = (times.inTimeOrder.size() + kRowsPerRun - 1) / kRowsPerRun;
    for (std::size_t k = 0; k < times.inTimeOrder.size(); ++k) {
      if (k % kRowsPerRun == 0) before_.push_back(state);
      const std::uint32_t entry = times.inTimeOrder[k];
      if (times.position[times.row[entry]])
        state = Segment{times.utc[entry], times.standing[times.row[entry]], false};
    }
    return;
  }
  borders_ = LineStartsEvery(rows_, 0, kRowsPerRun, header.breaks);
  borders_.push_back(rows_.size());
  runs_ = borders_.size() - 1;
  RowTimeReader reader(times, times.newestFirst ? times.rows - 1 : 0, !times.newestFirst);
  for (std::size_t run = 0, n = 0; run < runs_; ++run) {
    for (const std::size_t first = FirstOfRun(run); n < first; ++n) {
      const std::size_t row = times.TopDown(n);
      if (!times.fix[row]) {
        state.sinceFixWithout = true;
        continue;
      }
      const RowTime time = reader.At(row);
      if (times.position[row] && !time.outOfOrder)
        state = Segment{time.utc, times.standing[row], false};
    }
    before_.push_back(state);
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
    if (offsets_.empty()) {
      AppendRun(i - 1, out);
    } else {
      AppendTimeOrderedRun(i - 1, out);
    }
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
         "xmlns:gpxtpx=\"")
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
  Segment state = before_[run];
  RowTimeReader reader(times_, times_.TopDown(n), !times_.newestFirst);
  const auto hand = [&](std::string_view line) {
    const std::size_t row = times_.TopDown(n++);
    if (const auto fix = ReadFix(line)) {
      const RowTime time = reader.At(row);
      if (!time.outOfOrder) AppendPoint(out, TripPointOf(*fix, time), state);
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

// Run `run` of an export in no order: kRowsPerRun of its timed entries in time order.
void GpxPieces::AppendTimeOrderedRun(std::size_t run, std::string& out) const {
  Segment state = before_[run];
  const auto& order = times_.inTimeOrder;
  const std::size_t end = std::min(order.size(), (run + 1) * kRowsPerRun);
  for (std::size_t k = run * kRowsPerRun; k < end; ++k) {
    const std::uint32_t entry = order[k];
    const std::size_t start = offsets_[entry];
    const std::string_view line =
        rows_.substr(start, LineAtOffset(rows_, start, header_.breaks).end - start)
            .substr(0, kLineReadLimit);
    const RowTime time{times_.local[entry], times_.utc[entry], true, false};
    AppendPoint(out, TripPointOf(*ReadFix(line), time), state);
  }
}
