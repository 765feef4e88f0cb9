// One export converted the way Open, Translate and Save in the window convert it.
#pragma once

#include <string>

#include "export_to_kml.h"
#include "line_block_writer.h"
#include "os_files.h"
#include "text_pane.h"

// Loads the export into pane: a file as Open loads it, "-" from standard input.
void LoadExport(TextPane& pane, const std::string& name, OsFiles& os);

// Writes the pane's KML document to the file `output`, replacing it only when whole.
ConversionCounts ConvertToFile(TextPane& pane, const std::string& output, OsFiles& os);
// Writes the pane's KML document to a descriptor.
ConversionCounts ConvertToDescriptor(TextPane& pane, int fd, OsFiles& os);
// Writes the summary lines, as the summary pane holds them after Open and Translate.
void WriteSummary(TextPane& pane, int fd, OsFiles& os);

// Where the KML of `input` goes: its save name, in `outputDir` when one is given.
std::string OutputNameFor(const std::string& input, const std::string& outputDir);
