// The catalogues of texts a user can see, and how their places are filled.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <span>
#include <vector>

#include "../mainfrm/window_texts.h"
#include "../textview/memo_texts.h"
#include "file_messages.h"
#include "tool_messages.h"

namespace {

// Each text's places are numbered from %1 on, none skipped, so that Filled fills every one;
// and no two entries of a catalogue share a name.
TEST(Messages, EveryCatalogueEntryNumbersItsPlacesWithoutAGap) {
  std::vector<CatalogueEntry> memoEntries;  // the control's catalogue stands without the core's
  for (const auto& [name, text] : memo_texts::kEntries)
    memoEntries.push_back({name, text});
  const std::span<const CatalogueEntry> catalogues[] = {
      file_messages::kEntries, tool_messages::kEntries, window_texts::kEntries, memoEntries};
  for (const auto& catalogue : catalogues) {
    std::set<std::string_view> names;
    for (const CatalogueEntry& entry : catalogue) {
      EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
      int highest = 0;
      for (std::size_t at = entry.text.find('%'); at != std::string_view::npos;
           at = entry.text.find('%', at + 1)) {
        const int n = at + 1 < entry.text.size() ? entry.text[at + 1] - '0' : 0;
        EXPECT_TRUE(n >= 1 && n <= highest + 1) << entry.name;
        highest = std::max(highest, n);
      }
    }
  }
}

TEST(Messages, FilledPutsEachValueInItsPlaceOnce) {
  const struct {
    std::string_view text;
    std::vector<std::string_view> values;
    std::string filled;
  } cases[] = {
      {"Its %1 \"%2\"", {"KML", "a.kml"}, "Its KML \"a.kml\""},
      {"%2 before %1", {"one", "two"}, "two before one"},
      {"%1", {"100%1"}, "100%1"},          // a value is not filled again
      {"50% of %1", {"it"}, "50% of it"},  // a "%" that is no place stays
      {"%1 and %2", {"only"}, "only and %2"},
      {"ends in %", {}, "ends in %"},
  };
  for (const auto& c : cases) {
    std::string filled;
    switch (c.values.size()) {
      case 0:
        filled = Filled(c.text, {});
        break;
      case 1:
        filled = Filled(c.text, {c.values[0]});
        break;
      default:
        filled = Filled(c.text, {c.values[0], c.values[1]});
        break;
    }
    EXPECT_EQ(filled, c.filled) << c.text;
  }
}

}  // namespace
