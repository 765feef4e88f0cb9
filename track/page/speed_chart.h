// The day's speed against its local time as an SVG chart: stops shaded, the speed limit drawn
// when there is one.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "day_trace.h"
#include "trip_facts.h"

// The chart, or "" when no fix has both a time in order and a speed.
std::string SpeedChartSvg(std::span<const TracePoint> trace, const TripFacts& facts,
                          const TripRules& rules, std::string_view zone);
