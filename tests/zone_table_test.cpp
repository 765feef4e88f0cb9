// The zone files read as Windows reads them (ZoneTable) against cctz, which the Linux tool
// uses, for every zone shipped to Windows: around every clock change from 1970 to 2037, and
// at midwinter and midsummer noon of each year.
#include <cctz/civil_time.h>
#include <cctz/time_zone.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "pane_test_support.h"
#include "zone_table.h"

namespace {

namespace fs = std::filesystem;

std::int64_t Seconds(const cctz::civil_second& civil) {
  return civil - cctz::civil_second(1970, 1, 1, 0, 0, 0);
}

// The folders the Windows zip ships, as its build copies them.
std::vector<std::string> ShippedZones() {
  const fs::path root = "/usr/share/zoneinfo";
  std::vector<std::string> zones{"UTC"};
  for (const char* folder : {"Africa", "America", "Antarctica", "Arctic", "Asia", "Atlantic",
                             "Australia", "Europe", "Indian", "Pacific", "Etc"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      if (entry.is_regular_file()) zones.push_back(fs::relative(entry.path(), root).string());
    }
  }
  return zones;
}

TEST(ZoneTable, GivesCctzsInstantsForEveryShippedZone) {
  const auto zones = ShippedZones();
  ASSERT_GT(zones.size(), 300u);
  std::size_t lookups = 0, mismatches = 0;
  for (const auto& name : zones) {
    cctz::time_zone zone;
    ASSERT_TRUE(cctz::load_time_zone(name, &zone)) << name;
    const auto table = ZoneTable::Parse(ReadBytes("/usr/share/zoneinfo/" + name));
    ASSERT_TRUE(table) << name;
    std::vector<cctz::civil_second> locals;
    for (int year = 1970; year <= 2037; ++year) {
      locals.emplace_back(year, 1, 15, 12, 0, 0);
      locals.emplace_back(year, 7, 15, 12, 0, 0);
    }
    auto at = cctz::convert(cctz::civil_second(1970, 1, 1, 0, 0, 0), cctz::utc_time_zone());
    cctz::time_zone::civil_transition change;
    while (zone.next_transition(at, &change) && change.from.year() < 2038) {
      for (const auto& edge : {change.from, change.to}) {
        for (const int delta : {-3600, -1, 0, 1, 3600})
          locals.push_back(edge + delta);
      }
      at = zone.lookup(change.to).trans;
    }
    for (const auto& local : locals) {
      const auto want = zone.lookup(local);
      const std::int64_t pre = want.pre.time_since_epoch().count();
      const std::int64_t post = want.post.time_since_epoch().count();
      const auto got = table->ToUtc(Seconds(local));
      const std::int64_t second = want.kind == cctz::time_zone::civil_lookup::REPEATED ? post : pre;
      ++lookups;
      if (got.first != pre || got.second != second) {
        if (++mismatches <= 5) {
          ADD_FAILURE() << name << " at local " << local << ": " << got.first << "/" << got.second
                        << ", cctz " << pre << "/" << second;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0u) << "of " << lookups << " lookups in " << zones.size() << " zones";
}

}  // namespace
