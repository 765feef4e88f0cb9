// The one conversion of an export, for the window and the tool alike: its summary lines and
// its KML document, made in one reading of each row and handed on in large blocks, in the
// order the document needs them. No text is held per field or per point.
#pragma once

#include <cstddef>
#include <string_view>

#include "track_types.h"

struct ConversionCounts {
  std::size_t points = 0;
  std::size_t skipped = 0;  // data rows without a satellite fix
};

class ConversionOutput {
 public:
  virtual ~ConversionOutput() = default;
  // Summary lines (Windows-1253), each followed by CR LF: the four header lines, then one
  // per fix from the last row up.
  virtual void Summary(std::string_view lines) = 0;
  // False when the summary goes nowhere, so it is not made.
  virtual bool TakesSummary() const { return true; }
  // The document after its preamble (KmlPreamble), every line followed by CR LF.
  virtual void Kml(std::string_view bytes) = 0;
};

ConversionCounts ConvertExport(const ExportLines& lines, ConversionOutput& out);
