// A trip read from its export's rows once, in trip order, through the jump filter to the
// writers that want it.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "fix_times.h"
#include "track_types.h"
#include "trip_points.h"

// Reads the export's data rows once, in trip order, handing each to every writer in turn:
// the rows in the direction their times run, out-of-order ones left out; or, where most are
// out of order, the timed fixes in the order of their instants. Jumps are found on the way.
// `times` as ReadRowTimes and PutUtcTimes made them from the same text.
void ReadTrip(std::string_view text, const TrackHeader& header, const RowTimes& times,
              std::span<TripWriter* const> writers);

// Where each timed entry's row starts in `rows` (the text from the first data row), for a
// trip read in the order of its instants.
std::vector<std::size_t> EntryOffsets(std::string_view rows, const RowTimes& times,
                                      LineBreaks breaks);
