// The pane control's keys and input methods: each key's binding found first, and only the
// place or the stretch that key names worked out.
#include <QGuiApplication>
#include <QKeyEvent>
#include <algorithm>

#include "memo.h"
#include "pane_encoding.h"

namespace {

// What input methods are told of the text around the caret, either side.
constexpr std::size_t kSurrounding = 1024;

// Text typed from a key, as Qt's own text controls take it: formatting characters (a zero
// width joiner) whatever the modifiers; else not a Ctrl (or Ctrl+Shift) shortcut, and
// printable, private-use or a whole surrogate pair. Ctrl+Alt is AltGr on Windows and types.
// A tab moves the focus here.
bool IsTypedText(const QKeyEvent* event) {
  const QString text = event->text();
  if (text.isEmpty()) return false;
  const QChar c = text[0];
  if (c.category() == QChar::Other_Format) return true;
  const auto modifiers = event->modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
  if (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
    return false;
  return c.isPrint() || c.category() == QChar::Other_PrivateUse ||
         (c.isHighSurrogate() && text.size() > 1 && text[1].isLowSurrogate());
}

using Key = QKeySequence;

// Where a caret key takes the caret.
enum class Place {
  NextChar,
  PreviousChar,
  NextWord,
  PreviousWord,
  RowStart,
  RowEnd,
  LineStart,
  LineEnd,
  Start,
  End
};
struct CaretKey {
  Key::StandardKey move, extend;
  Place to;
};
constexpr CaretKey kCaretKeys[] = {
    {Key::MoveToNextChar, Key::SelectNextChar, Place::NextChar},
    {Key::MoveToPreviousChar, Key::SelectPreviousChar, Place::PreviousChar},
    {Key::MoveToNextWord, Key::SelectNextWord, Place::NextWord},
    {Key::MoveToPreviousWord, Key::SelectPreviousWord, Place::PreviousWord},
    {Key::MoveToStartOfLine, Key::SelectStartOfLine, Place::RowStart},
    {Key::MoveToEndOfLine, Key::SelectEndOfLine, Place::RowEnd},
    {Key::MoveToStartOfBlock, Key::SelectStartOfBlock, Place::LineStart},
    {Key::MoveToEndOfBlock, Key::SelectEndOfBlock, Place::LineEnd},
    {Key::MoveToStartOfDocument, Key::SelectStartOfDocument, Place::Start},
    {Key::MoveToEndOfDocument, Key::SelectEndOfDocument, Place::End},
};

// Up and Down by rows, PageUp and PageDown by a view of them.
struct RowKey {
  Key::StandardKey move, extend;
  int direction;
  bool page;
};
constexpr RowKey kRowKeys[] = {
    {Key::MoveToNextLine, Key::SelectNextLine, 1, false},
    {Key::MoveToPreviousLine, Key::SelectPreviousLine, -1, false},
    {Key::MoveToNextPage, Key::SelectNextPage, 1, true},
    {Key::MoveToPreviousPage, Key::SelectPreviousPage, -1, true},
};

// What a deleting key takes from the caret, when nothing is selected.
enum class Stretch { NextChar, PreviousChar, ToWordEnd, ToWordStart, ToLineEnd, Line };
struct DeleteKey {
  Key::StandardKey key;
  Stretch takes;
};
constexpr DeleteKey kDeleteKeys[] = {
    {Key::Delete, Stretch::NextChar},           {Key::Backspace, Stretch::PreviousChar},
    {Key::DeleteEndOfWord, Stretch::ToWordEnd}, {Key::DeleteStartOfWord, Stretch::ToWordStart},
    {Key::DeleteEndOfLine, Stretch::ToLineEnd}, {Key::DeleteCompleteLine, Stretch::Line},
};

}  // namespace

bool Memo::HandleShortcut(QKeyEvent* event) {
  const auto is = [&](Key::StandardKey key) { return event->matches(key); };
  const auto rowKey = std::find_if(std::begin(kRowKeys), std::end(kRowKeys),
                                   [&](const RowKey& k) { return is(k.move) || is(k.extend); });
  if (rowKey != std::end(kRowKeys)) {
    const int rows = (rowKey->page ? VisibleRowCount() : 1) * rowKey->direction;
    const double x = wantedX_;
    const std::size_t to = RowUpOrDown(rows);
    // The view moves as the caret does, row for row, so that the caret keeps its place on
    // screen and the row that showed only in part, or not at all, comes to the top.
    if (rowKey->page) ScrollRows(rows);
    MoveCaret(to, is(rowKey->extend));
    wantedX_ = x < 0 ? wantedX_ : x;
    return true;
  }
  wantedX_ = -1;

  const auto line = [&] { return document_.LineOf(caret_); };
  for (const CaretKey& k : kCaretKeys) {
    if (!is(k.move) && !is(k.extend)) continue;
    const bool extend = is(k.extend);
    std::size_t to = caret_;
    switch (k.to) {
      case Place::NextChar:
        to = HasSelection() && !extend ? SelectionEnd() : NextCharacter(document_, caret_);
        break;
      case Place::PreviousChar:
        to = HasSelection() && !extend ? SelectionStart() : PreviousCharacter(document_, caret_);
        break;
      case Place::NextWord:
        to = NextWordStart(document_, caret_);
        break;
      case Place::PreviousWord:
        to = PreviousWordStart(document_, caret_);
        break;
      case Place::RowStart:
        to = rows_->RowOf(caret_).from;
        break;
      case Place::RowEnd: {
        // A row that wraps ends where the next begins; its End stays on it.
        const Row row = rows_->RowOf(caret_);
        to = row.to < document_.LineEnd(row.line) ? PreviousCharacter(document_, row.to) : row.to;
        break;
      }
      case Place::LineStart:
        to = document_.LineStart(line());
        break;
      case Place::LineEnd:
        to = document_.LineEnd(line());
        break;
      case Place::Start:
        to = 0;
        break;
      case Place::End:
        to = document_.Size();
        break;
    }
    MoveCaret(to, extend);
    return true;
  }

  if (is(Key::Undo)) return Undo(), true;
  if (is(Key::Redo)) return Redo(), true;
  if (is(Key::Copy)) return Copy(), true;
  if (is(Key::Cut)) {
    Copy();
    ReplaceSelection({});
    return true;
  }
  if (is(Key::Paste)) return Paste(), true;
  if (is(Key::SelectAll)) {
    anchor_ = 0;
    MoveCaret(document_.Size(), true);
    return true;
  }
  if (is(Key::Deselect)) {
    MoveCaret(caret_, false);
    return true;
  }

  // Deleting: the selection, or what the key names from the caret.
  for (const DeleteKey& k : kDeleteKeys) {
    if (!is(k.key)) continue;
    if (HasSelection() && k.takes != Stretch::Line) {
      ReplaceSelection({});
      return true;
    }
    const std::size_t here = line();
    const std::size_t lineEnd = document_.LineEnd(here);
    std::size_t from = caret_, to = caret_;
    switch (k.takes) {
      case Stretch::NextChar:
        to = NextCharacter(document_, caret_);
        break;
      case Stretch::PreviousChar:
        from = document_.PreviousChar(caret_);
        break;
      case Stretch::ToWordEnd:
        to = NextWordStart(document_, caret_);
        break;
      case Stretch::ToWordStart:
        from = PreviousWordStart(document_, caret_);
        break;
      case Stretch::ToLineEnd:
        to = caret_ == lineEnd ? document_.NextChar(caret_) : lineEnd;
        break;
      case Stretch::Line:
        from = document_.LineStart(here);
        to = here + 1 < document_.LineCount() ? document_.LineStart(here + 1) : lineEnd;
        break;
    }
    ReplaceRange(from, to, {}, false);
    return true;
  }
  if (event->key() == Qt::Key_Backspace) {  // with modifiers no sequence names
    if (HasSelection()) {
      ReplaceSelection({});
    } else {
      ReplaceRange(document_.PreviousChar(caret_), caret_, {}, false);
    }
    return true;
  }
  if (is(Key::InsertParagraphSeparator) || is(Key::InsertLineSeparator)) {
    ReplaceSelection("\r\n");
    return true;
  }
  return false;
}

void Memo::keyPressEvent(QKeyEvent* event) {
  if (HandleShortcut(event)) return SetPrimarySelection();
  if (IsTypedText(event)) {
    if (const auto bytes = Typed(event->text())) ReplaceSelection(*bytes, true);
    return;
  }
  event->ignore();
}

bool Memo::event(QEvent* event) {
  // The control's own keys before the window's shortcuts.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (IsTypedText(key) || key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
        key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Paste) ||
        key->matches(QKeySequence::Cut) || key->matches(QKeySequence::SelectAll)) {
      event->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

void Memo::inputMethodEvent(QInputMethodEvent* event) {
  const QString commit = event->commitString();
  if (!commit.isEmpty() || event->replacementLength() > 0) {
    // The replacement range counts characters from the caret, within its line.
    std::size_t from = caret_, to = caret_;
    if (event->replacementLength() > 0 || event->replacementStart() != 0) {
      const std::size_t at = chars_.CharsBefore(caret_);
      const auto start = static_cast<qsizetype>(at) + event->replacementStart();
      const auto count = static_cast<qsizetype>(chars_.CharCount());
      const auto clampChars = [&](qsizetype c) {
        return static_cast<std::size_t>(std::clamp<qsizetype>(c, 0, count));
      };
      from = chars_.OffsetOfChar(clampChars(start));
      to = chars_.OffsetOfChar(clampChars(start + event->replacementLength()));
    } else if (HasSelection()) {
      from = SelectionStart();
      to = SelectionEnd();
    }
    preedit_.clear();
    if (const auto bytes = Typed(commit)) ReplaceRange(from, to, *bytes, from == to);
  }
  // Composing over a selection replaces it, as typing would.
  if (!event->preeditString().isEmpty() && preedit_.isEmpty() && HasSelection())
    ReplaceSelection({});
  preedit_ = event->preeditString();
  preeditFormats_.clear();
  preeditCursor_ = static_cast<int>(preedit_.size());
  for (const QInputMethodEvent::Attribute& a : event->attributes()) {
    if (a.type == QInputMethodEvent::TextFormat) {
      const QTextCharFormat format = a.value.value<QTextFormat>().toCharFormat();
      if (format.isValid()) preeditFormats_.push_back({a.start, a.length, format});
    } else if (a.type == QInputMethodEvent::Cursor) {
      preeditCursor_ = a.start;
    }
  }
  viewport()->update();
  event->accept();
}

QVariant Memo::inputMethodQuery(Qt::InputMethodQuery query) const {
  auto* self = const_cast<Memo*>(this);
  // What input methods see around the caret: its line, at most kSurrounding bytes either side.
  const TextWindow around = TextWindow::Around(document_, caret_, kSurrounding);
  const auto inWindow = [&](std::size_t offset) {
    return static_cast<int>(around.IndexOf(std::clamp(offset, around.from, around.to)));
  };
  switch (query) {
    case Qt::ImEnabled:
      return true;
    case Qt::ImCursorRectangle:
      return self->cursorRect();
    case Qt::ImFont:
      return font();
    case Qt::ImSurroundingText:
      return around.text;
    case Qt::ImCursorPosition:
      return inWindow(caret_);
    case Qt::ImAnchorPosition:
      return inWindow(anchor_);
    case Qt::ImCurrentSelection:
      return ShownText(document_, SelectionStart(), SelectionEnd());
    case Qt::ImTextBeforeCursor:
      return around.text.left(inWindow(caret_));
    case Qt::ImTextAfterCursor:
      return around.text.mid(inWindow(caret_));
    case Qt::ImMaximumTextLength:
      return QVariant();
    case Qt::ImHints:
      return static_cast<int>(Qt::ImhMultiLine);
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}
