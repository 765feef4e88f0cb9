// The whole KML document of an export, streamed line by line without holding the points:
// exactly the lines of WritePreamble and WriteTrack after ReadExport.
#pragma once

#include <cstddef>

#include "kml_writer.h"
#include "track_types.h"

struct ConversionCounts {
  std::size_t points = 0;
  std::size_t skipped = 0;  // data rows without a satellite fix
};

ConversionCounts WriteExportAsKml(const ExportLines& lines, const LineSink& sink);
