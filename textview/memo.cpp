#include "memo.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDrag>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextLine>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>

#include "memo_accessible.h"
#include "memo_texts.h"
#include "pane_encoding.h"
#include "selection_data.h"

namespace {

constexpr double kMargin = 4;  // around the text, as Qt's plain-text control leaves
// A wrapped line longer than this is not measured to size the scroll range: it is taken as
// taller than the view.
constexpr std::size_t kMeasuredLine = 1 << 16;
// What input methods are told of the text around the caret, either side.
constexpr std::size_t kSurrounding = 1024;
// What an accessibility event carries of a change; past it, only that the text changed.
constexpr qsizetype kToldText = 1 << 16;
constexpr int kAutoScrollMs = 50;

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
  topRow_ = 0;
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
  for (std::size_t line = FirstLine(); line < document_.LineCount() && y < height; ++line) {
    const auto wanted = static_cast<std::size_t>(std::ceil((height - y) / lineHeight)) + 1;
    std::size_t first = 0;
    if (rows.empty()) {
      const auto& starts = rows_->RowStarts(line, topRow_ + wanted);
      first = std::min(topRow_, starts.size() - 1);
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
  const std::size_t first = FirstLine();
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
    y = lineHeight * (static_cast<double>(rows) - static_cast<double>(topRow_));
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

// --- scrolling

void Memo::Measure(const std::vector<Row>& rows) {
  if (wrapMode_ != QPlainTextEdit::NoWrap) return;
  // The horizontal range grows with the widest line met, measured as laid out.
  double widest = widest_;
  for (const Row& row : rows)
    widest = std::max(widest, rows_->LineWidth(row.line));
  if (widest > widest_) {
    widest_ = widest;
    UpdateScrollBars();
  }
}

void Memo::UpdateScrollBars() {
  rows_->SetWrapWidth(wrapMode_ == QPlainTextEdit::NoWrap ? 0 : ViewWidth());
  const int visible = VisibleRowCount();
  const std::size_t lines = document_.LineCount();
  std::size_t first = lines > static_cast<std::size_t>(visible) ? lines - visible : 0;
  endTopRow_ = 0;
  if (wrapMode_ != QPlainTextEdit::NoWrap) {
    // The first line from which the rest fills the view, and how many of its rows are above
    // the view there: a line taller than the view shows its last rows at the end.
    first = lines;
    std::size_t rows = 0;
    while (first > 0 && rows < static_cast<std::size_t>(visible)) {
      const std::size_t line = first - 1;
      first = line;
      const auto known = rows_->KnownRowCount(line);
      if (!known && document_.LineEnd(line) - document_.LineStart(line) > kMeasuredLine) {
        endTopRow_ = kRowsUnknown;  // counted only when the view is taken there
        endRowsAfter_ = rows;
        break;
      }
      const std::size_t count = known ? *known : rows_->RowStarts(line).size();
      if (rows + count > static_cast<std::size_t>(visible)) {
        endTopRow_ = rows + count - visible;
        break;
      }
      rows += count;
    }
  }
  QScrollBar* vertical = verticalScrollBar();
  lastFirst_ = wrapMode_ == QPlainTextEdit::NoWrap ? first : std::min(first, lines - 1);
  vertical->setRange(0,
                     static_cast<int>(lastFirst_ + (endTopRow_ == kRowsUnknown ? 0 : endTopRow_)));
  vertical->setPageStep(visible);
  vertical->setSingleStep(1);

  QScrollBar* horizontal = horizontalScrollBar();
  if (wrapMode_ == QPlainTextEdit::NoWrap) {
    const double caretX = rows_->XOf(rows_->RowOf(caret_), caret_) + 1;
    const double range =
        std::max(0.0, std::max(widest_, caretX) + 2 * kMargin - viewport()->width());
    // Past int's range a scroll step stands for several pixels.
    const double scale = std::max(1.0, std::ceil(range / (INT_MAX / 2)));
    if (scale != scrollScale_) {
      const double x = ScrollX();
      scrollScale_ = scale;
      horizontal->setRange(0, static_cast<int>(std::ceil(range / scale)));
      horizontal->setValue(static_cast<int>(x / scale));
    } else {
      horizontal->setRange(0, static_cast<int>(std::ceil(range / scale)));
    }
    horizontal->setPageStep(std::max(1, static_cast<int>(viewport()->width() / scale)));
    horizontal->setSingleStep(std::max(1, static_cast<int>(20 / scale)));
  } else {
    horizontal->setRange(0, 0);
  }
}

void Memo::EnsureCaretVisible() {
  const Row row = rows_->RowOf(caret_);
  QScrollBar* vertical = verticalScrollBar();
  const std::size_t first = FirstLine();
  const int visible = VisibleRowCount();
  if (row.line < first) {
    ShowFrom(row.line, 0);
  } else if (wrapMode_ == QPlainTextEdit::NoWrap) {
    if (row.line >= first + static_cast<std::size_t>(visible))
      vertical->setValue(static_cast<int>(row.line) - visible + 1);
  } else {
    const auto& starts = rows_->RowStarts(row.line, 1);
    const auto k = static_cast<std::size_t>(
        std::lower_bound(starts.begin(), starts.end(), row.from) - starts.begin());
    if (row.line == first && k < topRow_) {
      ShowFrom(first, k);  // up within a line taller than the view
    } else if (cursorRect().bottom() >= viewport()->height()) {
      // The line and row from which the caret's row is the last that shows whole: lines above
      // it fill the view, the top one maybe in part.
      std::size_t rows = k + 1;
      std::size_t top = row.line;
      while (top > 0 && rows < static_cast<std::size_t>(visible))
        rows += rows_->RowStarts(--top).size();
      ShowFrom(top, rows > static_cast<std::size_t>(visible) ? rows - visible : 0);
    }
  }
  if (wrapMode_ == QPlainTextEdit::NoWrap) {
    const double x = rows_->XOf(row, caret_);
    if (x + 1 + 2 * kMargin > widest_) UpdateScrollBars();
    QScrollBar* horizontal = horizontalScrollBar();
    const double width = viewport()->width() - 2 * kMargin;
    double value = ScrollX();
    // Back to the left, the line shows from its start when the caret fits there: a short
    // line after a long one is not left scrolled out of view.
    if (x < value) value = x + 1 <= width ? 0 : std::floor(x);
    if (x + 1 > value + width) value = std::ceil(x + 1 - width);
    horizontal->setValue(static_cast<int>(std::round(value / scrollScale_)));
  }
}

void Memo::scrollContentsBy(int, int dy) {
  if (dy != 0) {
    QScrollBar* vertical = verticalScrollBar();
    // Past the last first line, the bar steps through that line's rows.
    const auto value = static_cast<std::size_t>(vertical->value());
    if (value == lastFirst_ && endTopRow_ == kRowsUnknown) {
      // A line too long to count at every change is counted once the view reaches it; from
      // then on the bar steps through its rows.
      endTopRow_ = EndTopRow();
      vertical->setMaximum(static_cast<int>(lastFirst_ + endTopRow_));
    }
    topRow_ = value > lastFirst_ ? value - lastFirst_ : 0;
  }
  viewport()->update();
}

std::size_t Memo::EndTopRow() {
  // A line too long to measure at every change is measured once the view reaches it.
  const std::size_t rows = rows_->RowStarts(lastFirst_).size() + endRowsAfter_;
  const auto visible = static_cast<std::size_t>(VisibleRowCount());
  return rows > visible ? rows - visible : 0;
}

std::size_t Memo::FirstLine() const {
  return std::min(static_cast<std::size_t>(verticalScrollBar()->value()), lastFirst_);
}

void Memo::ShowFrom(std::size_t line, std::size_t row) {
  QScrollBar* vertical = verticalScrollBar();
  if (line == lastFirst_ && endTopRow_ != kRowsUnknown) {
    vertical->setValue(static_cast<int>(line + std::min(row, endTopRow_)));
  } else {
    vertical->setValue(static_cast<int>(line));
  }
  topRow_ = row;
}

ViewTop Memo::LastTop() const {
  return {lastFirst_, endTopRow_ == kRowsUnknown ? SIZE_MAX : endTopRow_};
}

void Memo::ScrollRows(std::ptrdiff_t by) {
  ViewTop top = MovedTop(*rows_, {FirstLine(), topRow_}, by, LastTop());
  if (top.line == lastFirst_ && endTopRow_ == kRowsUnknown) {
    // The view reaches the line too long to count at every change: it is counted now.
    endTopRow_ = EndTopRow();
    verticalScrollBar()->setMaximum(static_cast<int>(lastFirst_ + endTopRow_));
    top.row = std::min(top.row, endTopRow_);
  }
  ShowFrom(top.line, top.row);
  viewport()->update();
}

void Memo::wheelEvent(QWheelEvent* event) {
  // A notch scrolls by rows, as many as the platform says (three unless set), so that a
  // wrapped line shows its inside; with a modifier, or across, as the scroll area does.
  const QPoint delta = event->angleDelta();
  if (delta.y() == 0 || delta.x() != 0 || event->modifiers() != Qt::NoModifier)
    return QAbstractScrollArea::wheelEvent(event);
  wheelRows_ -= delta.y() / 120.0 * QApplication::wheelScrollLines();
  const auto rows = static_cast<std::ptrdiff_t>(wheelRows_);
  wheelRows_ -= static_cast<double>(rows);
  if (rows != 0) ScrollRows(rows);
  event->accept();
}

void Memo::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void Memo::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    rows_ = std::make_unique<RowLayout>(document_, font());
    widest_ = 0;
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
  if (event->timerId() == autoScroll_.timerId()) {
    // A drag past the view's edge scrolls and selects on.
    const QRect view = viewport()->rect();
    if (lastMouse_.y() < view.top())
      verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    if (lastMouse_.y() > view.bottom())
      verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (lastMouse_.x() < view.left())
      horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    if (lastMouse_.x() > view.right())
      horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    SelectByUnit(OffsetAt(lastMouse_));
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
  if (unit_ == Unit::Line) {
    const std::size_t line = document_.LineOf(offset);
    const bool last = line + 1 == document_.LineCount();
    return {document_.LineStart(line),
            last ? document_.LineEnd(line) : document_.LineStart(line + 1)};
  }
  if (unit_ == Unit::Word) return WordClickedAt(document_, offset);
  return {offset, offset};
}

void Memo::SelectByUnit(std::size_t offset) {
  if (unit_ == Unit::Character) return MoveCaret(offset, true);
  const TextRange at = UnitAt(offset);
  if (at.from < anchorUnit_.from) {
    anchor_ = anchorUnit_.to;
    MoveCaret(at.from, true);
  } else {
    anchor_ = anchorUnit_.from;
    MoveCaret(std::max(at.to, anchorUnit_.to), true);
  }
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

// --- keys and input methods

bool Memo::HandleShortcut(QKeyEvent* event) {
  const auto is = [&](QKeySequence::StandardKey key) { return event->matches(key); };
  const bool vertical = is(QKeySequence::MoveToNextLine) || is(QKeySequence::SelectNextLine) ||
                        is(QKeySequence::MoveToPreviousLine) ||
                        is(QKeySequence::SelectPreviousLine) || is(QKeySequence::MoveToNextPage) ||
                        is(QKeySequence::SelectNextPage) || is(QKeySequence::MoveToPreviousPage) ||
                        is(QKeySequence::SelectPreviousPage);
  if (!vertical) wantedX_ = -1;
  const Row row = rows_->RowOf(caret_);
  // A row that wraps ends where the next begins; its End stays on it.
  const std::size_t rowEnd =
      row.to < document_.LineEnd(row.line) ? PreviousCharacter(document_, row.to) : row.to;
  const std::size_t lineStart = document_.LineStart(row.line);
  const std::size_t lineEnd = document_.LineEnd(row.line);

  struct Move {
    QKeySequence::StandardKey move, extend;
    std::size_t to;
  };
  const Move moves[] = {
      {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar,
       HasSelection() && !is(QKeySequence::SelectNextChar) ? SelectionEnd()
                                                           : NextCharacter(document_, caret_)},
      {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar,
       HasSelection() && !is(QKeySequence::SelectPreviousChar)
           ? SelectionStart()
           : PreviousCharacter(document_, caret_)},
      {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord,
       NextWordStart(document_, caret_)},
      {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord,
       PreviousWordStart(document_, caret_)},
      {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, row.from},
      {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, rowEnd},
      {QKeySequence::MoveToStartOfBlock, QKeySequence::SelectStartOfBlock, lineStart},
      {QKeySequence::MoveToEndOfBlock, QKeySequence::SelectEndOfBlock, lineEnd},
      {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, 0},
      {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, document_.Size()},
  };
  for (const Move& m : moves) {
    if (is(m.move) || is(m.extend)) {
      MoveCaret(m.to, is(m.extend));
      return true;
    }
  }
  if (vertical) {
    const bool extend = is(QKeySequence::SelectNextLine) || is(QKeySequence::SelectPreviousLine) ||
                        is(QKeySequence::SelectNextPage) || is(QKeySequence::SelectPreviousPage);
    const bool down = is(QKeySequence::MoveToNextLine) || is(QKeySequence::SelectNextLine) ||
                      is(QKeySequence::MoveToNextPage) || is(QKeySequence::SelectNextPage);
    const bool byPage = is(QKeySequence::MoveToNextPage) || is(QKeySequence::SelectNextPage) ||
                        is(QKeySequence::MoveToPreviousPage) ||
                        is(QKeySequence::SelectPreviousPage);
    const int rows = (byPage ? VisibleRowCount() : 1) * (down ? 1 : -1);
    const double x = wantedX_;
    const std::size_t to = RowUpOrDown(rows);
    // The view moves as the caret does, row for row, so that the caret keeps its place on
    // screen and the row that showed only in part, or not at all, comes to the top.
    if (byPage) ScrollRows(rows);
    MoveCaret(to, extend);
    wantedX_ = x < 0 ? wantedX_ : x;
    return true;
  }

  if (is(QKeySequence::Undo)) return Undo(), true;
  if (is(QKeySequence::Redo)) return Redo(), true;
  if (is(QKeySequence::Copy)) return Copy(), true;
  if (is(QKeySequence::Cut)) {
    Copy();
    ReplaceSelection({});
    return true;
  }
  if (is(QKeySequence::Paste)) return Paste(), true;
  if (is(QKeySequence::SelectAll)) {
    anchor_ = 0;
    MoveCaret(document_.Size(), true);
    return true;
  }
  if (is(QKeySequence::Deselect)) {
    MoveCaret(caret_, false);
    return true;
  }
  // Deleting: the selection, or what the key names from the caret.
  struct Delete {
    QKeySequence::StandardKey key;
    std::size_t from, to;
  };
  const Delete deletes[] = {
      {QKeySequence::Delete, caret_, NextCharacter(document_, caret_)},
      {QKeySequence::Backspace, document_.PreviousChar(caret_), caret_},
      {QKeySequence::DeleteEndOfWord, caret_, NextWordStart(document_, caret_)},
      {QKeySequence::DeleteStartOfWord, PreviousWordStart(document_, caret_), caret_},
      {QKeySequence::DeleteEndOfLine, caret_,
       caret_ == lineEnd ? document_.NextChar(caret_) : lineEnd},
      {QKeySequence::DeleteCompleteLine, lineStart,
       row.line + 1 < document_.LineCount() ? document_.LineStart(row.line + 1) : lineEnd},
  };
  for (const Delete& d : deletes) {
    if (!is(d.key)) continue;
    if (HasSelection() && d.key != QKeySequence::DeleteCompleteLine) {
      ReplaceSelection({});
    } else {
      ReplaceRange(d.from, d.to, {}, false);
    }
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
  if (is(QKeySequence::InsertParagraphSeparator) || is(QKeySequence::InsertLineSeparator)) {
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

// --- the mouse

void Memo::mousePressEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (event->button() == Qt::MiddleButton) {
    // The primary selection, where the platform has one, is pasted where clicked.
    if (!QGuiApplication::clipboard()->supportsSelection()) return;
    MoveCaret(OffsetAt(point), false);
    Paste(QClipboard::Selection);
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  wantedX_ = -1;
  const std::size_t at = OffsetAt(point);
  const bool third = lastDoubleClick_ >= 0 &&
                     QDateTime::currentMSecsSinceEpoch() - lastDoubleClick_ <
                         QGuiApplication::styleHints()->mouseDoubleClickInterval() &&
                     (point - doubleClickPoint_).manhattanLength() <
                         QGuiApplication::styleHints()->startDragDistance();
  lastDoubleClick_ = -1;
  if (third) {
    unit_ = Unit::Line;
    anchorUnit_ = UnitAt(at);
    anchor_ = anchorUnit_.from;
    selecting_ = true;
    MoveCaret(anchorUnit_.to, true);
    return;
  }
  unit_ = Unit::Character;
  if (HasSelection() && at > SelectionStart() && at < SelectionEnd() &&
      !(event->modifiers() & Qt::ShiftModifier)) {
    mayDragOut_ = true;  // a press in the selection may start dragging it out
    pressPoint_ = point;
    return;
  }
  selecting_ = true;
  MoveCaret(at, (event->modifiers() & Qt::ShiftModifier) != 0);
}

void Memo::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (mayDragOut_ && (event->buttons() & Qt::LeftButton)) {
    if ((point - pressPoint_).manhattanLength() <
        QGuiApplication::styleHints()->startDragDistance())
      return;
    mayDragOut_ = false;
    const std::size_t from = SelectionStart(), to = SelectionEnd();
    auto* drag = new QDrag(this);
    drag->setMimeData(Selected());
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    // Moved elsewhere: taken out here (a move within the pane was done by the drop).
    if (action == Qt::MoveAction && drag->target() != viewport() && SelectionStart() == from &&
        SelectionEnd() == to) {
      ReplaceSelection({});
    }
    return;
  }
  if (!selecting_ || !(event->buttons() & Qt::LeftButton)) return;
  lastMouse_ = point;
  if (viewport()->rect().contains(point)) {
    autoScroll_.stop();
  } else if (!autoScroll_.isActive()) {
    autoScroll_.start(kAutoScrollMs, this);
  }
  SelectByUnit(OffsetAt(point));
}

void Memo::mouseReleaseEvent(QMouseEvent* event) {
  if (mayDragOut_ && event->button() == Qt::LeftButton) {
    // A click in the selection without a drag puts the caret there.
    mayDragOut_ = false;
    MoveCaret(OffsetAt(event->position().toPoint()), false);
  }
  if (selecting_) SetPrimarySelection();
  selecting_ = false;
  autoScroll_.stop();
}

void Memo::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint point = event->position().toPoint();
  lastDoubleClick_ = QDateTime::currentMSecsSinceEpoch();
  doubleClickPoint_ = point;
  mayDragOut_ = false;
  unit_ = Unit::Word;
  anchorUnit_ = UnitAt(OffsetAt(point));
  anchor_ = anchorUnit_.from;
  selecting_ = true;
  MoveCaret(anchorUnit_.to, true);
}

void Memo::contextMenuEvent(QContextMenuEvent* event) {
  using namespace memo_texts;
  QMenu menu(this);
  const auto add = [&](const QString& text, QKeySequence::StandardKey key, bool enabled,
                       auto action) {
    QAction* item = menu.addAction(text, this, action);
    item->setShortcut(key);
    item->setEnabled(enabled);
  };
  add(tr(kUndo.data()), QKeySequence::Undo, history_.CanUndo(), [this] { Undo(); });
  add(tr(kRedo.data()), QKeySequence::Redo, history_.CanRedo(), [this] { Redo(); });
  menu.addSeparator();
  add(tr(kCut.data()), QKeySequence::Cut, HasSelection(), [this] {
    Copy();
    ReplaceSelection({});
  });
  add(tr(kCopy.data()), QKeySequence::Copy, HasSelection(), [this] { Copy(); });
  add(tr(kPaste.data()), QKeySequence::Paste, !QGuiApplication::clipboard()->text().isEmpty(),
      [this] { Paste(); });
  add(tr(kDelete.data()), QKeySequence::Delete, HasSelection(), [this] { ReplaceSelection({}); });
  menu.addSeparator();
  add(tr(kSelectAll.data()), QKeySequence::SelectAll, document_.Size() > 0, [this] {
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
  std::size_t at = OffsetAt(event->position().toPoint());
  const auto typed = Typed(event->mimeData()->text());
  if (!typed) return event->ignore();
  const std::string& bytes = *typed;
  if (event->source() == this && event->dropAction() == Qt::MoveAction && HasSelection()) {
    // A move within the pane is one step: the stretch from the selection to the drop place
    // is written again with the selection at its new place.
    const std::size_t from = SelectionStart(), to = SelectionEnd();
    if (at >= from && at <= to) return event->ignore();
    const std::string moved = document_.Bytes(from, to);
    std::size_t caret;
    if (at < from) {
      ReplaceRange(at, to, moved + document_.Bytes(at, from), false);
      caret = at + moved.size();
    } else {
      ReplaceRange(from, at, document_.Bytes(to, at) + moved, false);
      caret = at;
    }
    anchor_ = caret - moved.size();
    MoveCaret(caret, true);
    event->acceptProposedAction();
    setFocus();
    return;
  }
  caret_ = anchor_ = at;
  ReplaceSelection(bytes);
  event->acceptProposedAction();
  setFocus();
}

// --- the text in characters, for screen readers and input methods

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
