#include "export_reader.h"
#include "export_rows.h"

#include <gtest/gtest.h>

#include "greek.h"

namespace {

using namespace greek;

// The lines as a pane holds them.
struct Lines {
  std::vector<std::string> text;
  std::string view() const {
    std::string joined;
    for (const auto& line : text)
      joined.append(line).append("\r\n");
    return joined;
  }
};

TrackExport Read(const std::vector<std::string>& lines) {
  return ReadExport(Lines{lines}.view());
}

TEST(ReadExport, ReadsTheWholeExample) {
  const auto result = Read({
      kVehicleLabel + kVehicle + ";",
      kDriverLabel + kDriver + ";",
      kDateLabel + "01/02/2010;",
      kTitleLabel + "\xD4\xE1\xF7\xFD\xF4\xE7\xF4\xE1",
      "10:00:05;x;12;y;38,1;23,7;z",
      "10:00:00;x;0;y;" + kNoFix + ";;z",
  });
  EXPECT_EQ(result.header.vehicle, kVehicle);
  EXPECT_EQ(result.header.driver, kDriver);
  EXPECT_EQ(result.header.date, "01/02/2010");
  EXPECT_EQ(result.header.firstDataLine, 4);
  EXPECT_EQ(result.summary,
            (std::vector<std::string>{kVehicleCaption + kVehicle, kDriverCaption + kDriver,
                                      kDateCaption + "01/02/2010", "Data 1st Line: 4",
                                      "10:00:05 23.7 38.1 12"}));
  ASSERT_EQ(result.points.size(), 1u);
  const TrackPoint& p = result.points[0];
  EXPECT_EQ(p.time, "10:00:05");
  EXPECT_EQ(p.speed, "12");
  EXPECT_EQ(p.latitude, "38.1");
  EXPECT_EQ(p.longitude, "23.7");
}

struct HeaderCase {
  const char* name;
  std::vector<std::string> lines;
  std::string vehicle, driver, date;
  long long firstDataLine;
};

TEST(ReadTrackHeader, FindsEachLabelIndependently) {
  const HeaderCase cases[] = {
      {"any order",
       {kTitleLabel + "x", kDateLabel + "D", kDriverLabel + "R", kVehicleLabel + "V"},
       "V",
       "R",
       "D",
       1},
      {"first occurrence wins",
       {kVehicleLabel + "V1", kTitleLabel, kVehicleLabel + "V2", kTitleLabel},
       "V1",
       "",
       "",
       2},
      {"label needs its semicolon",
       {"\xBC\xF7\xE7\xEC\xE1: X", kVehicleLabel.substr(0, 5)},
       "",
       "",
       "",
       1},
      {"no title row", {kVehicleLabel + "V", "a;b;c;d;1;2"}, "V", "", "", 1},
      {"title row last", {kVehicleLabel + "V", "a;b;c;d;1;2", kTitleLabel + "x"}, "V", "", "", 3},
      {"label without value", {kVehicleLabel, kDateLabel + "D;extra"}, "", "", "D", 1},
      {"empty export", {}, "", "", "", 1},
  };
  for (const auto& c : cases) {
    const auto header = ReadTrackHeader(Lines{c.lines}.view());
    EXPECT_EQ(header.vehicle, c.vehicle) << c.name;
    EXPECT_EQ(header.driver, c.driver) << c.name;
    EXPECT_EQ(header.date, c.date) << c.name;
    EXPECT_EQ(header.firstDataLine, c.firstDataLine) << c.name;
  }
}

TEST(ReadExport, ProcessesRowsBottomUp) {
  const auto result = Read({kTitleLabel, "R1;;1;;1;1", "R2;;2;;2;2", "R3;;3;;3;3"});
  ASSERT_EQ(result.points.size(), 3u);
  EXPECT_EQ(result.points[0].time, "R3");
  EXPECT_EQ(result.points[1].time, "R2");
  EXPECT_EQ(result.points[2].time, "R1");
  EXPECT_EQ(result.summary.back(), "R1 1 1 1");
}

struct RowCase {
  const char* name;
  std::string row;
  bool isPoint;
  std::string time = {}, speed = {}, latitude = {}, longitude = {}, summary = {};
};

TEST(ReadTrackPoint, SkipsOnlyTheExactNoFixStatus) {
  const RowCase cases[] = {
      {"no fix", "t;;0;;" + kNoFix + ";", false},
      {"no fix, nothing after", "t;;0;;" + kNoFix, false},
      {"status with a trailing blank is a point", "t;;0;;" + kNoFix + " ;", true, "t", "0",
       kNoFix + " ", "", "t  " + kNoFix + "  0"},
      {"status in another field is a point", "t;;0;;1;" + kNoFix, true, "t", "0", "1", kNoFix,
       "t " + kNoFix + " 1 0"},
      {"decimal commas", "t;;1,5;;38,1,2;23,7", true, "t", "1.5", "38.1.2", "23.7",
       "t 23.7 38.1.2 1.5"},
      {"empty line", "", true, "", "", "", "", "   "},
      {"short row repeats its last field", "t;x;9", true, "t", "9", "9", "9", "t 9 9 9"},
      {"row ending in ;", "t;x;9;", true, "t", "9", "", "", "t   9"},
      {"not numbers", "a;b;c;d;e;f;g", true, "a", "c", "e", "f", "a f e c"},
  };
  for (const auto& c : cases) {
    const auto point = ReadTrackPoint(c.row);
    ASSERT_EQ(point.has_value(), c.isPoint) << c.name;
    if (!point) continue;
    EXPECT_EQ(point->time, c.time) << c.name;
    EXPECT_EQ(point->speed, c.speed) << c.name;
    EXPECT_EQ(point->latitude, c.latitude) << c.name;
    EXPECT_EQ(point->longitude, c.longitude) << c.name;
    std::string summary;
    AppendSummaryLine(summary, *ReadFix(c.row));
    EXPECT_EQ(summary, c.summary) << c.name;
  }
}

TEST(ReadExport, DataRowsStartAfterTheTitleRow) {
  // Without a title row every line from index 1 on is a data row, label lines included.
  auto result = Read({kVehicleLabel + "V;", kDateLabel + "D;", "t;;1;;2;3"});
  EXPECT_EQ(result.summary[3], "Data 1st Line: 1");
  ASSERT_EQ(result.points.size(), 2u);
  EXPECT_EQ(result.points[1].time, kDateLabel.substr(0, kDateLabel.size() - 1));

  // A title row that is the last line leaves no data rows.
  result = Read({kVehicleLabel + "V;", "t;;1;;2;3", kTitleLabel});
  EXPECT_TRUE(result.points.empty());
  EXPECT_EQ(result.summary.size(), 4u);

  // An empty export gives only the four header lines.
  result = Read({});
  EXPECT_EQ(result.summary, (std::vector<std::string>{kVehicleCaption, kDriverCaption, kDateCaption,
                                                      "Data 1st Line: 1"}));
}

TEST(ReadExport, CountsDataRows) {
  const Lines lines{{kTitleLabel, "a", "b"}};
  EXPECT_EQ(DataRowCount(ReadTrackHeader(lines.view()), 3), 2u);
  const Lines none{{"a", kTitleLabel}};
  EXPECT_EQ(DataRowCount(ReadTrackHeader(none.view()), 2), 0u);
}

}  // namespace
