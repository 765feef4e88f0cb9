// One export converted the way Open, Translate and Save in the window convert it: the same
// text the input pane would hold, the same lines, the same bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "atomic_file.h"
#include "export_conversion.h"
#include "os_files.h"
#include "text_loader.h"

// The export's text as Open would load it into the input pane, but for its line breaks, kept
// as the file has them (see LoadedText::breaks): a file, or "-" for standard input; and where
// a NUL cut it.
LoadedText LoadExport(const std::string& name, OsFiles& os);

// Writes the KML document of the export text into a file opened for saving; the caller
// commits it. `rowTimes`: the times of the data rows for the markers' TimeStamps (see
// KmlPieces).
// `breaks`: how the export text's lines are broken.
// `threads`: how many make its pieces (PieceThreads() when 0).
ConversionCounts ConvertInto(std::string_view exportText, LineBreaks breaks, AtomicFile& file,
                             const RowTimes* rowTimes = nullptr, unsigned threads = 0);
// Writes the KML document of the export text to a descriptor.
ConversionCounts ConvertToDescriptor(std::string_view exportText, LineBreaks breaks, int fd,
                                     OsFiles& os, const RowTimes* rowTimes = nullptr);
// Writes the summary lines, as the summary pane holds them after Open and Translate.
void WriteSummary(std::string_view exportText, LineBreaks breaks, int fd, OsFiles& os);
