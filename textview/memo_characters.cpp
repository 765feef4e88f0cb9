// The pane control's text in characters, as screen readers and input methods count them.
#include <QAccessible>

#include "memo.h"
#include "pane_encoding.h"

int Memo::CharacterCount() {
  return static_cast<int>(chars_.CharCount());
}

QString Memo::CharactersBetween(int from, int to) {
  const std::size_t a = chars_.OffsetOfChar(static_cast<std::size_t>(std::max(0, from)));
  const std::size_t b = chars_.OffsetOfChar(static_cast<std::size_t>(std::max(from, to)));
  return ShownText(document_, a, b);
}

int Memo::CaretCharacter() {
  return static_cast<int>(chars_.CharsBefore(caret_));
}

std::pair<int, int> Memo::SelectionCharacters() {
  return {static_cast<int>(chars_.CharsBefore(SelectionStart())),
          static_cast<int>(chars_.CharsBefore(SelectionEnd()))};
}

void Memo::SelectCharacters(int anchor, int caret) {
  anchor_ = chars_.OffsetOfChar(static_cast<std::size_t>(std::max(0, anchor)));
  MoveCaret(chars_.OffsetOfChar(static_cast<std::size_t>(std::max(0, caret))), true);
}

std::pair<int, int> Memo::CharacterRangeAt(int at, int boundary) {
  const std::size_t offset = chars_.OffsetOfChar(static_cast<std::size_t>(std::max(0, at)));
  TextRange range{offset, offset};
  switch (static_cast<QAccessible::TextBoundaryType>(boundary)) {
    case QAccessible::CharBoundary:
      range = {offset, NextCharacter(document_, offset)};
      break;
    case QAccessible::WordBoundary:
      range = ReadWordAt(document_, offset);
      break;
    case QAccessible::LineBoundary: {
      const Row row = rows_->RowOf(offset);
      range = {row.from, row.to};
      break;
    }
    case QAccessible::SentenceBoundary:
    case QAccessible::ParagraphBoundary: {
      const std::size_t line = document_.LineOf(offset);
      range = {document_.LineStart(line), document_.LineEnd(line)};
      break;
    }
    case QAccessible::NoBoundary:
      range = {0, document_.Size()};
      break;
  }
  return {static_cast<int>(chars_.CharsBefore(range.from)),
          static_cast<int>(chars_.CharsBefore(range.to))};
}

std::optional<std::pair<int, int>> Memo::WordBeside(int at, bool after) {
  const TextRange here =
      ReadWordAt(document_, chars_.OffsetOfChar(static_cast<std::size_t>(std::max(0, at))));
  const auto word = after ? ReadWordFrom(document_, here.to) : ReadWordBefore(document_, here.from);
  if (!word) return std::nullopt;
  return std::pair{static_cast<int>(chars_.CharsBefore(word->from)),
                   static_cast<int>(chars_.CharsBefore(word->to))};
}

QRect Memo::CharacterRect(int at) {
  const std::size_t offset = chars_.OffsetOfChar(static_cast<std::size_t>(std::max(0, at)));
  const std::size_t saved = caret_;
  caret_ = offset;
  QRect place = cursorRect();
  caret_ = saved;
  const Row row = rows_->RowOf(offset);
  const double right = rows_->XOf(row, std::min(row.to, NextCharacter(document_, offset)));
  place.setWidth(std::max(1, static_cast<int>(right - rows_->XOf(row, offset))));
  return place;
}

int Memo::CharacterAt(QPoint point) {
  return static_cast<int>(chars_.CharsBefore(OffsetAt(point)));
}

void Memo::ReplaceCharacters(int from, int to, const QString& text) {
  const std::size_t a = chars_.OffsetOfChar(static_cast<std::size_t>(std::max(0, from)));
  const std::size_t b = chars_.OffsetOfChar(static_cast<std::size_t>(std::max(from, to)));
  if (const auto bytes = Typed(text)) ReplaceRange(a, b, *bytes, false);
}

void Memo::ScrollToCharacter(int at) {
  const std::size_t saved = caret_;
  caret_ = chars_.OffsetOfChar(static_cast<std::size_t>(std::max(0, at)));
  EnsureCaretVisible();
  caret_ = saved;
  viewport()->update();
}
