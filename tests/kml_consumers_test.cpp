// The KML read back by programs that consume it: an XML checker, a GIS reader and a GPS
// data converter.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "export_generator.h"
#include "export_reader.h"
#include "export_rows.h"
#include "line_view.h"
#include "pane_test_support.h"
#include "run_command.h"

namespace {

struct Converted {
  ScratchDir dir;
  std::string kml;
  std::vector<TrackPoint> points;
};

// A realistic export with Greek names and XML's special characters in the vehicle.
Converted& Sample() {
  static Converted c = [] {
    Converted s;
    ExportShape shape{.rows = 300};
    shape.vehicle = "\xD7\xCC\xD1 & <6193>";
    const auto generated = GenerateExport(shape);
    WriteBytes(s.dir / "day.csv", generated.bytes);
    const auto r = RunCommand(ShellQuote(TRACKKML_CLI) + " -q " + ShellQuote(s.dir / "day.csv"));
    EXPECT_EQ(r.status, 0) << r.err;
    s.kml = s.dir / "day.kml";
    s.points = ReadExport(generated.bytes).points;
    return s;
  }();
  return c;
}

TEST(KmlConsumers, XmlCheckerFindsItWellFormed) {
  REQUIRE_TOOL("xmllint");
  const auto r = RunCommand("xmllint --noout " + ShellQuote(Sample().kml));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
}

TEST(KmlConsumers, GisReaderFindsOneRouteAndEveryPoint) {
  REQUIRE_TOOL("ogrinfo");
  const auto r = RunCommand("ogrinfo -ro -al " + ShellQuote(Sample().kml));
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  int routes = 0, points = 0;
  std::size_t vertices = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("  MULTILINESTRING", 0) == 0 || line.rfind("  LINESTRING", 0) == 0) {
      ++routes;
      vertices = static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
    } else if (line.rfind("  POINT", 0) == 0) {
      ++points;
    }
  }
  EXPECT_EQ(routes, 1);
  EXPECT_EQ(vertices, Sample().points.size());
  EXPECT_EQ(static_cast<std::size_t>(points), Sample().points.size());
}

TEST(KmlConsumers, GpsConverterGivesBackTheCoordinatesInOrder) {
  REQUIRE_TOOL("gpsbabel");
  const auto r = RunCommand("gpsbabel -i kml -f " + ShellQuote(Sample().kml) + " -o unicsv -F -");
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  std::getline(lines, line);  // column titles
  std::size_t i = 0;
  for (; std::getline(lines, line); ++i) {
    ASSERT_LT(i, Sample().points.size());
    double lat = 0, lon = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%*d,%lf,%lf", &lat, &lon), 2) << line;
    EXPECT_NEAR(lat, std::strtod(Sample().points[i].latitude.c_str(), nullptr), 1e-6) << i;
    EXPECT_NEAR(lon, std::strtod(Sample().points[i].longitude.c_str(), nullptr), 1e-6) << i;
  }
  EXPECT_EQ(i, Sample().points.size());
}

}  // namespace
