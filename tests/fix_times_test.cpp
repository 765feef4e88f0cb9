#include "fix_times.h"

#include <gtest/gtest.h>

#include "export_reader.h"
#include "greek.h"
#include "line_view.h"

namespace {

// An export of the given date label whose data rows have these times ("-" for a row without
// a fix).
std::string Export(const std::string& date, const std::vector<std::string>& times) {
  std::string text = greek::kDateLabel + date + ";\r\n" + greek::kTitleLabel + "x\r\n";
  for (const auto& t : times) {
    text += t == "-" ? "10:00:00;x;0;y;" + greek::kNoFix + ";;z\r\n" : t + ";x;12;y;38,1;23,7\r\n";
  }
  return text;
}

// Every data row's local time, top down; empty where it has none.
std::vector<std::string> Shown(const RowTimes& times) {
  std::vector<std::string> shown;
  RowTimeReader reader(times, 0, true);
  for (std::size_t row = 0; row < times.rows; ++row) {
    const std::int64_t t = reader.At(row).local;
    std::string s;
    if (t != kNoTime) AppendIsoTime(s, t);
    shown.push_back(s);
  }
  return shown;
}

TEST(FixTimes, TheDayReadsForwardWhicheverWayTheRowsRun) {
  struct Case {
    const char* name;
    std::string date;
    std::vector<std::string> times;
    std::vector<std::string> local;
    std::size_t withoutTime;
  };
  const std::string d = "2013-10-22T", e = "2013-10-23T";
  const Case cases[] = {
      {"oldest first", "22/10/2013", {"10:00:00", "10:00:10"}, {d + "10:00:00", d + "10:00:10"}, 0},
      {"newest first", "22/10/2013", {"10:00:10", "10:00:00"}, {d + "10:00:10", d + "10:00:00"}, 0},
      {"past midnight, oldest first",
       "22/10/2013",
       {"23:59:50", "00:00:05", "00:10:00"},
       {d + "23:59:50", e + "00:00:05", e + "00:10:00"},
       0},
      {"past midnight, newest first",
       "22/10/2013",
       {"00:10:00", "00:00:05", "23:59:50"},
       {e + "00:10:00", e + "00:00:05", d + "23:59:50"},
       0},
      {"a clock set back an hour is not a new day",
       "27/10/2013",
       {"03:59:50", "03:00:00", "03:00:10"},
       {"2013-10-27T03:59:50", "2013-10-27T03:00:00", "2013-10-27T03:00:10"},
       0},
      {"times that do not read, and a row without a fix",
       "22/10/2013",
       {"10:00:00", "25:00:00", "7:5", "-", "10:00:20"},
       {d + "10:00:00", "", "", "", d + "10:00:20"},
       2},
      {"a date that is no date", "31/02/2013", {"10:00:00", "-", "10:00:10"}, {"", "", ""}, 2},
      {"a date that does not read", "2013-10-22", {"10:00:00"}, {""}, 1},
      {"the last day of a year",
       "31/12/2013",
       {"23:59:59", "00:00:00"},
       {"2013-12-31T23:59:59", "2014-01-01T00:00:00"},
       0},
  };
  for (const auto& c : cases) {
    const std::string text = Export(c.date, c.times);
    const RowTimes times = ReadRowTimes(ReadTrackHeader(text), text);
    EXPECT_EQ(Shown(times), c.local) << c.name;
    EXPECT_EQ(times.withoutTime, c.withoutTime) << c.name;
  }
}

}  // namespace
