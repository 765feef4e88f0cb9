#include "text_boundaries.h"

#include <QTextBoundaryFinder>

#include "text_window.h"

namespace {

// Far enough either side for any character or word a user meets.
constexpr std::size_t kReach = 1024;
// Far enough for where one character ends.
constexpr std::size_t kNear = 64;

bool IsLineBreakAt(const PaneDocument& document, std::size_t offset) {
  const std::size_t line = document.LineOf(offset);
  return offset == document.LineEnd(line) && line + 1 < document.LineCount();
}

bool IsBlank(QChar c) {
  return c.isSpace();
}

}  // namespace

std::size_t NextCharacter(const PaneDocument& document, std::size_t offset) {
  if (offset >= document.Size()) return document.Size();
  if (IsLineBreakAt(document, offset)) return document.NextChar(offset);
  const TextWindow window = TextWindow::Around(document, offset, kReach);
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, window.text);
  finder.setPosition(window.IndexOf(offset));
  const qsizetype next = finder.toNextBoundary();
  return next < 0 ? window.to : window.OffsetOf(next);
}

std::size_t CharacterStartFrom(const PaneDocument& document, std::size_t offset) {
  if (offset >= document.Size()) return document.Size();
  std::size_t start = document.CharStart(offset);
  if (start < offset) start = document.NextChar(start);
  if (IsLineBreakAt(document, start) || start == document.LineStart(document.LineOf(start)))
    return start;
  const TextWindow window = TextWindow::Around(document, start, kNear);
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, window.text);
  finder.setPosition(window.IndexOf(start));
  if (finder.isAtBoundary()) return start;
  const qsizetype next = finder.toNextBoundary();
  return next < 0 ? window.to : window.OffsetOf(next);
}

std::size_t PreviousCharacter(const PaneDocument& document, std::size_t offset) {
  if (offset == 0) return 0;
  const std::size_t line = document.LineOf(offset);
  if (offset == document.LineStart(line)) return document.PreviousChar(offset);
  const TextWindow window = TextWindow::Around(document, offset, kReach);
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, window.text);
  finder.setPosition(window.IndexOf(offset));
  const qsizetype previous = finder.toPreviousBoundary();
  return previous < 0 ? window.from : window.OffsetOf(previous);
}

TextRange WordAt(const PaneDocument& document, std::size_t offset) {
  const std::size_t line = document.LineOf(offset);
  if (offset >= document.LineEnd(line)) {
    offset = std::min(offset, document.LineEnd(line));
    return {offset, offset};
  }
  const TextWindow window = TextWindow::Around(document, offset, kReach);
  QTextBoundaryFinder finder(QTextBoundaryFinder::Word, window.text);
  const qsizetype at = window.IndexOf(offset);
  finder.setPosition(at);
  qsizetype from = finder.isAtBoundary() ? at : finder.toPreviousBoundary();
  finder.setPosition(at);
  qsizetype to = finder.toNextBoundary();
  if (from < 0) from = 0;
  if (to < 0) to = window.text.size();
  return {window.OffsetOf(from), window.OffsetOf(to)};
}

TextRange WordClickedAt(const PaneDocument& document, std::size_t offset) {
  if (offset > document.LineStart(document.LineOf(offset))) {
    const std::size_t previous = PreviousCharacter(document, offset);
    const TextWindow before = TextWindow::Of(document, previous, offset);
    if (!before.text.isEmpty() && !IsBlank(before.text[0]) && !before.text[0].isPunct()) {
      const TextRange word = WordAt(document, previous);
      if (word.to == offset) return word;
    }
  }
  return WordAt(document, offset);
}

namespace {

// A word, not the blanks or the punctuation that WordAt also finds.
bool IsWord(const PaneDocument& document, TextRange range) {
  if (range.from == range.to) return false;
  const TextWindow first = TextWindow::Of(document, range.from, document.NextChar(range.from));
  return !first.text.isEmpty() && !IsBlank(first.text[0]) && !first.text[0].isPunct();
}

}  // namespace

namespace {

// The first word starting at or after `offset` and ending by `stop`.
std::optional<TextRange> WordOnTo(const PaneDocument& document, std::size_t offset,
                                  std::size_t stop) {
  for (std::size_t at = offset; at < stop;) {
    const TextRange here = WordAt(document, at);
    if (here.from == here.to) {
      at = document.NextChar(at);  // over a line's break
    } else if (here.from >= offset && IsWord(document, here)) {
      return here.to <= stop ? std::optional(here) : std::nullopt;
    } else {
      at = here.to;
    }
  }
  return std::nullopt;
}

// The last word ending at or before `offset` and starting at `stop` or after.
std::optional<TextRange> WordBackTo(const PaneDocument& document, std::size_t offset,
                                    std::size_t stop) {
  for (std::size_t at = offset; at > stop;) {
    if (at == document.LineStart(document.LineOf(at))) {
      at = document.PreviousChar(at);  // back over the line break before
      continue;
    }
    const TextRange here = WordAt(document, PreviousCharacter(document, at));
    if (here.to <= offset && IsWord(document, here))
      return here.from >= stop ? std::optional(here) : std::nullopt;
    at = here.from;
  }
  return std::nullopt;
}

}  // namespace

std::optional<TextRange> ReadWordFrom(const PaneDocument& document, std::size_t offset) {
  return WordOnTo(document, offset, document.Size());
}

std::optional<TextRange> ReadWordBefore(const PaneDocument& document, std::size_t offset) {
  return WordBackTo(document, offset, 0);
}

TextRange ReadWordAt(const PaneDocument& document, std::size_t offset) {
  const TextRange here = WordAt(document, offset);
  if (IsWord(document, here)) return here;
  const std::size_t line = document.LineOf(offset);
  if (const auto before = WordBackTo(document, offset, document.LineStart(line))) return *before;
  if (const auto after = WordOnTo(document, offset, document.LineEnd(line))) return *after;
  return {offset, offset};
}

std::size_t NextWordStart(const PaneDocument& document, std::size_t offset) {
  const std::size_t end = document.Size();
  if (offset >= end) return end;
  // At a line's end: on to the next line's start, as Qt's text controls go.
  if (IsLineBreakAt(document, offset)) return document.NextChar(offset);
  const std::size_t lineEnd = document.LineEnd(document.LineOf(offset));
  // Past the rest of this word (or the punctuation here), then past blanks to the line's end.
  const TextRange here = WordAt(document, offset);
  const TextWindow first = TextWindow::Of(document, here.from, document.NextChar(here.from));
  if (here.to > offset && !(first.text.size() > 0 && IsBlank(first.text[0]))) offset = here.to;
  while (offset < lineEnd) {
    const TextWindow c = TextWindow::Of(document, offset, document.NextChar(offset));
    if (c.text.isEmpty() || !IsBlank(c.text[0])) break;
    offset = document.NextChar(offset);
  }
  return offset;
}

std::size_t PreviousWordStart(const PaneDocument& document, std::size_t offset) {
  if (offset == 0) return 0;
  const std::size_t lineStart = document.LineStart(document.LineOf(offset));
  // At a line's start: back to the end of the line before.
  if (offset == lineStart) return document.PreviousChar(offset);
  // Back over blanks (not past the line's start), then to the start of the word before.
  while (offset > lineStart) {
    const std::size_t previous = document.PreviousChar(offset);
    const TextWindow c = TextWindow::Of(document, previous, offset);
    if (c.text.isEmpty() || !IsBlank(c.text[0])) break;
    offset = previous;
  }
  if (offset == lineStart) return offset;
  return WordAt(document, document.PreviousChar(offset)).from;
}
