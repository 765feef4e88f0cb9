#include "textfun.h"

#include <gtest/gtest.h>

namespace {

struct LeftCase {
  std::string_view s;
  long long n;
  std::string_view want;
};

TEST(LeftText, ClampsCountToTheText) {
  const LeftCase cases[] = {
      {"ab", 6, "ab"},
      {"", 4, ""},
      {"abc", 0, ""},
      {"abc", -3, ""},
      {"abc", 2, "ab"},
      {"abc", 3, "abc"},
      {"\xBC\xF7;x", 3, "\xBC\xF7;"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LeftText(c.s, c.n), c.want) << "LeftText(\"" << c.s << "\", " << c.n << ")";
  }
}

struct FieldCase {
  std::string_view s;
  long long n;
  std::string_view want;
};

TEST(GetField, ReturnsFieldNOrTheLastField) {
  const FieldCase cases[] =
      {
          {"a;b;c", 1, "a"},  {"a;b;c", 2, "b"}, {"a;b;c", 3, "c"},
          {"a;b;c", 5, "c"},                    // fewer fields than N: the last one
          {"a;b;", 3, ""},    {"a;b;", 4, ""},  // text ending in the delimiter
          {";x", 1, ""},      {"abc", 3, "abc"}, {"abc", 1, "abc"},
          {"ab;ab", 2, "ab"},  // stops early once Field equals Rest
          {"a;a;b", 2, "a"},  {"a;a;b", 3, "b"}, {"a;b;c", 0, "c"},
          {"a;b;c", -1, "c"},  // N of 0 or less: the last field
          {"a;b;", 0, ""},    {"", 1, ""},       {"", 3, ""},
          {"", 0, ""},        {";;;", 2, ""},    {"x;;y", 3, "y"},
      };
  for (const auto& c : cases) {
    EXPECT_EQ(GetField(c.s, c.n, ';'), c.want) << "GetField(\"" << c.s << "\", " << c.n << ")";
  }
}

TEST(LeadingFields, AgreeWithGetField) {
  for (std::string_view s : {"a;b;c", "a;b;", ";x", "abc", "", "ab;ab", "t;x;9", ";;;;;;;;"}) {
    std::string_view fields[7];
    LeadingFields(s, ';', fields);
    for (long long n = 1; n <= 7; ++n)
      EXPECT_EQ(fields[n - 1], GetField(s, n, ';')) << s << " " << n;
  }
}

struct ReplaceCase {
  std::string_view s, p, r, want;
};

TEST(ReplaceText, ReplacesLeftToRightWithoutOverlap) {
  const ReplaceCase cases[] = {
      {"38,1234", ",", ".", "38.1234"},
      {"1,2,3", ",", ".", "1.2.3"},
      {"1,2,3", "", ".", "1,2,3"},  // empty pattern: unchanged
      {"abc", "x", "y", "abc"},
      {"a.csv.csv", ".csv", ".kml", "a.kml.kml"},
      {"A.CSV", ".csv", ".kml", "A.CSV"},  // case-sensitive
      {"aaa", "aa", "b", "ba"},            // no overlap
      {"aaaa", "aa", "a", "aa"},           // the replacement is not scanned again
      {"xax", "a", "aaa", "xaaax"},
      {",", ",", "", ""},
      {"", ",", ".", ""},
      {"ab", "abc", "x", "ab"},  // pattern longer than the text
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceText(c.s, c.p, c.r), c.want)
        << "ReplaceText(\"" << c.s << "\", \"" << c.p << "\", \"" << c.r << "\")";
  }
}

}  // namespace
