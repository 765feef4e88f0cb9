// Prints the UTC of midwinter and midsummer noon in 1995, 2005, 2013 and 2024 for each zone
// named in a file, as the tool's ZoneClock gives it: the Windows and the Linux build must
// print the same lines.
// Usage: trackkml-zone-utc ZONES.txt
#include <fstream>
#include <iostream>
#include <string>

#include "app_error.h"
#include "fix_times.h"
#include "time_zone.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: trackkml-zone-utc ZONES.txt\n";
    return 2;
  }
  std::ifstream zones(argv[1]);
  for (std::string name; std::getline(zones, name);) {
    if (!name.empty() && name.back() == '\r') name.pop_back();
    try {
      const ZoneClock zone(name);
      std::vector<std::int64_t> noons;
      for (const int year : {1995, 2005, 2013, 2024}) {
        for (const int month : {1, 7}) {
          const auto day =
              ParseExportDate("15/0" + std::to_string(month) + "/" + std::to_string(year));
          noons.push_back(*day * 86400 + 12 * 3600);
        }
      }
      RowTimes times = RowTimes::Of(std::move(noons));
      std::string line = name;
      PutUtcTimes(times, zone);
      for (const std::int64_t utc : times.utc) {
        line.push_back(' ');
        AppendIsoTime(line, utc);
      }
      std::cout << line << '\n';
    } catch (const AppError& error) {
      std::cout << name << ": " << error.what() << '\n';
    }
  }
  return 0;
}
