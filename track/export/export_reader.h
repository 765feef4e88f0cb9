// Reads an export of the tracking service: header values, the fixes bottom-up, and the
// summary lines for the summary pane (Windows-1253, as the export holds them).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "track_types.h"

TrackHeader ReadTrackHeader(std::string_view text, LineBreaks breaks = LineBreaks::CrLf);
std::vector<std::string> SummaryHeaderLines(const TrackHeader& header);
// The fix of one data row as views into the row, or nothing when the tracker had no
// satellite fix.
std::optional<FixTexts> ReadFix(std::string_view row);
// The summary line of a fix, "time lon lat speed" with decimal points, without its break.
void AppendSummaryLine(std::string& out, const FixTexts& fix);
// How many of a text's lines are data rows.
std::size_t DataRowCount(const TrackHeader& header, std::size_t lineCount);
