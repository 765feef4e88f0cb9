#include "line_view.h"

#include <gtest/gtest.h>

#include "gathered_text.h"
#include "pane_test_support.h"
#include "text_pane.h"

namespace {

struct LoadCase {
  const char* name;
  std::string file;
  std::string text;  // what the pane holds after loading it
  std::vector<std::string> lines;
};

TEST(LoadTextFile, TurnsEveryLineBreakIntoCrLf) {
  const LoadCase cases[] = {
      {"CR LF", "A\r\nB\r\n", "A\r\nB\r\n", {"A", "B"}},
      {"LF", "A\nB", "A\r\nB", {"A", "B"}},
      {"CR", "A\rB", "A\r\nB", {"A", "B"}},
      {"CR LF, no final break", "A\r\nB", "A\r\nB", {"A", "B"}},
      {"LF CR is two breaks", "A\n\rB", "A\r\n\r\nB", {"A", "", "B"}},
      {"CR CR LF is two breaks", "A\r\r\nB", "A\r\n\r\nB", {"A", "", "B"}},
      {"empty file", "", "", {}},
      {"only CR LF", "\r\n", "\r\n", {""}},
      {"trailing empty line", "A\r\nCR\r\n\r\n", "A\r\nCR\r\n\r\n", {"A", "CR", ""}},
      {"text ends at the first NUL", std::string("AB\0CD\r\nEF", 9), "AB", {"AB"}},
      {"NUL right after a CR", std::string("A\r\0B", 4), "A\r\n", {"A"}},
      {"leading NUL", std::string("\0A", 2), "", {}},
      {"lone breaks at both ends", "\nA\r", "\r\nA\r\n", {"", "A"}},
      {"every byte but NUL, CR, LF kept",
       "\x01\x7F\x80\xFF\t;",
       "\x01\x7F\x80\xFF\t;",
       {"\x01\x7F\x80\xFF\t;"}},
  };
  ScratchDir dir;
  for (const auto& c : cases) {
    const std::string path = dir / "in.csv";
    WriteBytes(path, c.file);
    MemoryStorage storage("previous\r\n");
    TextPane pane(storage);
    pane.LoadTextFile(path);
    EXPECT_EQ(pane.Text(), c.text) << c.name;
    EXPECT_EQ(pane.LineCount(), c.lines.size()) << c.name;
    for (std::size_t i = 0; i < c.lines.size(); ++i)
      EXPECT_EQ(pane.LineAt(i), c.lines[i]) << c.name;
    EXPECT_EQ(pane.LineAt(c.lines.size()), "") << c.name;
    EXPECT_EQ(pane.LineAt(c.lines.size() + 7), "") << c.name;
    EXPECT_EQ(SplitLines(pane.Text()), ExportLines(c.lines.begin(), c.lines.end())) << c.name;
  }
}

TEST(LineView, ReadsAtMost4096CharactersOfALine) {
  const std::string longLine(5000, 'x');
  const std::string text = "a\r\n" + longLine + "\r\nb";
  EXPECT_EQ(CountLines(text), 3u);
  EXPECT_EQ(LineOf(text, 1), std::string(4096, 'x'));
  EXPECT_EQ(LineOf(text, 2), "b");
  const auto lines = SplitLines(text);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].size(), 4096u);
  EXPECT_EQ(lines[2], "b");
}

TEST(LineView, OnlyCrLfBreaksALine) {
  // A lone CR or LF inside the text (never there after a load) is part of its line.
  const std::string text = "a\rb\nc\r\nd";
  EXPECT_EQ(CountLines(text), 2u);
  EXPECT_EQ(LineOf(text, 0), "a\rb\nc");
  EXPECT_EQ(SplitLines(text), (ExportLines{"a\rb\nc", "d"}));
}

// The block scans against the plain definition (only CR LF breaks a line, an empty last
// segment is not a line), on texts of every length around the 64-byte blocks, made of the
// bytes that matter; including lines longer than are read, and starting lines every so many.
TEST(LineView, BlockScansAgreeWithTheLineRules) {
  std::uint32_t seed = 7;
  const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (int n = 0; n < 3000; ++n) {
    std::string text(next() % 300, 'a');
    for (char& c : text)
      c = "\r\n\ra"[next() % 4];
    if (n % 50 == 0) text.insert(next() % (text.size() + 1), std::string(4200, 'x'));
    std::vector<std::string_view> expected;
    std::vector<std::size_t> starts;
    std::size_t start = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2)) {
      expected.push_back(std::string_view(text).substr(start, at - start).substr(0, 4096));
      starts.push_back(start);
      start = at + 2;
    }
    if (start < text.size()) {
      expected.push_back(std::string_view(text).substr(start).substr(0, 4096));
      starts.push_back(start);
    }
    EXPECT_EQ(SplitLines(text), expected) << n;
    EXPECT_EQ(CountLines(text), expected.size()) << n;
    std::vector<std::string_view> fromEnd;
    ForEachLineFromEnd(text, [&](std::string_view line) { fromEnd.push_back(line); });
    EXPECT_EQ(std::vector(expected.rbegin(), expected.rend()), fromEnd) << n;
    std::vector<std::size_t> everyThird;
    for (std::size_t i = 1; i < starts.size(); i += 3)
      everyThird.push_back(starts[i]);
    EXPECT_EQ(LineStartsEvery(text, 1, 3), everyThird) << n;
  }
}

struct AppendStep {
  std::string s;
  std::string text;
  std::size_t lineCount;
  std::size_t returned;
};

TEST(AppendLine, InAndOutOfTheSteadyState) {
  struct Case {
    const char* name;
    std::string start;
    std::vector<AppendStep> steps;
  };
  const Case cases[] = {
      {"after ClearText",
       "",
       {{"x", "x\r\n", 1, 0}, {"", "x\r\n\r\n", 2, 1}, {"y", "x\r\n\r\ny\r\n", 3, 2}}},
      {"after a line without break",
       "A",
       {{"B", "A\r\nB", 2, 1}, {"", "A\r\nB\r\n", 2, 2}, {"C", "A\r\nB\r\nC\r\n", 3, 2}}},
      {"empty text after a line without break", "A", {{"", "A\r\n", 1, 1}}},
  };
  for (const auto& c : cases) {
    MemoryStorage storage(c.start);
    TextPane pane(storage);
    for (const auto& step : c.steps) {
      EXPECT_EQ(pane.AppendLine(step.s), step.returned) << c.name << " append " << step.s;
      EXPECT_EQ(pane.Text(), step.text) << c.name;
      EXPECT_EQ(pane.LineCount(), step.lineCount) << c.name;
    }
  }
}

// Text gathered in growing blocks comes out whole, whatever the sizes of its pieces against
// the blocks'.
TEST(GatheredText, GivesEveryByteBackInOrder) {
  const std::size_t mib = 1 << 20;
  const std::vector<std::size_t> cases[] = {{1, 2, 3},
                                            {3 * mib, 2 * mib, 1},
                                            {9 * mib},
                                            {1, 4 * mib - 1, 1, 4 * mib},
                                            std::vector<std::size_t>(3000, 997),
                                            {}};
  for (const auto& sizes : cases) {
    GatheredText gathered;
    std::string whole;
    int c = 0;
    for (std::size_t size : sizes) {
      const std::string piece(size, static_cast<char>('a' + c++ % 26));
      gathered.append(piece);
      whole += piece;
    }
    EXPECT_EQ(gathered.empty(), whole.empty());
    EXPECT_TRUE(gathered.Take() == whole) << sizes.size() << " pieces";
    EXPECT_TRUE(gathered.empty());
    EXPECT_EQ(gathered.append("x").Take(), "x") << "gathered again after";
  }
}

TEST(UpdateBracket, GathersChangesIntoOneStorageCall) {
  CountingStorage storage("A");  // edited by hand: no final break
  TextPane pane(storage);
  {
    TextPane::UpdateBracket bracket(pane);
    for (const char* s : {"B", "", "C"})
      pane.AppendLine(s);
    EXPECT_FALSE(storage.redrawing);
    EXPECT_EQ(storage.appends, 0);
  }
  EXPECT_TRUE(storage.redrawing);
  EXPECT_EQ(storage.appends, 1);
  EXPECT_EQ(storage.suspends, 1);
  EXPECT_EQ(pane.Text(), "A\r\nB\r\nC\r\n");

  {
    TextPane::UpdateBracket bracket(pane);
    pane.ClearText();
    pane.AppendLine("x");
    EXPECT_EQ(pane.LineCount(), 1u);  // a read inside the bracket sees the changes
    pane.AppendLine("y");
  }
  // The read flushed the replacement; the bracket's end hands on the rest as one append.
  EXPECT_EQ(storage.replaces, 1);
  EXPECT_EQ(storage.appends, 2);
  EXPECT_EQ(pane.Text(), "x\r\ny\r\n");
}

TEST(LoadTextFile, IdenticalTextLeavesThePaneUnchanged) {
  ScratchDir dir;
  WriteBytes(dir / "a.csv", "A\nB\n");
  CountingStorage storage("A\r\nB\r\n");
  TextPane pane(storage);
  pane.LoadTextFile(dir / "a.csv");
  EXPECT_EQ(storage.replaces, 0);
  EXPECT_EQ(storage.suspends, 1);  // still one bracket around the load
  EXPECT_TRUE(storage.redrawing);

  WriteBytes(dir / "b.csv", "A\r\nC");
  pane.LoadTextFile(dir / "b.csv");
  EXPECT_EQ(storage.replaces, 1);
  EXPECT_EQ(pane.Text(), "A\r\nC");
}

}  // namespace
