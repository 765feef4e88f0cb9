// The tool's outputs beyond the default document: times turned into UTC by a real time-zone
// database, and the GPX, the timed KML and the report read back by programs that consume them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "app_error.h"
#include "export_generator.h"
#include "greek.h"
#include "pane_test_support.h"
#include "run_command.h"
#include "time_zone.h"
#include "tool_messages.h"

namespace {

namespace fs = std::filesystem;

std::int64_t Local(int y, unsigned m, unsigned d, int h, int mi, int s) {
  using namespace std::chrono;
  const year_month_day date{year(y), month(m), day(d)};
  return sys_days(date).time_since_epoch().count() * 86400 + h * 3600 + mi * 60 + s;
}

std::string Iso(std::int64_t t) {
  std::string s;
  AppendIsoTime(s, t);
  return s;
}

TEST(ZoneClock, AthensAcrossItsClockChanges) {
  const ZoneClock athens("Europe/Athens");
  RowTimes times = RowTimes::Of({
      Local(2013, 1, 15, 12, 0, 0),   // winter: UTC+2
      Local(2013, 3, 31, 2, 59, 50),  // the last time before the clocks go forward
      Local(2013, 3, 31, 4, 0, 0),    // the first after: UTC+3
      Local(2013, 7, 1, 12, 0, 0),    // summer
      Local(2013, 10, 27, 3, 50, 0),  // the hour that repeats, the first time
      Local(2013, 10, 27, 3, 59, 50),
      Local(2013, 10, 27, 3, 0, 0),  // the clocks went back: the
                                     // second time
      Local(2013, 10, 27, 3, 10, 0),
      Local(2013, 10, 27, 4, 0, 0),
      kNoTime,
  });
  std::vector<std::string> utc;
  PutUtcTimes(times, athens);
  for (const std::int64_t t : times.utc)
    utc.push_back(t == kNoTime ? "" : Iso(t));
  EXPECT_EQ(utc, (std::vector<std::string>{
                     "2013-01-15T10:00:00", "2013-03-31T00:59:50", "2013-03-31T01:00:00",
                     "2013-07-01T09:00:00", "2013-10-27T00:50:00", "2013-10-27T00:59:50",
                     "2013-10-27T01:00:00", "2013-10-27T01:10:00", "2013-10-27T02:00:00", ""}));

  // Newest first: the same times read bottom up.
  std::reverse(times.local.begin(), times.local.end());
  times.newestFirst = true;
  std::vector<std::string> reversed;
  PutUtcTimes(times, athens);
  for (const std::int64_t t : times.utc)
    reversed.insert(reversed.begin(), t == kNoTime ? "" : Iso(t));
  EXPECT_EQ(reversed, utc);

  EXPECT_THROW(ZoneClock("Europe/Nowhere"), AppError);
}

// Only plain zone names are looked up and only regular files read: a device name, a path out
// of the database, or a pipe put in it are unknown zones at once, their names shown escaped.
// A database that is not there is said to be missing, with where it was looked for.
TEST(ZoneClock, NamesThatAreNotZonesAndAMissingDatabase) {
  ScratchDir dir;
  fs::create_directories(dir / "zones/Europe");
  fs::copy_file("/usr/share/zoneinfo/Europe/Athens", dir / "zones/Europe/Athens");
  ASSERT_EQ(::mkfifo((dir / "zones/Europe/Pipe").c_str(), 0644), 0);
  // A zone file that were opened as a pipe would hang the run: the timeout only ends such a
  // hang (status 124), it times nothing.
  const std::string tool = "TZDIR=" + ShellQuote(dir / "zones") + " timeout 120 " +
                           ShellQuote(TRACKKML_CLI) + " --stdout --timestamps --time-zone ";
  WriteBytes(dir / "day.csv", GenerateExport(ExportShape{.rows = 20}).bytes);
  const std::string day = " " + ShellQuote(dir / "day.csv");
  // What comes before the name, which is shown escaped.
  const std::string_view unknown = tool_messages::kUnknownZone;
  const std::string unknownZone =
      std::string(tool_messages::kProgram) + std::string(unknown.substr(0, unknown.find("%1")));
  for (const std::string name : {"Europe/Pipe", "COM1", "Europe/aux", "../zones/Europe/Athens",
                                 "Europe//Athens", "/etc/passwd", "Europe/Athens\n"}) {
    const auto r = RunCommand(tool + ShellQuote(name) + day);
    EXPECT_EQ(r.status, 2) << name;
    EXPECT_TRUE(r.err.starts_with(unknownZone)) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.find("\n" + std::string(tool_messages::kUsageLine)))
        << "one line, then the usage";
  }
  EXPECT_EQ(RunCommand(tool + "Europe/Athens" + day).status, 0);

  const auto r = RunCommand("TZDIR=" + ShellQuote(dir / "none") + " " + ShellQuote(TRACKKML_CLI) +
                            " --gpx" + day);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, std::string(tool_messages::kProgram) +
                       Filled(tool_messages::kNoZoneDatabase, {dir / "none"}) + "\n");
}

// A day of stop and go, a row every 10 s from 07:00:00: driving at about 40 km/h, standing
// still (speed 0, where it arrived) for 400 s, driving, standing 100 s, driving.
std::string StopAndGo() {
  std::string text = greek::kVehicleLabel + greek::kVehicle + ";\r\n" + greek::kDriverLabel +
                     greek::kDriver + ";\r\n" + greek::kDateLabel + "22/10/2013;\r\n" +
                     greek::kTitleLabel + "x\r\n";
  int lat = 3759711;  // degrees * 100000
  int second = 7 * 3600;
  const auto row = [&](int speed) {
    char line[96];
    std::snprintf(line, sizeof line, "%02d:%02d:%02d;x;%d;y;%d,%05d;22,62680\r\n", second / 3600,
                  second / 60 % 60, second % 60, speed, lat / 100000, lat % 100000);
    text += line;
    second += 10;
  };
  for (const auto& [rows, speed] : {std::pair{30, 40}, {40, 0}, {30, 40}, {10, 0}, {20, 40}}) {
    for (int i = 0; i < rows; ++i) {
      if (speed > 0 || i == 0) lat += 100;  // the first fix of a stop is where it arrived
      row(speed);
    }
  }
  return text;
}

struct Outputs {
  ScratchDir dir;
  CommandResult report;
};

Outputs& StopAndGoOutputs() {
  static Outputs o = [] {
    Outputs s;
    WriteBytes(s.dir / "day.csv", StopAndGo());
    s.report = RunCommand(ShellQuote(TRACKKML_CLI) + " --timestamps --gpx --report=csv " +
                          "--stop-minutes 0 " + ShellQuote(s.dir / "day.csv"));
    EXPECT_EQ(s.report.status, 0) << s.report.err;
    return s;
  }();
  return o;
}

// The value of a line "name: value" that a reader printed.
std::string Field(const std::string& out, const std::string& name) {
  const auto at = out.find(name + ": ");
  if (at == std::string::npos) return {};
  const auto start = at + name.size() + 2;
  return out.substr(start, out.find('\n', start) - start);
}

double Seconds(const std::string& clock) {
  int h = 0, m = 0, s = 0;
  std::sscanf(clock.c_str(), "%d:%d:%d", &h, &m, &s);
  return h * 3600 + m * 60 + s;
}

TEST(TripOutputs, TheGpxOpensInEveryReaderAndAgreesWithTheReport) {
  REQUIRE_TOOL("gpxinfo");
  REQUIRE_TOOL("ogrinfo");
  REQUIRE_TOOL("gpsbabel");
  REQUIRE_TOOL("xmllint");
  Outputs& o = StopAndGoOutputs();
  const std::string gpx = o.dir / "day.gpx";
  constexpr int kPoints = 130;

  EXPECT_EQ(RunCommand("xmllint --noout " + ShellQuote(gpx)).status, 0);
  const auto babel = RunCommand("gpsbabel -t -i gpx -f " + ShellQuote(gpx) + " -o unicsv -F -");
  ASSERT_EQ(babel.status, 0) << babel.err;
  EXPECT_EQ(std::count(babel.out.begin(), babel.out.end(), '\n'), kPoints + 1);
  const auto tracks = RunCommand("ogrinfo -ro -so " + ShellQuote(gpx) + " tracks");
  EXPECT_EQ(Field(tracks.out, "Feature Count"), "1") << tracks.out << tracks.err;
  const auto points = RunCommand("ogrinfo -ro -so " + ShellQuote(gpx) + " track_points");
  EXPECT_EQ(Field(points.out, "Feature Count"), std::to_string(kPoints));

  // The report against gpxpy's reading of the same GPX. Both measure the distance along
  // great circles between consecutive points (with slightly different earth radii) and the
  // duration from the first time to the last. They define "moving" differently: gpxinfo
  // counts an interval as moving when its own speed (distance over time) is over 1 km/h and
  // leaves out intervals of no distance; the report counts everything but stops, a stop
  // lasting from the first fix at speed 0 to the next that moves. On a day whose speed-0 fixes
  // stand still (as here) and with every stop counted (--stop-minutes 0), the report's moving
  // time is gpxinfo's less the one interval of each stop's departure (two stops of 10 s).
  const auto info = RunCommand("gpxinfo " + ShellQuote(gpx));
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_EQ(Field(info.out, "Points"), std::to_string(kPoints));
  std::istringstream csv(o.report.out);
  std::string header, row;
  std::getline(csv, header);
  std::getline(csv, row);
  std::vector<std::string> cells;
  std::stringstream cellStream(row);
  for (std::string cell; std::getline(cellStream, cell, ',');)
    cells.push_back(cell);
  ASSERT_EQ(std::count(header.begin(), header.end(), ','), 25) << header;
  ASSERT_EQ(std::count(row.begin(), row.end(), ','), 25) << row;
  const double duration = std::stod(cells[7]), distanceKm = std::stod(cells[8]),
               moving = std::stod(cells[9]);
  EXPECT_EQ(cells[5], "2013-10-22T07:00:00+03:00");
  EXPECT_EQ(Field(info.out, "Started"), "2013-10-22 04:00:00+00:00");
  EXPECT_EQ(Field(info.out, "Ended"), "2013-10-22 04:21:30+00:00");
  EXPECT_EQ(duration, 1290);
  EXPECT_NEAR(distanceKm, std::stod(Field(info.out, "Length 2D")), 0.005 * distanceKm);
  EXPECT_NEAR(moving + 2 * 10, Seconds(Field(info.out, "Moving time")), 0.005 * moving);
  EXPECT_EQ(cells[11], "2") << "both standing runs are stops";
}

TEST(TripOutputs, TimestampsKeepTheKmlValidAndEveryMarker) {
  REQUIRE_TOOL("ogrinfo");
  REQUIRE_TOOL("xmllint");
  Outputs& o = StopAndGoOutputs();
  const std::string kml = ReadBytes(o.dir / "day.kml");
  EXPECT_EQ(RunCommand("xmllint --noout " + ShellQuote(o.dir / "day.kml")).status, 0);
  const auto r = RunCommand("ogrinfo -ro -al " + ShellQuote(o.dir / "day.kml"));
  ASSERT_EQ(r.status, 0) << r.err;
  std::size_t points = 0;
  for (std::size_t at = r.out.find("  POINT"); at != std::string::npos;
       at = r.out.find("  POINT", at + 1))
    ++points;
  EXPECT_EQ(points, 130u);
  // The newest fix comes first, as the document lists them; it stands in UTC.
  EXPECT_NE(kml.find("km/h</name>\r\n\t<TimeStamp><when>2013-10-22T04:21:30Z</when></TimeStamp>"
                     "\r\n\t<styleUrl>"),
            std::string::npos);

  // Without the option, the document is the one the window writes.
  const auto plain =
      RunCommand(ShellQuote(TRACKKML_CLI) + " --stdout " + ShellQuote(o.dir / "day.csv"));
  std::string stripped = kml;
  for (std::size_t at = stripped.find("\t<TimeStamp>"); at != std::string::npos;
       at = stripped.find("\t<TimeStamp>", at))
    stripped.erase(at, stripped.find("\r\n", at) + 2 - at);
  EXPECT_EQ(plain.out, stripped);
}

TEST(TripOutputs, TheGoldenExportsReport) {
  ScratchDir dir;
  WriteBytes(dir / "day.csv", ReadBytes(std::string(TRACKKML_TEST_DATA) + "/day.csv"));
  const auto r = RunCommand("cd " + ShellQuote(dir.path()) + " && " + ShellQuote(TRACKKML_CLI) +
                            " --report day.csv");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, ReadBytes(std::string(TRACKKML_TEST_DATA) + "/day-report.txt"));
  EXPECT_EQ(r.err, Filled(tool_messages::kConverted, {"day.csv", "day.kml", "283", "17"}) + "\n");
}

}  // namespace

// The facts as CSV and as a workbook, both read back by Python: a file name that is not UTF-8
// is escaped, texts that begin like formulas reach a spreadsheet as texts, times carry their
// UTC offset, and every sheet holds the CSV's own figures, times as date-times with their
// offsets beside them; each prints no smaller than 8 pt.
TEST(TripOutputs, TheCsvAndTheWorkbookAgree) {
  REQUIRE_TOOL("/usr/bin/python3");
  ScratchDir dir;
  std::string day = StopAndGo();
  day.replace(day.find(greek::kDriver), greek::kDriver.size(), "=HYPERLINK(\"x\",\"y\")");
  const std::string name = "day\x01\xff.csv";
  WriteBytes(dir / name, day);
  const std::string tool = "cd " + ShellQuote(dir.path()) + " && " + ShellQuote(TRACKKML_CLI) +
                           " --stop-minutes 0 --speed-limit 35 ";
  const auto days = RunCommand(tool + "--report=csv --report=xlsx week.xlsx " + ShellQuote(name));
  ASSERT_EQ(days.status, 0) << days.err;
  for (const auto& [form, file] : {std::pair{"legs-csv", "legs.csv"},
                                   {"stops-csv", "stops.csv"},
                                   {"speeding-csv", "speeding.csv"}}) {
    const auto r = RunCommand(tool + "-q --report=" + form + " " + ShellQuote(name));
    ASSERT_EQ(r.status, 0) << r.err;
    WriteBytes(dir / file, r.out);
  }
  WriteBytes(dir / "days.csv", days.out);
  EXPECT_NE(days.out.find("\nday\\x01\\xff.csv,ΑΒΓ-1234,\"'=HYPERLINK(\"\"x\"\",\"\"y\"\")\","
                          "22/10/2013,Europe/Athens,2013-10-22T07:00:00+03:00,"),
            std::string::npos)
      << days.out;

  const auto check = RunCommand("cd " + ShellQuote(dir.path()) + " && /usr/bin/python3 -c '" + R"py(
import csv, datetime, openpyxl
book = openpyxl.load_workbook("week.xlsx")
for sheet, name, rows in [("Days", "days.csv", 1), ("Stops", "stops.csv", 2),
                          ("Legs", "legs.csv", 3), ("Speeding", "speeding.csv", 3)]:
    table = list(csv.reader(open(name, encoding="utf-8")))
    ws = book[sheet]
    assert ws.freeze_panes == "A2", sheet
    assert len(table) == rows + 1 and ws.max_row == rows + 1, (sheet, len(table), ws.max_row)
    # Printed no smaller than 8 pt: columns of at most 170 characters a page wide.
    widths = sum(ws.column_dimensions[openpyxl.utils.get_column_letter(c)].width
                 for c in range(1, ws.max_column + 1))
    pages = ws.page_setup.fitToWidth or 1  # 1 is left unwritten
    assert ws.sheet_properties.pageSetUpPr.fitToPage, sheet
    assert widths / pages <= 170, (sheet, widths, pages)
    for r, row in enumerate(table[1:], start=2):
        c = 0
        for text in row:
            c += 1
            value = ws.cell(r, c).value
            title = ws.cell(1, c).value
            if isinstance(value, datetime.datetime):
                assert "(Europe/Athens)" in title, title
                assert value == datetime.datetime.fromisoformat(text).replace(tzinfo=None), (text, value)
                # Beside it its offset, so that an hour that repeats reads as one or the other.
                c += 1
                assert ws.cell(1, c).value == "UTC\noffset" and ws.cell(r, c).value == text[19:], (
                    sheet, ws.cell(r, c).value, text)
            elif isinstance(value, (int, float)):
                assert value == float(text), (sheet, title, text, value)
            elif value is None:
                assert text == "", (sheet, title, text)
            else:
                assert text == value or text == chr(39) + value, (sheet, title, text, value)
print("ok")
)py" + "'");
  EXPECT_EQ(check.out, "ok\n") << check.err;
}

// The day's page of the golden export, byte for byte.
TEST(DayPage, TheGoldenExportsPage) {
  ScratchDir dir;
  WriteBytes(dir / "day.csv", ReadBytes(std::string(TRACKKML_TEST_DATA) + "/day.csv"));
  const auto r = RunCommand("cd " + ShellQuote(dir.path()) + " && " + ShellQuote(TRACKKML_CLI) +
                            " --html day.csv");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir / "day.html"), ReadBytes(std::string(TRACKKML_TEST_DATA) + "/day.html"));
}

// A page read by an independent HTML parser, strictly: it parses without an error, runs and
// fetches nothing, shows the export's markup-like names as text, draws a stop mark and a shaded
// span for each stop and a path for each run over the limit, and its facts are the report's,
// line for line. With two exports, the index links both pages, a name that is not UTF-8 too.
TEST(DayPage, AnHtmlParserReadsTheReportsFacts) {
  REQUIRE_TOOL("/usr/bin/python3");
  if (RunCommand("/usr/bin/python3 -c 'import html5lib'").status != 0) {
    if (const char* ci = std::getenv("CI"); ci != nullptr && std::string(ci) == "true")
      FAIL() << "python3-html5lib is missing (scripts/setup.sh installs it)";
    GTEST_SKIP() << "python3-html5lib is missing";
  }
  ScratchDir dir;
  std::string day = StopAndGo();
  day.replace(day.find(greek::kDriver), greek::kDriver.size(), "<script>alert(1)</script> & Co");
  WriteBytes(dir / "day.csv", day);
  fs::create_directories(dir / "other");
  WriteBytes(dir / "other/day 2\x01\xff.csv", StopAndGo());
  const auto r = RunCommand("cd " + ShellQuote(dir.path()) + " && " + ShellQuote(TRACKKML_CLI) +
                            " --html --report --stop-minutes 0 --speed-limit 35 -o pages day.csv " +
                            ShellQuote("other/day 2\x01\xff.csv"));
  ASSERT_EQ(r.status, 0) << r.err;
  WriteBytes(dir / "report.txt", r.out);
  const auto check = RunCommand("cd " + ShellQuote(dir.path()) + " && /usr/bin/python3 -c '" + R"py(
import html5lib, re
def parse(name):
    return html5lib.HTMLParser(strict=True, namespaceHTMLElements=False).parse(open(name, "rb"))
def items(doc, tag, cls):
    return [e for e in doc.iter() if e.tag.split("}")[-1] == tag and cls in e.get("class", "").split()]
report = open("report.txt", encoding="utf-8").read().split("\n")
first = report[1:report.index(next(l for l in report[1:] if not l.startswith("  ")))]
facts = [l[2:].split(": ", 1) for l in first if not l.startswith("    ")]
count = dict(facts)
doc = parse("pages/day.html")
assert doc.get("lang") == "en", doc.get("lang")
for e in doc.iter():
    assert e.tag.split("}")[-1] not in ("script", "iframe", "object", "link", "img"), e.tag
    for k, v in e.attrib.items():
        assert not k.startswith("on"), k
        assert k.endswith("xmlns") or "//" not in v, (k, v)
rows = [(tr[0].text, "".join(tr[1].itertext())) for tr in items(doc, "table", "facts")[0].iter("tr")]
assert rows == [tuple(f) for f in facts], (rows, facts)
assert count["Driver"] == "<script>alert(1)</script> & Co", count["Driver"]
stops = int(count["Stops (every run at speed 0)"])
runs = int(count["Runs over 35 km/h for 10 s or more"])
assert stops == 2 and runs == 3, (stops, runs)
assert len(items(doc, "g", "stop")) == stops
assert len(items(doc, "rect", "stop-shade")) == stops
assert len(items(doc, "path", "speeding")) == runs + 1  # and the legend one
assert len([p for p in doc.iter() if re.fullmatch(r"b\d", p.get("class", ""))]) >= 2
index = parse("pages/index.html")
links = [a.get("href") for a in index.iter("a")]
assert links == ["day.html", "day%202%01%FF.html"], links
assert [a.text for a in index.iter("a")] == ["day.html", "day 2\\x01\\xff.html"]
print("ok")
)py" + "'");
  EXPECT_EQ(check.out, "ok\n") << check.err;
}
