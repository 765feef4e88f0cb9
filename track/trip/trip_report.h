// The facts of a day's trip written for people (plain text) and as tables for spreadsheets:
// a row a day, a row a stop, a row a leg, a row a run over the speed limit.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report_table.h"
#include "track_types.h"
#include "trip_facts.h"

// The day's figures as named lines, in the report's order; `list` names the list of the facts
// that the text report gives after the line.
struct SummaryLine {
  enum class List { None, Stops, Legs, Speeding };
  std::string name, value;
  List list = List::None;
};
std::vector<SummaryLine> TripSummary(const TrackHeader& header, const TripFacts& facts,
                                     std::string_view zone, const TripRules& rules);

// Plain text for people, every line ending in "\n", in UTF-8; times are local to `zone`.
std::string TripReportText(const TrackHeader& header, const TripFacts& facts, std::string_view zone,
                           const TripRules& rules);

// The tables of a run of the tool, one row added per day (and per stop, leg and run) as each
// export is read. Times are local to `zone`, named in the sheets' titles.
struct TripTables {
  ReportTable days, stops, legs, speeding;
  std::string zone;

  explicit TripTables(std::string zone);
  // `file` as it is to be shown (UTF-8, its control characters escaped).
  void Add(std::string_view file, const TrackHeader& header, const TripFacts& facts,
           const TripRules& rules);
};
