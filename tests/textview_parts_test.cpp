// The parts of the panes' control that need no widget: what one character and one word are,
// where rows wrap, and how far a line reaches.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetricsF>
#include <cstring>
#include <optional>
#include <random>

#include "char_offsets.h"
#include "mouse_gesture.h"
#include "pane_document.h"
#include "pane_encoding.h"
#include "row_layout.h"
#include "text_boundaries.h"
#include "vertical_scroll.h"

namespace {

// Where lines start, found afresh: every CR LF ends one, and the segment after the last break
// is a line even when empty.
std::vector<std::size_t> LineStarts(const std::string& text) {
  std::vector<std::size_t> starts{0};
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
    starts.push_back(at + 2);
  return starts;
}

// Changes anywhere, breaks made and unmade (a CR joined to an LF across the change included),
// and appends: the bytes and the line index always match the text made afresh, and a snapshot
// keeps the bytes it took whatever comes after.
TEST(PaneDocument, TheBytesAndTheLineIndexFollowEveryChange) {
  std::mt19937 random(11);
  const auto pick = [&](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n)(random);
  };
  const auto bytes = [&](std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
      s.push_back("\r\nab\xCE\xA9"[pick(5)]);
    return s;
  };
  PaneDocument document(PaneEncoding::Cp1253);
  std::string text;
  std::vector<std::pair<TextSnapshot, std::string>> snapshots;
  for (int step = 0; step < 4000; ++step) {
    if (step % 500 == 0) {
      text = bytes(pick(40));
      document.Replace(text);
    } else if (step % 7 == 0) {
      const std::string more = bytes(pick(6));
      text += more;
      document.Append(more);
    } else {
      const std::size_t from = pick(text.size());
      const std::size_t to = from + pick(std::min<std::size_t>(5, text.size() - from));
      const std::string inserted = bytes(pick(4));
      text.replace(from, to - from, inserted);
      document.Change(from, to, inserted);
    }
    if (step % 97 == 0) {
      ASSERT_EQ(document.Text(), text) << step;  // joined into one piece
    } else {
      ASSERT_EQ(document.Bytes(0, document.Size()), text) << step;
    }
    if (!text.empty()) {
      const std::size_t at = pick(text.size() - 1);
      ASSERT_EQ(document.Byte(at), text[at]) << step;
    }
    if (step % 13 == 0) {
      const std::size_t from = pick(text.size());
      const std::size_t to = from + pick(text.size() - from);
      snapshots.emplace_back(document.Snapshot(from, to), text.substr(from, to - from));
    }
    const auto starts = LineStarts(text);
    ASSERT_EQ(document.LineCount(), starts.size()) << step;
    for (std::size_t i = 0; i < starts.size(); ++i)
      ASSERT_EQ(document.LineStart(i), starts[i]) << step << " line " << i;
  }
  for (const auto& [snapshot, taken] : snapshots)
    ASSERT_EQ(snapshot.Join(), taken);
}

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

  // A double-click finds a caret place: at a word's end (the right half of its last letter,
  // or of an emoji) it takes the word, not what follows.
  const PaneDocument emoji = Utf8("x \xF0\x9F\x98\x80 y");
  const struct {
    const PaneDocument& in;
    std::size_t at;
    TextRange selected;
  } clicks[] = {
      {document, 10, {0, 10}},  {document, 12, {12, 18}}, {document, 11, {11, 12}},
      {document, 19, {19, 23}}, {document, 42, {25, 42}}, {emoji, 6, {2, 6}},
      {emoji, 2, {2, 6}},       {emoji, 1, {0, 1}},
  };
  for (const auto& click : clicks)
    EXPECT_EQ(WordClickedAt(click.in, click.at), click.selected) << click.at;
}

// Typed text as a pane's bytes: line breaks as CR LF; in the code page's pane a character it
// lacks in its Windows-1253 form when it has one, else the whole text refused.
TEST(PaneEncoding, TypedTextInTheCodePageOrRefused) {
  const struct {
    const char* typed;
    PaneEncoding pane;
    std::optional<std::string> bytes;
  } cases[] = {
      {"a\r\nb\nc\rd\u2028", PaneEncoding::Cp1253, "a\r\nb\r\nc\r\nd\r\n"},
      {"\u03a9\u00b4", PaneEncoding::Cp1253, "\xD9\xB4"},         // the acute accent: tonos
      {"\u03b1\u0301", PaneEncoding::Cp1253, "\xDC"},             // alpha, combining acute
      {"\u1f71\u037e\u2126", PaneEncoding::Cp1253, "\xDC;\xD9"},  // oxia, question mark, ohm
      {"\u03a9\u00e9", PaneEncoding::Cp1253, std::nullopt},       // é
      {"\u1f00", PaneEncoding::Cp1253, std::nullopt},             // alpha with psili
      {"a\U0001F600", PaneEncoding::Cp1253, std::nullopt},
      {"\u00e9\U0001F600\n", PaneEncoding::Utf8, "\xC3\xA9\xF0\x9F\x98\x80\r\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TypedBytes(QString::fromUtf8(c.typed), c.pane), c.bytes) << c.typed;
}

// Characters counted as the pane shows them, over bytes that are no UTF-8 as well: at every
// place the caret can stand, the count is that of the characters shown before it, and the
// place is found again from the count. Counts are kept every 64 KiB: a character and a line
// break across such a border are counted once.
TEST(CharOffsets, CountAsThePaneShowsOverAnyBytes) {
  const std::string border(65535, 'a');
  const std::string texts[] = {
      "a\x80"
      "b",
      "\xE2\x82x\xF0\x9F\x98\xF0\x9F\x98\x80",  // cut sequences, then a whole one
      "\xC0\xAF\xE0\x80\xAF\xED\xA0\x80",       // overlong forms and a surrogate
      "\xF4\x90\x80\x80\xF5\xBF\xBF\xFF",       // past U+10FFFF, bytes that lead nothing
      "\r\n\xCE\r\n\xCE\xA9\xCC\x81z",
      border + "\xCE\xA9" + border + "\r\n\x80\xF0\x9F\x98\x80",
  };
  for (const std::string& text : texts) {
    PaneDocument document(PaneEncoding::Utf8);
    document.Replace(text);
    CharOffsets chars(document);
    EXPECT_EQ(chars.CharCount(),
              static_cast<std::size_t>(ShownText(document, 0, text.size()).size()));
    for (std::size_t at = 0;; at = document.NextChar(at)) {
      if ((at + 8) % 65536 < 16 || at + 16 > text.size() || at < 16) {
        const auto shown = static_cast<std::size_t>(ShownText(document, 0, at).size());
        EXPECT_EQ(chars.CharsBefore(at), shown) << at;
        EXPECT_EQ(chars.OffsetOfChar(shown), at) << at;
      }
      if (at == text.size()) break;
    }
  }
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
  // Edited in places (its bytes then stored in stretches), the line measures as the same text
  // loaded whole.
  document.Change(5000, 5003, "\xCE\xA9\t");
  document.Change(100, 100, "\xF0\x9F\x98\x80");
  document.Change(9000, 9001, "");
  PaneDocument whole(PaneEncoding::Utf8);
  whole.Replace(document.Bytes(0, document.Size()));
  RowLayout edited(document, FixedFont()), loaded(whole, FixedFont());
  const std::size_t size = document.Size();
  for (std::size_t at : {std::size_t{100}, std::size_t{104}, std::size_t{5003}, size}) {
    EXPECT_DOUBLE_EQ(edited.XOf({0, 0, size}, at), loaded.XOf({0, 0, size}, at)) << at;
  }
}

// A long unwrapped line is laid out a stretch at a time: where a stretch ends between a
// letter and its combining accent, a click there still finds a place between letters.
TEST(RowLayout, AClickNeverLandsBetweenALetterAndItsAccent) {
  const struct {
    const char* before;
    const char* letter;  // a letter with a combining acute
  } cases[] = {{"", "a\xCC\x81"}, {"bb", "\xCE\xB1\xCC\x81"}};
  for (const auto& c : cases) {
    std::string text = c.before;
    const std::size_t size = std::strlen(c.letter);
    while (text.size() < 3 * TextMetrics::kMarkStep + 100)
      text += c.letter;
    PaneDocument document(PaneEncoding::Utf8);
    document.Replace(text);
    RowLayout rows(document, FixedFont());
    const RowLayout::Row line{0, 0, text.size()};
    const std::size_t first = std::strlen(c.before);
    // Across the first marks, every pixel, both halves of every letter.
    const double end = rows.XOf(line, 3 * TextMetrics::kMarkStep + 16);
    for (double x = rows.XOf(line, TextMetrics::kMarkStep - 16); x < end; x += 1) {
      const std::size_t at = rows.OffsetAt(line, x);
      ASSERT_EQ((at - first) % size, 0u) << c.letter << " x " << x << " found " << at;
    }
  }
}

// The view moved by rows over short lines, wrapped ones and, at the end, one too long to count
// at each change: k rows at a time it visits every k-th row of the text, stops where the last
// rows fill the view, and comes back the same way; the scroll bar's value shows each top again.
TEST(VerticalScroll, MovesByRowsOverWrappedLinesToWhereTheLastRowsFillTheView) {
  for (const bool longLast : {false, true}) {
    PaneDocument document(PaneEncoding::Cp1253);
    std::string text;
    for (int i = 0; i < 12; ++i) {
      text += "line " + std::to_string(i);
      for (int k = 0; i % 4 == 1 && k < 60; ++k)
        text += " word" + std::to_string(k);
      text += "\r\n";
    }
    while (longLast && text.size() < 80000)
      text += "route ";  // a last line longer than is counted at each change
    document.Replace(text);
    RowLayout layout(document, FixedFont());
    layout.SetWrapWidth(200);
    std::vector<ViewTop> all;
    for (std::size_t line = 0; line < document.LineCount(); ++line) {
      for (std::size_t row = 0; row < layout.RowStarts(line).size(); ++row)
        all.push_back({line, row});
    }
    const std::size_t visible = 5;
    ASSERT_GT(all.size(), 40u);
    for (std::ptrdiff_t k : {1, 3, 5, 8, 100000}) {
      RowLayout rows(document, FixedFont());
      rows.SetWrapWidth(200);
      VerticalScroll scroll;
      scroll.Measure(rows, document, visible);
      std::size_t value = 0;
      const auto move = [&](std::ptrdiff_t by) {
        const ViewTop top = scroll.Moved(rows, value, by, visible);
        value = scroll.ValueFor(top);
        EXPECT_LE(value, scroll.Maximum());
        scroll.Scrolled(rows, value, visible);
        scroll.ShowFrom(top);
        EXPECT_EQ(scroll.Top(value), top) << "the bar's value shows the top again";
        return top;
      };
      std::size_t at = 0;
      for (std::size_t step = 0; at + visible < all.size(); ++step) {
        at = std::min(at + k, all.size() - visible);
        const ViewTop top = move(k);
        ASSERT_EQ(top, all[at]) << longLast << " down by " << k << ", step " << step;
      }
      EXPECT_EQ(move(k), all[all.size() - visible]) << longLast << " no further than the end";
      EXPECT_EQ(value, scroll.Maximum()) << longLast << " the bar at its end";
      while (at > 0) {
        at = at >= static_cast<std::size_t>(k) ? at - k : 0;
        ASSERT_EQ(move(-k), all[at]) << longLast << " up by " << k;
      }
    }
  }
}

// A drag by words or lines keeps the unit it started on whole, whichever way it goes; a third
// click counts only soon after the double-click and near it.
TEST(MouseGesture, ExtendsByWholeUnitsAndKnowsAThirdClick) {
  MouseGesture gesture;
  gesture.started = {10, 15};
  const struct {
    TextRange at;
    std::pair<std::size_t, std::size_t> selection;  // anchor, caret
  } drags[] = {{{20, 25}, {10, 25}}, {{2, 5}, {15, 2}}, {{10, 15}, {10, 15}}, {{12, 13}, {10, 15}}};
  for (const auto& d : drags)
    EXPECT_EQ(gesture.Extended(d.at), d.selection) << d.at.from;
  EXPECT_FALSE(gesture.IsThirdClick({5, 5}, 1000, 400, 10)) << "no double-click";
  gesture.lastDoubleClick = 1000;
  gesture.doubleClickPoint = {5, 5};
  EXPECT_TRUE(gesture.IsThirdClick({8, 5}, 1300, 400, 10));
  EXPECT_FALSE(gesture.IsThirdClick({8, 5}, 1400, 400, 10)) << "too late";
  EXPECT_FALSE(gesture.IsThirdClick({15, 5}, 1300, 400, 10)) << "too far";
}

}  // namespace
