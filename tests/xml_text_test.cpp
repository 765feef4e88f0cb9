// The export's text as XML text: Windows-1253 to UTF-8, markup escaped, what XML forbids
// replaced.
#include "xml_text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

struct XmlCase {
  std::string_view bytes;
  std::string_view want;
};

TEST(AppendXmlText, ConvertsAndEscapes) {
  const XmlCase cases[] = {
      {"38.1", "38.1"},
      {"\xC1\xC2\xC3", "\u0391\u0392\u0393"},  // Greek capitals
      {"\xE1\xDF", "\u03B1\u03AF"},            // small letters with tonos
      {"A&B", "A&amp;B"},
      {"<x>", "&lt;x&gt;"},
      {"a\tb", "a\tb"},  // a tab stays
      {std::string_view("\x01\x08\x0B\x0C\x0E\x1F", 6), "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\x80", "\u20AC"},
      {"\x81\xAA\xD2\xFF", "\u0081\uF8F9\uF8FA\uF8FB"},  // unassigned bytes
      {"\"'", "\"'"},
      {"", ""},
  };
  for (const auto& c : cases) {
    std::string out = "pre:";
    AppendXmlText(out, c.bytes);
    EXPECT_EQ(out, "pre:" + std::string(c.want)) << "input " << testing::PrintToString(c.bytes);
  }
}

}  // namespace
