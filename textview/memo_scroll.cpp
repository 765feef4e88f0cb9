// The pane control's scrolling: the bars' ranges, the view following the caret, paging and
// the wheel by rows.
#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>

#include "memo.h"

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
  scroll_.Measure(*rows_, document_, static_cast<std::size_t>(visible));
  QScrollBar* vertical = verticalScrollBar();
  vertical->setRange(0, static_cast<int>(scroll_.Maximum()));
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
  const ViewTop top = Top();
  const std::size_t first = top.line;
  const int visible = VisibleRowCount();
  if (row.line < first) {
    ShowFrom({row.line, 0});
  } else if (wrapMode_ == QPlainTextEdit::NoWrap) {
    if (row.line >= first + static_cast<std::size_t>(visible))
      vertical->setValue(static_cast<int>(row.line) - visible + 1);
  } else {
    const auto& starts = rows_->RowStarts(row.line, 1);
    const auto k = static_cast<std::size_t>(
        std::lower_bound(starts.begin(), starts.end(), row.from) - starts.begin());
    if (row.line == first && k < top.row) {
      ShowFrom({first, k});  // up within a line taller than the view
    } else if (cursorRect().bottom() >= viewport()->height()) {
      // The line and row from which the caret's row is the last that shows whole: lines above
      // it fill the view, the top one maybe in part.
      std::size_t rows = k + 1;
      std::size_t line = row.line;
      while (line > 0 && rows < static_cast<std::size_t>(visible))
        rows += rows_->RowStarts(--line).size();
      ShowFrom({line, rows > static_cast<std::size_t>(visible) ? rows - visible : 0});
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
    scroll_.Scrolled(*rows_, static_cast<std::size_t>(vertical->value()),
                     static_cast<std::size_t>(VisibleRowCount()));
    vertical->setMaximum(static_cast<int>(scroll_.Maximum()));
  }
  viewport()->update();
}

ViewTop Memo::Top() const {
  return scroll_.Top(static_cast<std::size_t>(verticalScrollBar()->value()));
}

void Memo::ShowFrom(ViewTop top) {
  verticalScrollBar()->setValue(static_cast<int>(scroll_.ValueFor(top)));
  scroll_.ShowFrom(top);
}

void Memo::ScrollRows(std::ptrdiff_t by) {
  QScrollBar* vertical = verticalScrollBar();
  const ViewTop top = scroll_.Moved(*rows_, static_cast<std::size_t>(vertical->value()), by,
                                    static_cast<std::size_t>(VisibleRowCount()));
  vertical->setMaximum(static_cast<int>(scroll_.Maximum()));
  ShowFrom(top);
  viewport()->update();
}

void Memo::wheelEvent(QWheelEvent* event) {
  // A notch scrolls by rows, as many as the platform says (three unless set), so that a
  // wrapped line shows its inside; with a modifier, or across, as the scroll area does.
  const QPoint delta = event->angleDelta();
  if (delta.y() == 0 || delta.x() != 0 || event->modifiers() != Qt::NoModifier)
    return QAbstractScrollArea::wheelEvent(event);
  const std::ptrdiff_t rows = scroll_.WheelRows(delta.y(), QApplication::wheelScrollLines());
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
