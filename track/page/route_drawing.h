// The day's route as an SVG drawing in a true-to-scale projection of its area: coloured by
// speed, its start, end and stops marked, its runs over the speed limit drawn over it, with a
// scale bar and a latitude/longitude grid.
#pragma once

#include <span>
#include <string>

#include "day_trace.h"
#include "trip_facts.h"

// The drawing, or "" when no fix has a position.
std::string RouteSvg(std::span<const TracePoint> trace, const TripFacts& facts);

// The legend of its colours and marks, as HTML; the stops' mark only where there are stops.
std::string RouteLegend(const TripRules& rules, bool stops);
