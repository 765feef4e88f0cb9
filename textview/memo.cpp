#include "memo.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextLine>
#include <algorithm>
#include <cmath>

#include "pane_encoding.h"
#include "selection_data.h"

namespace {

// What an accessibility event carries of a change; past it, only that the text changed.
constexpr qsizetype kToldText = 1 << 16;

}  // namespace

Memo::Memo(QWidget* parent, const char* name, PaneEncoding encoding, bool wordWrap)
    : QAbstractScrollArea(parent),
      document_(encoding),
      wrapMode_(wordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap),
      rows_(std::make_unique<RowLayout>(document_, font())),
      chars_(document_) {
  InstallMemoAccessibility();
  setObjectName(name);
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  setAcceptDrops(true);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
}

void Memo::setPlainText(const QString& text) {
  if (const auto bytes = Typed(text)) Replace(*bytes, TextStorage::Caret::AtStart);
}

std::optional<std::string> Memo::Typed(const QString& text) const {
  auto bytes = TypedBytes(text, document_.Encoding());
  if (!bytes) QApplication::beep();  // what the pane cannot hold is refused, and heard
  return bytes;
}

Memo::CaretPlace Memo::textCursor() const {
  return CaretPlace{.start = caret_ == 0, .end = caret_ == document_.Size()};
}

// --- the pane's storage

void Memo::Replace(std::string text, TextStorage::Caret caret) {
  const bool told = QAccessible::isActive();
  const std::optional<QString> removed = told ? ToldText(0, document_.Size()) : QString();
  document_.Replace(std::move(text));
  scroll_.ShowFrom({});
  widest_ = 0;
  rows_->Forget(0);
  chars_.Forget(0);
  caret_ = anchor_ = caret == TextStorage::Caret::AtEnd ? document_.Size() : 0;
  history_.Clear();
  preedit_.clear();
  Changed();
  if (told) {
    TellAccessibility(0, removed, ToldText(0, document_.Size()));
    TellCaret();
  }
}

void Memo::Append(std::string_view text) {
  const std::size_t from = document_.Size();
  const std::size_t chars = QAccessible::isActive() ? chars_.CharsBefore(from) : 0;
  document_.Append(text);
  rows_->Forget(document_.LineStart(document_.LineOf(from)));
  chars_.Forget(from);
  caret_ = anchor_ = document_.Size();
  history_.EndTyping();
  Changed();
  if (QAccessible::isActive()) {
    TellAccessibility(chars, QString(), ToldText(from, document_.Size()));
    TellCaret();
  }
}

void Memo::Changed() {
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

int Memo::VisibleRowCount() const {
  return std::max(1, static_cast<int>((viewport()->height() - kMargin) / rows_->LineHeight()));
}

double Memo::ScrollX() const {
  return horizontalScrollBar()->value() * scrollScale_;
}

std::vector<Memo::Row> Memo::VisibleRows() {
  std::vector<Row> rows;
  const double height = viewport()->height() - kMargin;
  const double lineHeight = rows_->LineHeight();
  double y = 0;
  const ViewTop top = Top();
  for (std::size_t line = top.line; line < document_.LineCount() && y < height; ++line) {
    const auto wanted = static_cast<std::size_t>(std::ceil((height - y) / lineHeight)) + 1;
    std::size_t first = 0;
    if (rows.empty()) {
      const auto& starts = rows_->RowStarts(line, top.row + wanted);
      first = std::min(top.row, starts.size() - 1);
    }
    const std::size_t count = rows_->RowStarts(line, first + wanted).size();
    for (std::size_t k = first; k < count && y < height; ++k) {
      rows.push_back(rows_->RowAt(line, k));
      y += lineHeight;
    }
  }
  return rows;
}

std::size_t Memo::OffsetAt(QPoint point) {
  const auto rows = VisibleRows();
  if (rows.empty()) return document_.Size();
  const auto k =
      static_cast<std::size_t>(std::clamp(std::floor((point.y() - kMargin) / rows_->LineHeight()),
                                          0.0, static_cast<double>(rows.size() - 1)));
  const Row& row = rows[k];
  std::size_t offset = rows_->OffsetAt(row, point.x() - kMargin + ScrollX());
  // The end of a row that wraps is the start of the next: stay on this one.
  if (offset == row.to && row.to < document_.LineEnd(row.line))
    offset = PreviousCharacter(document_, offset);
  return offset;
}

QRect Memo::cursorRect() {
  const Row row = rows_->RowOf(caret_);
  const ViewTop view = Top();
  const std::size_t first = view.line;
  const double lineHeight = rows_->LineHeight();
  double y;
  if (row.line < first) {
    y = -lineHeight * static_cast<double>(first - row.line);
  } else if (wrapMode_ == QPlainTextEdit::NoWrap ||
             row.line - first > static_cast<std::size_t>(VisibleRowCount()) + 1) {
    y = lineHeight * static_cast<double>(row.line - first);
  } else {
    std::size_t rows = 0;
    for (std::size_t line = first; line < row.line; ++line)
      rows += rows_->RowStarts(line).size();
    const auto& starts = rows_->RowStarts(row.line, 1);
    rows += static_cast<std::size_t>(std::lower_bound(starts.begin(), starts.end(), row.from) -
                                     starts.begin());
    y = lineHeight * (static_cast<double>(rows) - static_cast<double>(view.row));
  }
  double x = rows_->XOf(row, caret_);
  if (!preedit_.isEmpty()) {
    // The caret stands in the text being composed.
    QTextLayout composing(preedit_, rows_->Font());
    RowLayout::LayOutUnwrapped(composing);
    x += composing.lineAt(0).cursorToX(preeditCursor_);
  }
  x += kMargin - ScrollX();
  // Whole pixels within the row, so that its top-left is in the row a click there finds.
  const double top = std::ceil(kMargin + y);
  return QRect(static_cast<int>(std::clamp(x, -1e9, 1e9)), static_cast<int>(top), 1,
               std::max(1, static_cast<int>(std::floor(kMargin + y + lineHeight) - top)));
}

// --- painting

void Memo::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QRect area = event->rect();
  painter.fillRect(area, palette().base());
  const double lineHeight = rows_->LineHeight();
  const auto rows = VisibleRows();
  Measure(rows);
  double y = kMargin;
  for (const Row& row : rows) {
    if (y + lineHeight > area.top() && y <= area.bottom()) PaintRow(painter, row, y, area);
    y += lineHeight;
  }
  if (hasFocus() && caretShown_) painter.fillRect(cursorRect(), palette().text());
}

void Memo::PaintRow(QPainter& painter, const Row& row, double y, const QRect& area) {
  const double scroll = ScrollX();
  const double left = scroll + area.left() - kMargin, right = scroll + area.right() + 1 - kMargin;
  const double lineHeight = rows_->LineHeight();
  for (RowLayout::Stretch& stretch : rows_->Stretches(row, left, right)) {
    QList<QTextLayout::FormatRange> selections;
    const std::size_t from = std::max(SelectionStart(), stretch.window.from);
    const std::size_t to = std::min(SelectionEnd(), stretch.window.to);
    if (HasSelection() && from < to) {
      QTextLayout::FormatRange selected;
      selected.start = static_cast<int>(stretch.window.IndexOf(from));
      selected.length = static_cast<int>(stretch.window.IndexOf(to)) - selected.start;
      selected.format.setBackground(palette().highlight());
      selected.format.setForeground(palette().highlightedText());
      selections.push_back(selected);
    }
    const QPointF origin(kMargin + stretch.x - scroll, y);
    const bool composing = !preedit_.isEmpty() && caret_ >= stretch.window.from &&
                           caret_ <= stretch.window.to && stretch.window.to == row.to;
    if (composing) {
      // The text being composed, in the layout at the caret with its own formats.
      QTextLayout shown(stretch.window.text, rows_->Font());
      shown.setTextOption(stretch.layout->textOption());
      const int at = static_cast<int>(stretch.window.IndexOf(caret_));
      shown.setPreeditArea(at, preedit_);
      // The input method's formats count from the composed text's start.
      QList<QTextLayout::FormatRange> formats = preeditFormats_;
      for (auto& format : formats)
        format.start += at;
      shown.setFormats(formats);
      RowLayout::LayOutUnwrapped(shown);
      painter.setPen(palette().text().color());
      shown.draw(&painter, origin, selections);
    } else {
      painter.setPen(palette().text().color());
      stretch.layout->draw(&painter, origin, selections);
    }
  }
  // A selected line break shows as a space's width of highlight after the row.
  const bool lastRow = row.to == document_.LineEnd(row.line);
  if (HasSelection() && lastRow && row.line + 1 < document_.LineCount() &&
      SelectionStart() <= row.to && SelectionEnd() > row.to) {
    const double x = kMargin + rows_->XOf(row, row.to) - scroll;
    const double width = QFontMetricsF(rows_->Font()).horizontalAdvance(QLatin1Char(' '));
    painter.fillRect(QRectF(x, y, width, lineHeight), palette().highlight());
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
  if (event->timerId() == autoScroll_.timerId()) {
    // A drag past the view's edge scrolls and selects on.
    const QRect view = viewport()->rect();
    if (gesture_.lastMouse.y() < view.top())
      verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    if (gesture_.lastMouse.y() > view.bottom())
      verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (gesture_.lastMouse.x() < view.left())
      horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    if (gesture_.lastMouse.x() > view.right())
      horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    SelectByUnit(OffsetAt(gesture_.lastMouse));
    return;
  }
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
  const bool hadSelection = HasSelection();
  caret_ = std::min(offset, document_.Size());
  if (!select) anchor_ = caret_;
  history_.EndTyping();
  RestartBlink();
  EnsureCaretVisible();
  viewport()->update();
  if (HasSelection() || hadSelection) SelectionChanged();
  TellCaret();
  QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImCursorPosition |
                                         Qt::ImAnchorPosition | Qt::ImSurroundingText |
                                         Qt::ImCurrentSelection);
}

void Memo::SetPrimarySelection() {
  // A selection made sets the primary selection where the platform has one; once, when the
  // gesture ends, not at every step of a drag over a large text.
  if (HasSelection() && QGuiApplication::clipboard()->supportsSelection())
    Copy(QClipboard::Selection);
}

void Memo::SelectionChanged() {
  if (QAccessible::isActive()) {
    const auto [from, to] = SelectionCharacters();
    QAccessibleTextSelectionEvent selected(this, from, to);
    QAccessible::updateAccessibility(&selected);
  }
}

std::size_t Memo::RowUpOrDown(int rows) {
  Row row = rows_->RowOf(caret_);
  if (wantedX_ < 0) wantedX_ = rows_->XOf(row, caret_);
  const auto step = [&](bool down) {
    if (down) {
      if (row.to < document_.LineEnd(row.line)) return rows_->RowOf(row.to);
      if (row.line + 1 >= document_.LineCount()) return row;
      return rows_->RowOf(document_.LineStart(row.line + 1));
    }
    if (row.from > document_.LineStart(row.line))
      return rows_->RowOf(document_.PreviousChar(row.from));
    if (row.line == 0) return row;
    return rows_->RowOf(document_.LineEnd(row.line - 1));
  };
  for (int i = 0; i < std::abs(rows); ++i)
    row = step(rows > 0);
  std::size_t offset = rows_->OffsetAt(row, wantedX_);
  if (offset == row.to && row.to < document_.LineEnd(row.line))
    offset = PreviousCharacter(document_, offset);
  return offset;
}

TextRange Memo::UnitAt(std::size_t offset) const {
  if (gesture_.unit == MouseGesture::Unit::Line) {
    const std::size_t line = document_.LineOf(offset);
    const bool last = line + 1 == document_.LineCount();
    return {document_.LineStart(line),
            last ? document_.LineEnd(line) : document_.LineStart(line + 1)};
  }
  if (gesture_.unit == MouseGesture::Unit::Word) return WordClickedAt(document_, offset);
  return {offset, offset};
}

void Memo::SelectByUnit(std::size_t offset) {
  if (gesture_.unit == MouseGesture::Unit::Character) return MoveCaret(offset, true);
  const auto [anchor, caret] = gesture_.Extended(UnitAt(offset));
  anchor_ = anchor;
  MoveCaret(caret, true);
}

// --- editing

void Memo::ReplaceRange(std::size_t from, std::size_t to, std::string_view bytes, bool typing) {
  if (from == to && bytes.empty()) return;
  history_.Record(Edit{.at = from,
                       .removed = document_.Bytes(from, to),
                       .inserted = std::string(bytes),
                       .caretBefore = caret_,
                       .anchorBefore = anchor_},
                  typing);
  ApplyChange(from, to, bytes);
  caret_ = anchor_ = from + bytes.size();
  wantedX_ = -1;
  UpdateScrollBars();
  RestartBlink();
  EnsureCaretVisible();
  viewport()->update();
  TellCaret();
  QGuiApplication::inputMethod()->update(Qt::ImQueryAll);
}

void Memo::ReplaceSelection(std::string_view bytes, bool typing) {
  ReplaceRange(SelectionStart(), SelectionEnd(), bytes, typing);
}

void Memo::ApplyChange(std::size_t from, std::size_t to, std::string_view bytes) {
  // A screen reader is told of every change, undone and redone ones too.
  const bool told = QAccessible::isActive();
  const std::size_t charFrom = told ? chars_.CharsBefore(from) : 0;
  const std::optional<QString> removed = told ? ToldText(from, to) : QString();
  document_.Change(from, to, bytes);
  rows_->Forget(from);
  chars_.Forget(from);
  if (told) TellAccessibility(charFrom, removed, ToldText(from, from + bytes.size()));
}

std::optional<QString> Memo::ToldText(std::size_t from, std::size_t to) const {
  // A character takes a byte at least: a stretch of fewer bytes is short enough to tell.
  if (to - from > static_cast<std::size_t>(kToldText)) return std::nullopt;
  return ShownText(document_, from, to);
}

void Memo::TellAccessibility(std::size_t from, const std::optional<QString>& removed,
                             const std::optional<QString>& inserted) {
  if (!QAccessible::isActive()) return;
  if (!removed || !inserted) {
    QAccessibleTextUpdateEvent updated(this, static_cast<int>(from), QString(), QString());
    QAccessible::updateAccessibility(&updated);
  } else if (!removed->isEmpty() && !inserted->isEmpty()) {
    QAccessibleTextUpdateEvent updated(this, static_cast<int>(from), *removed, *inserted);
    QAccessible::updateAccessibility(&updated);
  } else if (!removed->isEmpty()) {
    QAccessibleTextRemoveEvent gone(this, static_cast<int>(from), *removed);
    QAccessible::updateAccessibility(&gone);
  } else if (!inserted->isEmpty()) {
    QAccessibleTextInsertEvent added(this, static_cast<int>(from), *inserted);
    QAccessible::updateAccessibility(&added);
  }
}

void Memo::TellCaret() {
  if (!QAccessible::isActive()) return;
  QAccessibleTextCursorEvent moved(this, CaretCharacter());
  QAccessible::updateAccessibility(&moved);
}

void Memo::Undo() {
  const auto edit = history_.Undo();
  if (!edit) return;
  ApplyChange(edit->at, edit->at + edit->inserted.size(), edit->removed);
  caret_ = edit->caretBefore;
  anchor_ = edit->anchorBefore;
  UpdateScrollBars();
  MoveCaret(caret_, true);
}

void Memo::Redo() {
  const auto edit = history_.Redo();
  if (!edit) return;
  ApplyChange(edit->at, edit->at + edit->removed.size(), edit->inserted);
  UpdateScrollBars();
  MoveCaret(edit->at + edit->inserted.size(), false);
}

void Memo::Copy(QClipboard::Mode mode) {
  if (!HasSelection()) return;
  QGuiApplication::clipboard()->setMimeData(Selected(), mode);
}

SelectionData* Memo::Selected() const {
  return new SelectionData(document_.Snapshot(SelectionStart(), SelectionEnd()),
                           document_.Encoding());
}

void Memo::Paste(QClipboard::Mode mode) {
  const QString text = QGuiApplication::clipboard()->text(mode);
  if (text.isEmpty()) return;
  if (const auto bytes = Typed(text)) ReplaceSelection(*bytes);
}
