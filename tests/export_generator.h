// Realistic exports of the tracking service, made up for tests and benchmarks: a Greek
// header, decimal commas, and now and then rows recorded without a satellite fix.
#pragma once

#include <cstddef>
#include <string>

struct GeneratedExport {
  std::string bytes;  // Windows-1253, CR LF line breaks
  std::size_t rows = 0;
  std::size_t rowsWithoutFix = 0;
};

struct ExportShape {
  std::size_t rows = 1000;
  unsigned seed = 1;
  std::string vehicle = "\xD7\xCC\xD1-6193";  // "ΧΜΡ-6193"
  std::string driver = "\xD7\xE1\xF4\xE6\xE7\xE4\xDC\xEA\xE7\xF2 \xC3\xE5\xFE\xF1\xE3\xE9\xEF\xF2";
  std::string date = "22/10/2013";
  int noFixEvery = 25;  // about one row in this many has no fix
};

GeneratedExport GenerateExport(const ExportShape& shape);

// The same fixes, top to bottom, as "lat,lon" pairs with decimal points.
std::string FixesAsPlainCsv(const std::string& exportBytes);
