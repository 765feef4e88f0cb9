#include "memo.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>
#include <cmath>

#include "pane_encoding.h"

namespace {

constexpr double kMargin = 4;  // around the text, as Qt's plain-text control leaves
// A wrapped line longer than this is not measured to size the scroll range: it is taken as
// taller than the view.
constexpr std::size_t kMeasuredLine = 1 << 16;

bool IsWordChar(char32_t c) {
  return c == U'_' || QChar::isLetterOrNumber(c);
}

}  // namespace

Memo::Memo(QWidget* parent, const char* name, PaneEncoding encoding, bool wordWrap)
    : QAbstractScrollArea(parent),
      document_(encoding),
      pane_(static_cast<TextStorage&>(*this)),
      wrapMode_(wordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap),
      metrics_(std::make_unique<TextMetrics>(font())) {
  setObjectName(name);
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  setAcceptDrops(true);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  // The initial line: the pane's own name.
  TextPane::UpdateBracket bracket(pane_);
  pane_.ClearText();
  pane_.AppendLine(name);
}

void Memo::setPlainText(const QString& text) {
  Replace(TypedBytes(text, document_.Encoding()), TextStorage::Caret::AtStart);
}

Memo::CaretPlace Memo::textCursor() const {
  return CaretPlace{.start = caret_ == 0, .end = caret_ == document_.Size()};
}

// --- the pane's storage

void Memo::Replace(std::string text, TextStorage::Caret caret) {
  document_.Replace(std::move(text));
  topRow_ = 0;
  metrics_->Forget(0);
  wrapped_ = {};
  caret_ = anchor_ = caret == TextStorage::Caret::AtEnd ? document_.Size() : 0;
  undo_.clear();
  redo_.clear();
  Changed();
}

void Memo::Append(std::string_view text) {
  metrics_->Forget(document_.LineStart(document_.LineCount() - 1));
  document_.Append(text);
  wrapped_ = {};
  caret_ = anchor_ = document_.Size();
  Changed();
}

void Memo::Changed() {
  typing_ = false;
  wantedX_ = -1;
  changed_ = true;
  if (updatesEnabled()) SetRedraw(true);
}

void Memo::SetRedraw(bool on) {
  setUpdatesEnabled(on);
  if (!on || !changed_) return;
  changed_ = false;
  // The view follows the caret; a caret at the end shows the end whole.
  UpdateScrollBars();
  EnsureCaretVisible();
  if (caret_ == document_.Size()) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
  viewport()->update();
}

// --- rows and places

double Memo::ViewWidth() const {
  return std::max(1.0, viewport()->width() - 2 * kMargin);
}

std::vector<std::size_t> Memo::RowStarts(std::size_t line) {
  if (wrapMode_ == QPlainTextEdit::NoWrap) return {document_.LineStart(line)};
  if (wrapped_.line != line || wrapped_.width != ViewWidth()) {
    wrapped_.rows = metrics_->WrapRows(document_, line, ViewWidth());
    wrapped_.line = line;
    wrapped_.width = ViewWidth();
  }
  return wrapped_.rows;
}

Memo::Row Memo::RowOf(std::size_t offset) {
  const std::size_t line = document_.LineOf(offset);
  const auto starts = RowStarts(line);
  const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
  const std::size_t k = static_cast<std::size_t>(after - starts.begin()) - 1;
  return Row{line, starts[k], k + 1 < starts.size() ? starts[k + 1] : document_.LineEnd(line)};
}

std::vector<Memo::Row> Memo::VisibleRows() {
  std::vector<Row> rows;
  const double height = viewport()->height() - kMargin;
  double y = 0;
  for (auto line = static_cast<std::size_t>(verticalScrollBar()->value());
       line < document_.LineCount() && y < height; ++line) {
    const auto starts = RowStarts(line);
    const std::size_t top = rows.empty() ? std::min(topRow_, starts.size() - 1) : 0;
    for (std::size_t k = top; k < starts.size() && y < height; ++k) {
      rows.push_back(
          Row{line, starts[k], k + 1 < starts.size() ? starts[k + 1] : document_.LineEnd(line)});
      y += metrics_->LineHeight();
    }
  }
  return rows;
}

double Memo::XInRow(const Row& row, std::size_t offset) {
  if (wrapMode_ == QPlainTextEdit::NoWrap) return metrics_->XOf(document_, offset);
  return metrics_->XAfter(document_, row.from, offset, 0);
}

std::size_t Memo::OffsetAt(QPoint point) {
  const auto rows = VisibleRows();
  if (rows.empty()) return document_.Size();
  const auto k = static_cast<std::size_t>(
      std::clamp(std::floor((point.y() - kMargin) / metrics_->LineHeight()), 0.0,
                 static_cast<double>(rows.size() - 1)));
  const Row& row = rows[k];
  const double x = point.x() - kMargin + horizontalScrollBar()->value();
  std::size_t offset;
  if (wrapMode_ == QPlainTextEdit::NoWrap) {
    double fromX = 0;
    const std::size_t from = metrics_->OffsetBeforeX(document_, row.line, x, fromX);
    offset = metrics_->OffsetAtX(document_, from, row.to, fromX, x);
  } else {
    offset = metrics_->OffsetAtX(document_, row.from, row.to, 0, x);
    // The end of a row that wraps is the start of the next: stay on this one.
    if (offset == row.to && row.to < document_.LineEnd(row.line))
      offset = document_.PreviousChar(offset);
  }
  return offset;
}

QRect Memo::cursorRect() {
  const Row row = RowOf(caret_);
  const auto first = static_cast<std::size_t>(verticalScrollBar()->value());
  const double lineHeight = metrics_->LineHeight();
  double y;
  if (row.line < first) {
    y = -lineHeight * static_cast<double>(first - row.line);
  } else if (wrapMode_ == QPlainTextEdit::NoWrap ||
             row.line - first >
                 static_cast<std::size_t>((viewport()->height() - kMargin) / lineHeight) + 1) {
    y = lineHeight * static_cast<double>(row.line - first);
  } else {
    std::size_t rows = 0;
    for (std::size_t line = first; line < row.line; ++line)
      rows += RowStarts(line).size();
    const auto starts = RowStarts(row.line);
    rows += static_cast<std::size_t>(std::find(starts.begin(), starts.end(), row.from) -
                                     starts.begin());
    y = lineHeight * (static_cast<double>(rows) - static_cast<double>(topRow_));
  }
  const double x = kMargin + XInRow(row, caret_) - horizontalScrollBar()->value();
  return QRect(static_cast<int>(x), static_cast<int>(kMargin + y), 1, static_cast<int>(lineHeight));
}

// --- painting

void Memo::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QRect area = event->rect();
  painter.fillRect(area, palette().base());
  painter.setFont(metrics_->Font());
  const double lineHeight = metrics_->LineHeight();
  double y = kMargin;
  for (const Row& row : VisibleRows()) {
    if (y + lineHeight > area.top() && y <= area.bottom()) PaintRow(painter, row, y, area);
    y += lineHeight;
  }
  if (hasFocus() && caretShown_) painter.fillRect(cursorRect(), palette().text());
}

void Memo::PaintRow(QPainter& painter, const Row& row, double y, const QRect& area) {
  const double scroll = horizontalScrollBar()->value();
  std::size_t from = row.from;
  double fromX = 0;
  if (wrapMode_ == QPlainTextEdit::NoWrap)
    from = metrics_->OffsetBeforeX(document_, row.line, scroll + area.left() - kMargin, fromX);
  const double right = scroll + area.right() + 1 - kMargin;
  const double lineHeight = metrics_->LineHeight();
  const double baseline = y + metrics_->Ascent();

  // The visible characters in runs between tabs, each run placed where its advances put it.
  struct Run {
    std::size_t from, to;
    double x;
  };
  std::vector<Run> runs;
  double x = fromX;
  std::size_t at = from;
  while (at < row.to && x < right) {
    std::size_t end = at;
    const double start = x;
    while (end < row.to && document_.Text()[end] != '\t' && x < right) {
      const std::size_t next = document_.NextChar(end);
      x = metrics_->XAfter(document_, end, next, x);
      end = next;
    }
    if (end > at) runs.push_back(Run{at, end, start});
    if (end < row.to && document_.Text()[end] == '\t') {
      x = metrics_->XAfter(document_, end, end + 1, x);
      ++end;
    }
    at = end;
  }
  const auto drawRuns = [&] {
    for (const Run& run : runs)
      painter.drawText(QPointF(kMargin + run.x - scroll, baseline),
                       ShownText(document_, run.from, run.to));
  };
  painter.setPen(palette().text().color());
  drawRuns();

  const std::size_t selFrom = std::max(SelectionStart(), from);
  const std::size_t selTo = std::min(SelectionEnd(), at);
  if (HasSelection() && selFrom < selTo) {
    const double left = metrics_->XAfter(document_, from, selFrom, fromX);
    const double width = metrics_->XAfter(document_, selFrom, selTo, left) - left;
    const QRectF selected(kMargin + left - scroll, y, width, lineHeight);
    painter.fillRect(selected, palette().highlight());
    painter.save();
    painter.setClipRect(selected);
    painter.setPen(palette().highlightedText().color());
    drawRuns();
    painter.restore();
  }
}

// --- scrolling

void Memo::UpdateScrollBars() {
  const double lineHeight = metrics_->LineHeight();
  const int visible = std::max(1, static_cast<int>((viewport()->height() - kMargin) / lineHeight));
  const std::size_t lines = document_.LineCount();
  std::size_t first = lines > static_cast<std::size_t>(visible) ? lines - visible : 0;
  if (wrapMode_ != QPlainTextEdit::NoWrap) {
    // The first line from which the rest fills the view.
    first = lines;
    std::size_t rows = 0;
    while (first > 0) {
      const std::size_t line = first - 1;
      if (document_.LineEnd(line) - document_.LineStart(line) > kMeasuredLine) break;
      rows += RowStarts(line).size();
      if (rows > static_cast<std::size_t>(visible)) break;
      first = line;
    }
    if (first == lines && lines > 0) first = lines - 1;
  }
  QScrollBar* vertical = verticalScrollBar();
  vertical->setRange(0, static_cast<int>(first));
  vertical->setPageStep(visible);
  vertical->setSingleStep(1);

  QScrollBar* horizontal = horizontalScrollBar();
  if (wrapMode_ == QPlainTextEdit::NoWrap) {
    const double widest =
        static_cast<double>(document_.LongestLine()) * metrics_->AverageAdvance() + 2 * kMargin;
    horizontal->setRange(0, std::max(0, static_cast<int>(std::ceil(widest)) - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(20);
  } else {
    horizontal->setRange(0, 0);
  }
}

void Memo::EnsureCaretVisible() {
  const Row row = RowOf(caret_);
  QScrollBar* vertical = verticalScrollBar();
  const auto first = static_cast<std::size_t>(vertical->value());
  const int visible =
      std::max(1, static_cast<int>((viewport()->height() - kMargin) / metrics_->LineHeight()));
  if (row.line < first) {
    vertical->setValue(static_cast<int>(row.line));
    topRow_ = 0;
  } else if (wrapMode_ == QPlainTextEdit::NoWrap) {
    if (row.line >= first + static_cast<std::size_t>(visible))
      vertical->setValue(static_cast<int>(row.line) - visible + 1);
  } else {
    const auto starts = RowStarts(row.line);
    const auto k = static_cast<std::size_t>(std::find(starts.begin(), starts.end(), row.from) -
                                            starts.begin());
    if (row.line == first && k < topRow_) {
      topRow_ = k;  // up within a line taller than the view
    } else if (cursorRect().bottom() >= viewport()->height()) {
      // The first line from which the caret's row is the last that shows whole; within the
      // caret's own line when it alone is taller than the view.
      std::size_t rows = k + 1;
      std::size_t top = row.line;
      while (top > 0 && rows + RowStarts(top - 1).size() <= static_cast<std::size_t>(visible))
        rows += RowStarts(--top).size();
      vertical->setValue(static_cast<int>(top));
      topRow_ = rows > static_cast<std::size_t>(visible) ? rows - visible : 0;
    }
  }
  if (wrapMode_ == QPlainTextEdit::NoWrap) {
    QScrollBar* horizontal = horizontalScrollBar();
    const double x = metrics_->XOf(document_, caret_);
    const double width = viewport()->width() - 2 * kMargin;
    int value = horizontal->value();
    if (x < value) value = static_cast<int>(std::floor(x));
    if (x + 1 > value + width) value = static_cast<int>(std::ceil(x + 1 - width));
    if (value > horizontal->maximum()) horizontal->setMaximum(value);
    horizontal->setValue(value);
  }
}

void Memo::scrollContentsBy(int, int dy) {
  if (dy != 0) topRow_ = 0;
  viewport()->update();
}

void Memo::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void Memo::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    metrics_ = std::make_unique<TextMetrics>(font());
    wrapped_ = {};
    UpdateScrollBars();
    viewport()->update();
  }
}

// --- the caret

void Memo::RestartBlink() {
  caretShown_ = true;
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  if (hasFocus() && flash > 0) {
    blink_.start(flash / 2, this);
  } else {
    blink_.stop();
  }
}

void Memo::timerEvent(QTimerEvent* event) {
  if (event->timerId() != blink_.timerId()) return QAbstractScrollArea::timerEvent(event);
  caretShown_ = !caretShown_;
  viewport()->update(cursorRect().adjusted(-1, -1, 1, 1));
}

void Memo::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  RestartBlink();
  viewport()->update();
}

void Memo::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  blink_.stop();
  viewport()->update();
}

void Memo::MoveCaret(std::size_t offset, bool select) {
  caret_ = offset;
  if (!select) anchor_ = offset;
  typing_ = false;
  RestartBlink();
  EnsureCaretVisible();
  viewport()->update();
}

std::size_t Memo::RowUpOrDown(int rows) {
  Row row = RowOf(caret_);
  if (wantedX_ < 0) wantedX_ = XInRow(row, caret_);
  const auto step = [&](bool down) {
    if (down) {
      if (row.to < document_.LineEnd(row.line)) return RowOf(row.to);
      if (row.line + 1 >= document_.LineCount()) return row;
      return RowOf(document_.LineStart(row.line + 1));
    }
    if (row.from > document_.LineStart(row.line)) return RowOf(document_.PreviousChar(row.from));
    if (row.line == 0) return row;
    return RowOf(document_.LineEnd(row.line - 1));
  };
  for (int i = 0; i < std::abs(rows); ++i)
    row = step(rows > 0);
  if (wrapMode_ == QPlainTextEdit::NoWrap) {
    double fromX = 0;
    const std::size_t from = metrics_->OffsetBeforeX(document_, row.line, wantedX_, fromX);
    return metrics_->OffsetAtX(document_, from, row.to, fromX, wantedX_);
  }
  std::size_t offset = metrics_->OffsetAtX(document_, row.from, row.to, 0, wantedX_);
  if (offset == row.to && row.to < document_.LineEnd(row.line))
    offset = document_.PreviousChar(offset);
  return offset;
}

std::size_t Memo::WordStep(std::size_t offset, bool forward) const {
  const auto wordAt = [&](std::size_t at) { return IsWordChar(document_.CharAt(at)); };
  if (forward) {
    const std::size_t end = document_.Size();
    if (offset < end && wordAt(offset)) {
      while (offset < end && wordAt(offset))
        offset = document_.NextChar(offset);
    } else if (offset < end) {
      offset = document_.NextChar(offset);
    }
    while (offset < end && document_.CharAt(offset) == U' ')
      offset = document_.NextChar(offset);
    return offset;
  }
  while (offset > 0 && document_.CharAt(document_.PreviousChar(offset)) == U' ')
    offset = document_.PreviousChar(offset);
  if (offset > 0 && wordAt(document_.PreviousChar(offset))) {
    while (offset > 0 && wordAt(document_.PreviousChar(offset)))
      offset = document_.PreviousChar(offset);
  } else if (offset > 0) {
    offset = document_.PreviousChar(offset);
  }
  return offset;
}

// --- editing

void Memo::ReplaceSelection(std::string_view bytes, bool typing) {
  const std::size_t from = SelectionStart(), to = SelectionEnd();
  if (from == to && bytes.empty()) return;
  Edit* last = undo_.empty() ? nullptr : &undo_.back();
  if (typing && typing_ && from == to && last != nullptr &&
      last->at + last->inserted.size() == from) {
    last->inserted.append(bytes);
  } else {
    undo_.push_back(Edit{.at = from,
                         .removed = std::string(document_.Text().substr(from, to - from)),
                         .inserted = std::string(bytes),
                         .caretBefore = caret_,
                         .anchorBefore = anchor_});
  }
  redo_.clear();
  ApplyChange(from, to, bytes);
  caret_ = anchor_ = from + bytes.size();
  typing_ = typing;
  wantedX_ = -1;
  UpdateScrollBars();
  RestartBlink();
  EnsureCaretVisible();
  viewport()->update();
}

void Memo::ApplyChange(std::size_t from, std::size_t to, std::string_view bytes) {
  document_.Change(from, to, bytes);
  metrics_->Forget(from);
  wrapped_ = {};
}

void Memo::Undo() {
  if (undo_.empty()) return;
  const Edit edit = std::move(undo_.back());
  undo_.pop_back();
  ApplyChange(edit.at, edit.at + edit.inserted.size(), edit.removed);
  caret_ = edit.caretBefore;
  anchor_ = edit.anchorBefore;
  redo_.push_back(edit);
  typing_ = false;
  UpdateScrollBars();
  MoveCaret(caret_, true);
}

void Memo::Redo() {
  if (redo_.empty()) return;
  const Edit edit = std::move(redo_.back());
  redo_.pop_back();
  ApplyChange(edit.at, edit.at + edit.removed.size(), edit.inserted);
  undo_.push_back(edit);
  UpdateScrollBars();
  MoveCaret(edit.at + edit.inserted.size(), false);
}

void Memo::Copy() {
  if (!HasSelection()) return;
  QGuiApplication::clipboard()->setText(ShownText(document_, SelectionStart(), SelectionEnd()));
}

void Memo::Paste() {
  const QString text = QGuiApplication::clipboard()->text();
  if (!text.isEmpty()) ReplaceSelection(TypedBytes(text, document_.Encoding()));
}

// --- keys and the mouse

void Memo::keyPressEvent(QKeyEvent* event) {
  const auto select = [&](QKeySequence::StandardKey key) { return event->matches(key); };
  const bool vertical =
      select(QKeySequence::MoveToNextLine) || select(QKeySequence::SelectNextLine) ||
      select(QKeySequence::MoveToPreviousLine) || select(QKeySequence::SelectPreviousLine) ||
      select(QKeySequence::MoveToNextPage) || select(QKeySequence::SelectNextPage) ||
      select(QKeySequence::MoveToPreviousPage) || select(QKeySequence::SelectPreviousPage);
  if (!vertical) wantedX_ = -1;
  const int page =
      std::max(1, static_cast<int>((viewport()->height() - kMargin) / metrics_->LineHeight()));
  const Row row = RowOf(caret_);
  // A row that wraps ends where the next begins; its End stays on it.
  const std::size_t rowEnd =
      row.to < document_.LineEnd(row.line) ? document_.PreviousChar(row.to) : row.to;

  struct Move {
    QKeySequence::StandardKey move, extend;
    std::size_t to;
  };
  const Move moves[] = {
      {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar,
       HasSelection() && !select(QKeySequence::SelectNextChar) ? SelectionEnd()
                                                               : document_.NextChar(caret_)},
      {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar,
       HasSelection() && !select(QKeySequence::SelectPreviousChar)
           ? SelectionStart()
           : document_.PreviousChar(caret_)},
      {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, WordStep(caret_, true)},
      {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, WordStep(caret_, false)},
      {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, row.from},
      {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, rowEnd},
      {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, 0},
      {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, document_.Size()},
  };
  for (const Move& m : moves) {
    if (select(m.move) || select(m.extend)) return MoveCaret(m.to, select(m.extend));
  }
  if (vertical) {
    const bool extend =
        select(QKeySequence::SelectNextLine) || select(QKeySequence::SelectPreviousLine) ||
        select(QKeySequence::SelectNextPage) || select(QKeySequence::SelectPreviousPage);
    const bool down = select(QKeySequence::MoveToNextLine) ||
                      select(QKeySequence::SelectNextLine) ||
                      select(QKeySequence::MoveToNextPage) || select(QKeySequence::SelectNextPage);
    const bool byPage =
        select(QKeySequence::MoveToNextPage) || select(QKeySequence::SelectNextPage) ||
        select(QKeySequence::MoveToPreviousPage) || select(QKeySequence::SelectPreviousPage);
    const int rows = (byPage ? page : 1) * (down ? 1 : -1);
    const double x = wantedX_;
    const std::size_t to = RowUpOrDown(rows);
    if (byPage) verticalScrollBar()->setValue(verticalScrollBar()->value() + rows);
    MoveCaret(to, extend);
    wantedX_ = x < 0 ? wantedX_ : x;
    return;
  }

  if (select(QKeySequence::Undo)) return Undo();
  if (select(QKeySequence::Redo)) return Redo();
  if (select(QKeySequence::Copy)) return Copy();
  if (select(QKeySequence::Cut)) {
    Copy();
    return ReplaceSelection({});
  }
  if (select(QKeySequence::Paste)) return Paste();
  if (select(QKeySequence::SelectAll)) {
    anchor_ = 0;
    return MoveCaret(document_.Size(), true);
  }
  if (select(QKeySequence::Delete) || select(QKeySequence::DeleteEndOfWord) ||
      event->key() == Qt::Key_Backspace || select(QKeySequence::DeleteStartOfWord)) {
    if (!HasSelection()) {
      if (select(QKeySequence::Delete)) {
        anchor_ = document_.NextChar(caret_);
      } else if (select(QKeySequence::DeleteEndOfWord)) {
        anchor_ = WordStep(caret_, true);
      } else if (select(QKeySequence::DeleteStartOfWord)) {
        anchor_ = WordStep(caret_, false);
      } else {
        anchor_ = document_.PreviousChar(caret_);
      }
    }
    return ReplaceSelection({});
  }
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
    return ReplaceSelection("\r\n");
  const QString text = event->text();
  if (!text.isEmpty() && text[0].isPrint() &&
      !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    return ReplaceSelection(TypedBytes(text, document_.Encoding()), true);
  }
  event->ignore();
}

void Memo::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty())
    ReplaceSelection(TypedBytes(event->commitString(), document_.Encoding()), true);
  event->accept();
}

QVariant Memo::inputMethodQuery(Qt::InputMethodQuery query) const {
  if (query == Qt::ImCursorRectangle) return const_cast<Memo*>(this)->cursorRect();
  if (query == Qt::ImEnabled) return true;
  return QAbstractScrollArea::inputMethodQuery(query);
}

void Memo::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  selecting_ = true;
  wantedX_ = -1;
  MoveCaret(OffsetAt(event->position().toPoint()), (event->modifiers() & Qt::ShiftModifier) != 0);
}

void Memo::mouseMoveEvent(QMouseEvent* event) {
  if (selecting_ && (event->buttons() & Qt::LeftButton))
    MoveCaret(OffsetAt(event->position().toPoint()), true);
}

void Memo::mouseReleaseEvent(QMouseEvent*) {
  selecting_ = false;
}

void Memo::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const std::size_t at = OffsetAt(event->position().toPoint());
  std::size_t from = at, to = at;
  while (from > 0 && IsWordChar(document_.CharAt(document_.PreviousChar(from))))
    from = document_.PreviousChar(from);
  while (to < document_.Size() && IsWordChar(document_.CharAt(to)))
    to = document_.NextChar(to);
  anchor_ = from;
  MoveCaret(to, true);
}

void Memo::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  const auto add = [&](const QString& text, QKeySequence::StandardKey key, bool enabled,
                       auto action) {
    QAction* item = menu.addAction(text, this, action);
    item->setShortcut(key);
    item->setEnabled(enabled);
  };
  add(tr("&Undo"), QKeySequence::Undo, !undo_.empty(), [this] { Undo(); });
  add(tr("&Redo"), QKeySequence::Redo, !redo_.empty(), [this] { Redo(); });
  menu.addSeparator();
  add(tr("Cu&t"), QKeySequence::Cut, HasSelection(), [this] {
    Copy();
    ReplaceSelection({});
  });
  add(tr("&Copy"), QKeySequence::Copy, HasSelection(), [this] { Copy(); });
  add(tr("&Paste"), QKeySequence::Paste, !QGuiApplication::clipboard()->text().isEmpty(),
      [this] { Paste(); });
  add(tr("Delete"), QKeySequence::Delete, HasSelection(), [this] { ReplaceSelection({}); });
  menu.addSeparator();
  add(tr("Select All"), QKeySequence::SelectAll, document_.Size() > 0, [this] {
    anchor_ = 0;
    MoveCaret(document_.Size(), true);
  });
  menu.exec(event->globalPos());
}

void Memo::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasText()) event->acceptProposedAction();
}

void Memo::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasText()) event->acceptProposedAction();
}

void Memo::dropEvent(QDropEvent* event) {
  if (!event->mimeData()->hasText()) return;
  caret_ = anchor_ = OffsetAt(event->position().toPoint());
  ReplaceSelection(TypedBytes(event->mimeData()->text(), document_.Encoding()));
  event->acceptProposedAction();
  setFocus();
}
