// The pane control's scrolling: the bars' ranges, the view following the caret, paging and
// the wheel by rows.
#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>

#include "memo.h"

namespace {

// A wrapped line longer than this is not measured to size the scroll range: it is taken as
// taller than the view.
constexpr std::size_t kMeasuredLine = 1 << 16;

}  // namespace

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
