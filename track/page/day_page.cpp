#include "day_page.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "html_text.h"
#include "report_words.h"
#include "route_drawing.h"
#include "shown_text.h"
#include "speed_chart.h"
#include "trip_report.h"

using namespace report_words;

namespace {

// A page's head up to its title: the same for a day and the index.
std::string PageHead() {
  std::string head =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  return head.append(kPageGenerator).append("\n");
}

// Screen first, then one A4 sheet: the route and the chart on top, the tables after.
constexpr std::string_view kStyle = R"(
:root{color-scheme:light;font-family:system-ui,"DejaVu Sans","Segoe UI",Arial,sans-serif;color:#1b1b1b;background:#fff}
body{margin:0 auto;max-width:64rem;padding:.75rem;line-height:1.35}
h1{font-size:1.35rem;margin:.2rem 0}
h2{font-size:1.05rem;margin:1.1rem 0 .35rem}
p.sub{margin:0 0 .6rem;color:#444}
figure{margin:0 0 .6rem}
figure svg{display:block;width:100%;height:auto}
.route svg{max-height:75vh}
figcaption{font-size:.85rem}
.legend{list-style:none;margin:.3rem 0 0;padding:0;display:flex;flex-wrap:wrap;gap:.2rem 1rem}
.legend li{display:flex;align-items:center;gap:.3rem}
.legend svg{width:24px;height:12px}
.legend path.speeding{stroke-width:8}
.ground{fill:#f7f7f4}
.grid line{stroke:#d9d9d4;stroke-width:1}
.grid text,.axis text{font-size:11px;fill:#555}
.route path,.legend path{fill:none;stroke-width:3.5;stroke-linecap:round;stroke-linejoin:round}
path.speeding{fill:none;stroke:#CC79A7;stroke-opacity:.7;stroke-width:11;stroke-linecap:round;stroke-linejoin:round}
.start{fill:none;stroke:#000;stroke-width:2.5}
.end{fill:#000}
.stop circle,.stop-mark{fill:#fff;stroke:#000;stroke-width:1.5}
.stop text{font-size:10px;font-weight:bold;text-anchor:middle;dominant-baseline:central}
.stop text.label{text-anchor:start;dominant-baseline:auto;font-weight:normal;font-size:11px;paint-order:stroke;stroke:#fff;stroke-width:3px}
.stop text.label.west{text-anchor:end}
.axis text.east{text-anchor:end}.axis text.west{text-anchor:start}
p.glance{margin:.1rem 0 .5rem;font-weight:600}
.grid text.top{dominant-baseline:hanging}
.scale rect{fill:#fff;fill-opacity:.85}
.scale path{fill:none;stroke:#000;stroke-width:1.5}
.scale text{font-size:11px}
.axis line{stroke:#e0e0e0}
.axis text{text-anchor:middle}
.speeds text{text-anchor:end}
.axis text.title{text-anchor:end;fill:#333}
.speeds text.title{text-anchor:start}
.stop-shade{fill:#e4e4e4}
path.speed{fill:none;stroke:#0072B2;stroke-width:1.25;stroke-linejoin:round}
line.limit{stroke:#D55E00;stroke-width:1.5;stroke-dasharray:6 4}
text.limit{font-size:11px;fill:#A33F00;text-anchor:end;paint-order:stroke;stroke:#fff;stroke-width:3px}
.tables{overflow-x:auto}
table{border-collapse:collapse;font-size:.88rem;margin:0 0 .4rem}
th,td{padding:.15rem .55rem;border-bottom:1px solid #ddd;text-align:left;vertical-align:top}
thead th{border-bottom:2px solid #999}
th.n,.legs td:nth-child(-n+1),.legs td:nth-child(n+4):nth-child(-n+7),.stops td:nth-child(-n+1),.stops td:nth-child(4),.runs td:nth-child(-n+1),.runs td:nth-child(4),.runs td:nth-child(5),.days td:nth-child(n+4):nth-child(-n+5){text-align:right;font-variant-numeric:tabular-nums}
table.facts th{font-weight:normal;color:#444}
.none{color:#666}
*{-webkit-print-color-adjust:exact;print-color-adjust:exact}
@media screen and (max-width:40rem){
.grid text,.axis text,.scale text,text.limit,.stop text.label{font-size:22px}
.stop text{font-size:15px}.stop circle{r:13px;stroke-width:2.5}.route path{stroke-width:6}
td{white-space:nowrap}
path.speeding{stroke-width:16}
}
@page{size:A4 portrait;margin:10mm}
@media print{
body{max-width:none;padding:0;font-size:8pt;line-height:1.25}
h1{font-size:12pt}h2{font-size:9.5pt;margin:.35rem 0 .15rem}
p.glance{margin:0 0 .2rem}p.sub{margin:0 0 .3rem}
figure{margin:0 0 .3rem}
.route svg{max-height:80mm}
.speed svg{max-height:34mm}
figcaption{font-size:7pt}.legend{margin:.1rem 0 0}
.facts-wrap{columns:3;column-gap:6mm}
table{font-size:7pt;margin:0 0 .2rem}th,td{padding:.05rem .4rem}
tr,figure{break-inside:avoid}
h2{break-after:avoid}
}
)";

// A text of the export, in its language.
std::string Greek(const std::string& utf8) {
  return "<span lang=\"el\">" + Html(utf8) + "</span>";
}

struct Column {
  const char* title;
  bool number;
};

// A page is read, not searched: past this many rows a table gives its first, and says where
// every one is.
constexpr std::size_t kMostRows = 1000;

// A table of the page, a row at a time from `row`; its numbers' columns are aligned by its
// class's style. `form` says where every row is listed.
void AppendTable(std::string& out, std::string_view heading, std::string_view kind,
                 std::span<const Column> columns, std::size_t rows,
                 const std::function<std::vector<std::string>(std::size_t)>& row,
                 std::string_view none, std::string_view form) {
  out.append("<h2>").append(heading).append("</h2>");
  if (rows == 0) {
    out.append("<p class=\"none\">").append(none).append("</p>");
    return;
  }
  out.append("<div class=\"tables\"><table class=\"").append(kind).append("\"><thead><tr>");
  for (const Column& c : columns)
    out.append(c.number ? "<th class=\"n\">" : "<th>").append(c.title).append("</th>");
  out.append("</tr></thead><tbody>");
  for (std::size_t i = 0; i < std::min(rows, kMostRows); ++i) {
    out.append("<tr>");
    for (const std::string& cell : row(i))
      out.append("<td>").append(Html(cell)).append("</td>");
    out.append("</tr>");
  }
  out.append("</tbody></table></div>");
  if (rows > kMostRows)
    out.append("<p class=\"none\">The first " + std::to_string(kMostRows) + " of " +
               std::to_string(rows) + "; " + std::string(form) + " lists every one.</p>");
}

std::string Kmh(double kmh) {
  return Fixed(kmh, 1);
}

// "14/03/2024" of local seconds.
std::string DayOf(std::int64_t local) {
  const std::string text = LocalTime(local);
  return text.size() < 10 ? text
                          : text.substr(8, 2) + "/" + text.substr(5, 2) + "/" + text.substr(0, 4);
}

// The day's numbers in one line, first on the screen.
std::string AtAGlance(const TripFacts& facts, const TripRules& rules, bool oneDay) {
  if (facts.first.utc == kNoTime) return "No fix with a time.";
  const auto when = [oneDay](std::int64_t local) {
    const std::string text = LocalTime(local);
    return oneDay && text.size() >= 16 ? text.substr(11, 5)
                                       : DayOf(local) + " " + text.substr(11, 5);
  };
  std::string line =
      Fixed(facts.distanceKm, 2) + " km · driving " + Clock(facts.moving) + " · " +
      std::to_string(facts.stops.size()) + (facts.stops.size() == 1 ? " stop" : " stops") + " · " +
      when(facts.first.local) + "–" + when(facts.last.local) + " · top " + Speed(facts.maxKmh);
  if (rules.speedLimit)
    line += " · " + std::to_string(facts.speeding.size()) + " over " + Limit(*rules.speedLimit) +
            " km/h";
  return line;
}

std::string Average(std::optional<double> kmh) {
  return kmh ? Fixed(*kmh, 1) : "";
}

}  // namespace

std::string DayPage(const DayPageInput& in) {
  const TripFacts& facts = in.facts;
  // Times within one day lose their date; a month's keep it.
  const bool oneDay = facts.first.local == kNoTime || LocalTime(facts.first.local).substr(0, 10) ==
                                                          LocalTime(facts.last.local).substr(0, 10);
  const auto when = [oneDay](std::int64_t local) {
    const std::string text = LocalTime(local);
    return oneDay && text.size() >= 19 ? text.substr(11) : text;
  };
  const std::string vehicle = Utf8(in.header.vehicle);
  // A page of several dates is titled with their range, as the page writes dates.
  const std::string date =
      oneDay ? Utf8(in.header.date) : DayOf(facts.first.local) + "–" + DayOf(facts.last.local);

  std::string out = PageHead();
  out.append("<title>").append(Html(vehicle + ", " + date)).append("</title>\n<style>");
  out.append(kStyle).append("</style>\n</head>\n<body>\n<header><h1>");
  out.append(Greek(vehicle)).append(" · ").append(Greek(date)).append("</h1>");
  out.append("<p class=\"glance\">")
      .append(Html(AtAGlance(facts, in.rules, oneDay)))
      .append("</p>");
  out.append("<p class=\"sub\">Driver ").append(Greek(Utf8(in.header.driver)));
  out.append(" · ").append(Html(in.file)).append("</p></header>\n");

  const std::string route = RouteSvg(in.trace, facts);
  out.append("<figure class=\"route\">");
  out.append(route.empty()
                 ? "<p class=\"none\">No fix has a position: there is no route to draw.</p>"
                 : route);
  out.append("<figcaption>")
      .append(RouteLegend(in.rules, !in.facts.stops.empty()))
      .append("</figcaption></figure>\n");
  const std::string chart = SpeedChartSvg(in.trace, facts, in.rules, in.zone);
  out.append("<figure class=\"speed\">");
  out.append(
      chart.empty()
          ? "<p class=\"none\">No fix has a time and a speed: there is no speed to chart.</p>"
          : chart);
  out.append("</figure>\n");

  out.append("<div class=\"facts-wrap\"><h2>The day</h2><table class=\"facts\"><tbody>");
  for (const SummaryLine& line : TripSummary(in.header, facts, in.zone, in.rules)) {
    const bool exportText = line.name == "Vehicle" || line.name == "Driver" || line.name == "Date";
    out.append("<tr><th>").append(Html(line.name)).append("</th><td>");
    out.append(exportText ? Greek(line.value) : Html(line.value)).append("</td></tr>");
  }
  out.append("</tbody></table></div>\n");

  using Row = std::vector<std::string>;
  const auto leg = [&](std::size_t i) {
    const TripLeg& l = facts.legs[i];
    return Row{std::to_string(i + 1),
               when(l.start.local),
               when(l.end.local),
               Fixed(l.km, 2),
               Clock(l.seconds),
               Kmh(l.maxKmh),
               Average(AverageKmh(l.km, l.seconds)),
               Place(l.start),
               Place(l.end)};
  };
  static constexpr Column kLegs[] = {{"Leg", true},
                                     {"Start", false},
                                     {"End", false},
                                     {"Distance (km)", true},
                                     {"Driving time", true},
                                     {"Maximum (km/h)", true},
                                     {"Average (km/h)", true},
                                     {"From", false},
                                     {"To", false}};
  AppendTable(out, "Legs", "legs", kLegs, facts.legs.size(), leg, "No legs.", in.everyRow.legs);

  const auto stop = [&](std::size_t i) {
    const TripStop& s = facts.stops[i];
    return Row{std::to_string(i + 1), when(s.arrival.local), when(s.departure.local),
               Clock(s.seconds), Place(s.arrival)};
  };
  static constexpr Column kStops[] = {
      {"Stop", true}, {"Arrival", false}, {"Departure", false}, {"Length", true}, {"Place", false}};
  AppendTable(out, StopsTitle(in.rules), "stops", kStops, facts.stops.size(), stop, "No stops.",
              in.everyRow.stops);

  if (in.rules.speedLimit) {
    const auto run = [&](std::size_t i) {
      const TripSpeeding& r = facts.speeding[i];
      return Row{std::to_string(i + 1), when(r.start.local), when(r.endLocal),
                 Clock(r.seconds),      Kmh(r.topKmh),       Place(r.start)};
    };
    static constexpr Column kRuns[] = {{"Run", true},    {"Start", false},     {"End", false},
                                       {"Length", true}, {"Top (km/h)", true}, {"Place", false}};
    AppendTable(out, SpeedingTitle(in.rules), "runs", kRuns, facts.speeding.size(), run,
                "No runs over the limit.", in.everyRow.speeding);
  }
  out.append("\n</body>\n</html>\n");
  return out;
}

std::string DayIndexPage(std::span<const DayIndexEntry> days) {
  std::string out = PageHead();
  out.append("<title>Days</title>\n<style>")
      .append(kStyle)
      .append("</style>\n</head>\n<body>\n<h1>Days</h1>\n");
  out.append(
      "<div class=\"tables\"><table class=\"days\"><thead><tr><th>Page</th><th>Vehicle</th>"
      "<th>Date</th><th class=\"n\">Distance (km)</th><th class=\"n\">Driving time</th></tr>"
      "</thead><tbody>\n");
  // The link first, in view on a phone's width.
  for (const DayIndexEntry& day : days) {
    out.append("<tr><td><a href=\"").append(Html(LinkOf(day.link))).append("\">");
    out.append(Html(Shown(day.link))).append("</a></td><td>").append(Greek(day.vehicle));
    out.append("</td><td>").append(Greek(day.date));
    out.append("</td><td>").append(Html(day.distance));
    out.append("</td><td>").append(Html(day.driving)).append("</td></tr>\n");
  }
  out.append("</tbody></table></div>\n</body>\n</html>\n");
  return out;
}

std::string LinkOf(std::string_view relativePath) {
  static constexpr std::string_view kReserved = "%#?\"<>`{}|^[]\\";
  std::string out;
  for (const char c : relativePath) {
    const auto byte = static_cast<unsigned char>(c);
    // A ":" before any "/" would read as a scheme.
    if (byte <= ' ' || byte >= 0x7F || kReserved.find(c) != std::string_view::npos ||
        (c == ':' && out.find('/') == std::string::npos)) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", byte);
      out.append(hex);
    } else {
      out.push_back(c);
    }
  }
  return out;
}
