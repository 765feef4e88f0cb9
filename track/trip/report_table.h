// The trip's facts as tables of typed cells, one form for every way they are written: rows of
// comma-separated values, or the sheets of a workbook.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fix_times.h"

struct ReportCell {
  enum class Kind { Empty, Text, Number, Time };
  Kind kind = Kind::Empty;
  std::string text;   // Text: UTF-8. Number: its digits as the CSV writes them
  double number = 0;  // Number
  std::int64_t local = kNoTime, utc = kNoTime;  // Time: a local time and its instant

  static ReportCell Of(std::string utf8);
  static ReportCell Of(double value, std::string digits);
  static ReportCell Of(std::int64_t count);
  static ReportCell At(std::int64_t local, std::int64_t utc);
};

struct ReportColumn {
  std::string_view name;   // in a CSV's first row
  std::string_view title;  // at the head of a sheet's column, with its unit
  bool time = false;       // local times: a sheet's title names their zone
};

struct ReportTable {
  std::string_view sheet;
  std::vector<ReportColumn> columns;
  std::vector<std::vector<ReportCell>> rows;
};

// The row of column names, and the rows from `first` on, each ending in "\n". Texts are
// quoted where they must be; one that begins like a formula (=, +, -, @, tab, CR) is written
// after a "'" so a spreadsheet shows it rather than running it. Times are ISO 8601 local times
// with their UTC offset, "2024-10-27T03:10:00+02:00".
std::string CsvHeader(const ReportTable& table);
std::string CsvRows(const ReportTable& table, std::size_t first = 0);

// "+02:00", or "+01:34:52" for an offset that is not whole minutes.
std::string UtcOffsetText(std::int64_t seconds);
