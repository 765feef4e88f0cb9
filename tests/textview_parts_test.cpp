// The parts of the panes' control that need no widget: what one character and one word are,
// where rows wrap, and how far a line reaches.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetricsF>

#include "pane_document.h"
#include "row_layout.h"
#include "text_boundaries.h"

namespace {

PaneDocument Utf8(const char* text) {
  PaneDocument document(PaneEncoding::Utf8);
  document.Replace(text);
  return document;
}

// Every caret place from the start, stepping forward, and the same stepping back.
std::vector<std::size_t> Steps(const PaneDocument& document) {
  std::vector<std::size_t> places{0};
  while (places.back() < document.Size())
    places.push_back(NextCharacter(document, places.back()));
  std::vector<std::size_t> back{document.Size()};
  while (back.back() > 0)
    back.push_back(PreviousCharacter(document, back.back()));
  EXPECT_EQ(std::vector<std::size_t>(back.rbegin(), back.rend()), places);
  return places;
}

TEST(TextBoundaries, ACharacterIsWhatTheUserSeesAsOne) {
  struct Case {
    const char* name;
    const char* text;
    std::vector<std::size_t> places;
  };
  const Case cases[] = {
      {"Greek with a written accent", "\xCE\xAC\xCE\xB2", {0, 2, 4}},          // άβ
      {"alpha and a combining acute", "\xCE\xB1\xCC\x81\xCE\xB2", {0, 4, 6}},  // ά as two
      {"thumbs up with a skin tone", "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBDx", {0, 8, 9}},
      {"the Greek flag", "a\xF0\x9F\x87\xAC\xF0\x9F\x87\xB7", {0, 1, 9}},
      {"a family joined by ZWJ",
       "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7",
       {0, 18}},
      {"a line break is one step", "a\r\n\r\nb", {0, 1, 3, 5, 6}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Steps(Utf8(c.text)), c.places) << c.name;
}

TEST(TextBoundaries, WordsPunctuationAndBlanks) {
  // "Όχημα: ΧΜΡ-6193, 22.62597,37.59725"
  const PaneDocument document = Utf8(
      "\xCE\x8C\xCF\x87\xCE\xB7\xCE\xBC\xCE\xB1: \xCE\xA7\xCE\x9C\xCE\xA1-6193, "
      "22.62597,37.59725");
  const auto word = [&](std::size_t at) { return WordAt(document, at); };
  EXPECT_EQ(word(0), (TextRange{0, 10})) << "a Greek word";
  EXPECT_EQ(word(10), (TextRange{10, 11})) << "the colon alone, not the word before";
  EXPECT_EQ(word(12), (TextRange{12, 18})) << "ΧΜΡ";
  EXPECT_EQ(word(18), (TextRange{18, 19})) << "the hyphen";
  EXPECT_EQ(word(27), (TextRange{25, 42})) << "a coordinate pair is one number";
  EXPECT_EQ(NextWordStart(document, 0), 10u);
  EXPECT_EQ(NextWordStart(document, 10), 12u) << "over the blank";
  EXPECT_EQ(PreviousWordStart(document, 12), 10u);
  EXPECT_EQ(PreviousWordStart(document, 42), 25u);
}

// A font every machine has here, so the widths are the same from run to run.
QFont FixedFont() {
  QFont font("DejaVu Sans");
  font.setPixelSize(13);
  return font;
}

TEST(RowLayout, WrapsAtWordsAndAnywhereInALongerWord) {
  PaneDocument document(PaneEncoding::Cp1253);
  const std::string words = "one two three four five six seven eight nine ten";
  const std::string number(300, '7');
  document.Replace(words + "\r\n" + number);
  RowLayout rows(document, FixedFont());
  const double width = QFontMetricsF(rows.Font()).horizontalAdvance("one two three ");
  rows.SetWrapWidth(width);
  for (std::size_t line = 0; line < 2; ++line) {
    const auto starts = rows.RowStarts(line);
    ASSERT_GT(starts.size(), 2u) << line;
    for (std::size_t k = 0; k < starts.size(); ++k) {
      const RowLayout::Row row = rows.RowAt(line, k);
      // No row reaches past the width but for the blanks it ends with.
      std::string text(document.Text().substr(row.from, row.to - row.from));
      while (!text.empty() && text.back() == ' ')
        text.pop_back();
      EXPECT_LE(QFontMetricsF(rows.Font()).horizontalAdvance(QString::fromLatin1(text.c_str())),
                width + 0.5)
          << line << " row " << k;
      if (line == 0 && k > 0) {
        EXPECT_EQ(document.Text()[row.from - 1], ' ') << "at a word";
      }
    }
    EXPECT_EQ(rows.RowOf(document.LineEnd(line)).line, line);
  }
}

TEST(RowLayout, AnUnwrappedLongLineMeasuresToItsEnd) {
  PaneDocument document(PaneEncoding::Utf8);
  std::string route;
  while (route.size() < 3 * TextMetrics::kMarkStep + 100)
    route.append("22.62597,37.59725,0 ");
  document.Replace(route);
  RowLayout rows(document, FixedFont());
  const RowLayout::Row line{0, 0, route.size()};
  const double end = rows.XOf(line, route.size());
  EXPECT_DOUBLE_EQ(rows.LineWidth(0), end);
  // Along the line, stretch after stretch, places only move right.
  double previous = -1;
  for (std::size_t at = 0; at <= route.size(); at += 97) {
    const double x = rows.XOf(line, at);
    EXPECT_GT(x, previous) << at;
    previous = x;
    EXPECT_EQ(rows.OffsetAt(line, x), at) << at;
  }
}

}  // namespace
