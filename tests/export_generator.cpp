#include "export_generator.h"

#include <cstdio>
#include <random>

namespace {

// "Εταιρεία;Μεταφορές Α.Ε."
constexpr const char* kCompanyLine =
    "\xC5\xF4\xE1\xE9\xF1\xE5\xDF\xE1;\xCC\xE5\xF4\xE1\xF6\xEF\xF1\xDD\xF2 \xC1.\xC5.";
// "Ώρα;Τοποθεσία;Ταχύτητα (km/h);Κατάσταση;Γεωγρ. Πλάτος;Γεωγρ. Μήκος"
constexpr const char* kTitleLine =
    "\xBF\xF1\xE1;\xD4\xEF\xF0\xEF\xE8\xE5\xF3\xDF\xE1;\xD4\xE1\xF7\xFD\xF4\xE7\xF4\xE1 (km/h);"
    "\xCA\xE1\xF4\xDC\xF3\xF4\xE1\xF3\xE7;\xC3\xE5\xF9\xE3\xF1. \xD0\xEB\xDC\xF4\xEF\xF2;"
    "\xC3\xE5\xF9\xE3\xF1. \xCC\xDE\xEA\xEF\xF2";
// "Οδός Ερμού, Αθήνα"
constexpr const char* kPlace = "\xCF\xE4\xFC\xF2 \xC5\xF1\xEC\xEF\xFD, \xC1\xE8\xDE\xED\xE1";
// "Κίνηση"
constexpr const char* kMoving = "\xCA\xDF\xED\xE7\xF3\xE7";
// "Χωρίς σήμα GPS;ΑΝΑΖΗΤΗΣΗ ΔΟΡΥΦΟΡΩΝ;"
constexpr const char* kNoFixTail =
    "\xD7\xF9\xF1\xDF\xF2 \xF3\xDE\xEC\xE1 GPS;"
    "\xC1\xCD\xC1\xC6\xC7\xD4\xC7\xD3\xC7 \xC4\xCF\xD1\xD5\xD6\xCF\xD1\xD9\xCD;";

}  // namespace

GeneratedExport GenerateExport(const ExportShape& shape) {
  GeneratedExport out;
  std::string& b = out.bytes;
  b.reserve(shape.rows * 72 + 512);
  b.append(kCompanyLine).append("\r\n");
  b.append("\xCF\xE4\xE7\xE3\xFC\xF2;").append(shape.driver).append(";\r\n");
  b.append("\xC7\xEC\xE5\xF1\xEF\xEC\xE7\xED\xDF\xE1;").append(shape.date).append(";\r\n");
  b.append("\xBC\xF7\xE7\xEC\xE1;").append(shape.vehicle).append(";\r\n");
  b.append(kTitleLine).append("\r\n");

  std::mt19937 random(shape.seed);
  long lat = 3759711;  // degrees * 100000
  long lon = 2262680;
  char row[160];
  for (std::size_t i = 0; i < shape.rows; ++i) {
    const long seconds = 7 * 3600 + static_cast<long>(i) * 10;
    const int h = static_cast<int>((seconds / 3600) % 24),
              m = static_cast<int>((seconds / 60) % 60), s = static_cast<int>(seconds % 60);
    if (shape.noFixEvery > 0 && random() % shape.noFixEvery == 0) {
      std::snprintf(row, sizeof row, "%02d:%02d:%02d;;0;", h, m, s);
      b.append(row).append(kNoFixTail).append("\r\n");
      ++out.rowsWithoutFix;
      continue;
    }
    lat += static_cast<long>(random() % 201) - 100;
    lon += static_cast<long>(random() % 201) - 100;
    const int speed = static_cast<int>(random() % 120);
    std::snprintf(row, sizeof row, "%02d:%02d:%02d;%s;%d;%s;%ld,%05ld;%ld,%05ld", h, m, s, kPlace,
                  speed, kMoving, lat / 100000, lat % 100000, lon / 100000, lon % 100000);
    b.append(row).append("\r\n");
  }
  out.rows = shape.rows;
  return out;
}

std::string FixesAsPlainCsv(const std::string& exportBytes) {
  std::string csv = "lat,lon\n";
  std::size_t start = 0;
  while (start < exportBytes.size()) {
    std::size_t end = exportBytes.find("\r\n", start);
    if (end == std::string::npos) end = exportBytes.size();
    const std::string line = exportBytes.substr(start, end - start);
    start = end + 2;
    // Data rows have six fields and a number in the fifth.
    std::size_t fields[7] = {0};
    int n = 1;
    for (std::size_t i = 0; i < line.size() && n < 7; ++i) {
      if (line[i] == ';') fields[n++] = i + 1;
    }
    if (n != 6 || fields[4] >= line.size() || line[fields[4]] < '0' || line[fields[4]] > '9')
      continue;
    std::string lat = line.substr(fields[4], fields[5] - 1 - fields[4]);
    std::string lon = line.substr(fields[5]);
    for (auto* t : {&lat, &lon}) {
      for (auto& c : *t)
        if (c == ',') c = '.';
    }
    csv.append(lat).append(",").append(lon).append("\n");
  }
  return csv;
}
