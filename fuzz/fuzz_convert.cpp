// Any bytes, loaded as a file is loaded, read as an export and written as KML: the document
// keeps its shape and every text taken from the export is safe, well-formed UTF-8.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "day_page.h"
#include "day_trace.h"
#include "export_reader.h"
#include "export_rows.h"
#include "fix_times.h"
#include "gpx_document.h"
#include "kml_lines.h"
#include "line_view.h"
#include "text_pane.h"
#include "trip_facts.h"
#include "trip_points.h"
#include "trip_reading.h"
#include "trip_report.h"
#include "utc_times.h"
#include "xml_text.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// Every element of the page closed in order, every "<" and "&" in its text escaped: the
// page's markup is the writer's alone, whatever the export holds.
bool IsWellFormedPage(std::string_view page) {
  std::vector<std::string_view> open;
  for (std::size_t i = 0; i < page.size(); ++i) {
    if (page[i] == '&') {
      const std::string_view rest = page.substr(i + 1, 5);
      if (!rest.starts_with("amp;") && !rest.starts_with("lt;") && !rest.starts_with("gt;") &&
          !rest.starts_with("quot;") && !rest.starts_with("#39;"))
        return false;
      continue;
    }
    if (page[i] == '>') return false;
    if (page[i] != '<') continue;
    const std::size_t end = page.find('>', i);
    if (end == std::string_view::npos) return false;
    const std::string_view tag = page.substr(i + 1, end - i - 1);
    if (tag.find('<') != std::string_view::npos) return false;
    const std::string_view name = tag.substr(0, tag.find_first_of(" /", 1));
    if (tag.starts_with("!DOCTYPE") || tag.ends_with("/") || name == "meta") {
    } else if (tag.starts_with("/")) {
      if (open.empty() || open.back() != tag.substr(1)) return false;
      open.pop_back();
    } else {
      open.push_back(name);
      if (name == "style") {  // its rules hold no markup, and may hold ">"
        const std::size_t close = page.find("</style>", end);
        if (close == std::string_view::npos) return false;
        i = close - 1;
        continue;
      }
    }
    i = end;
  }
  return open.empty();
}

bool IsValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

// Converted export text: valid UTF-8, no raw "<" or ">", every "&" an entity we write.
void CheckInserted(std::string_view raw) {
  std::string out;
  AppendXmlText(out, raw);
  Check(IsValidUtf8(out));
  for (std::size_t i = 0; i < out.size(); ++i) {
    Check(out[i] != '<' && out[i] != '>' && out[i] != '\0');
    if (out[i] == '&') {
      const std::string_view rest = std::string_view(out).substr(i);
      Check(rest.starts_with("&amp;") || rest.starts_with("&lt;") || rest.starts_with("&gt;"));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemoryStorage storage;
  TextPane pane(storage);
  pane.LoadBytes(std::string(reinterpret_cast<const char*>(data), size));
  const std::string_view text = pane.Text();
  const TrackExport track = ReadExport(text);

  const std::size_t rows = DataRowCount(track.header, CountLines(text));
  const std::vector<std::string> doc = KmlDocumentLines(track.header, track.points);
  Check(doc.size() == 184 + 10 * track.points.size());
  Check(track.summary.size() == 4 + track.points.size());

  // The one conversion agrees with the reading of each row and the pieces of the document.
  const Converted converted = Convert(text);
  const ConversionCounts counts = converted.counts;
  Check(LinesOf(converted.kml) == doc);
  std::string summary;
  for (const auto& line : track.summary)
    summary.append(line).append("\r\n");
  Check(converted.summary == summary);
  Check(counts.points == track.points.size());
  Check(counts.points + counts.skipped == rows);

  for (const auto& line : doc) {
    Check(IsValidUtf8(line));
    Check(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
  }
  for (const auto* text : {&track.header.vehicle, &track.header.driver, &track.header.date}) {
    CheckInserted(*text);
  }
  for (const auto& p : track.points) {
    for (const auto* text : {&p.time, &p.speed, &p.latitude, &p.longitude})
      CheckInserted(*text);
  }

  // The trip's documents from the same text: times read forward, a GPX of well-formed UTF-8
  // (local times stand in for UTC here), facts without a negative or a part larger than its
  // whole.
  RowTimes times = ReadRowTimes(track.header, text);
  Check(times.rows == rows);
  struct SameClock final : LocalClock {
    ClockPassings Passings(std::int64_t local) const override { return {local, local}; }
  } clock;
  PutUtcTimes(times, clock);
  const std::string gpx = GpxDocument(track.header, text, times);
  Check(IsValidUtf8(gpx));

  // The tool reads the file's own line breaks, lone CRs and LFs among them: the same header,
  // documents and times as from the text the pane holds.
  std::string raw(reinterpret_cast<const char*>(data), size);
  raw.resize(std::min(raw.size(), raw.find('\0')));
  const TrackHeader rawHeader = ReadTrackHeader(raw, LineBreaks::Any);
  Check(rawHeader.vehicle == track.header.vehicle && rawHeader.driver == track.header.driver &&
        rawHeader.date == track.header.date &&
        rawHeader.firstDataLine == track.header.firstDataLine);
  const Converted fromRaw = Convert(raw, LineBreaks::Any);
  Check(fromRaw.kml == converted.kml && fromRaw.summary == converted.summary);
  RowTimes rawTimes = ReadRowTimes(rawHeader, raw);
  Check(rawTimes.rows == rows && rawTimes.local == times.local && rawTimes.row == times.row);
  PutUtcTimes(rawTimes, clock);
  Check(GpxDocument(rawHeader, raw, rawTimes) == gpx);
  TripRules rules;
  rules.speedLimit = 50;
  TripFactsWriter facts(rules);
  DayTraceWriter trace;
  TripWriter* const writers[] = {&facts, &trace};
  ReadTrip(text, track.header, times, writers);
  const TripFacts& f = facts.Facts();
  Check(f.stopped >= 0 && f.moving >= 0 && f.stopped <= f.duration && f.distanceKm >= 0 &&
        f.movingKm <= f.distanceKm + 1e-9);
  for (const TripLeg& leg : f.legs)
    Check(leg.seconds >= 0 && leg.seconds <= f.duration && leg.km >= 0);
  Check(IsValidUtf8(TripReportText(track.header, f, "Europe/Athens", rules)));
  TripTables tables("Europe/Athens");
  tables.Add("file", track.header, f, rules);
  Check(IsValidUtf8(CsvRows(tables.days) + CsvRows(tables.legs) + CsvRows(tables.stops)));
  const std::string page =
      DayPage({"<file & \"name\">", track.header, f, trace.Points(), rules, "Europe/Athens"});
  Check(IsValidUtf8(page) && IsWellFormedPage(page));
  return 0;
}
