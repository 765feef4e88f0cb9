// A day at a glance: one self-contained HTML page with the route, the speed over the day and
// the day's facts, to open anywhere, print on an A4 sheet or send; and the index of several.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "day_trace.h"
#include "track_types.h"
#include "trip_facts.h"

// What every page and index of the tool carries in its head: the index is replaced only
// where it holds it.
inline constexpr std::string_view kPageGenerator =
    "<meta name=\"generator\" content=\"trackkml-cli\">";

// Where a table's rows beyond the page's first are all listed, as the program that makes the
// page says it ("trackkml-cli --report=legs-csv").
struct EveryRowFrom {
  std::string_view legs, stops, speeding;
};

struct DayPageInput {
  std::string_view file;  // the export's name as shown (UTF-8)
  const TrackHeader& header;
  const TripFacts& facts;
  std::span<const TracePoint> trace;
  const TripRules& rules;
  std::string_view zone;
  EveryRowFrom everyRow;
};

std::string DayPage(const DayPageInput& in);

// A line of the index: the page's address relative to the index, and what it shows (UTF-8).
struct DayIndexEntry {
  std::string link, vehicle, date, distance, driving;
};

std::string DayIndexPage(std::span<const DayIndexEntry> days);

// A relative path ("/" between its parts) as a link: every byte that would end or change a
// URL's path, and every byte beyond ASCII, percent-encoded.
std::string LinkOf(std::string_view relativePath);
