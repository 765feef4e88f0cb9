#include "vertical_scroll.h"

#include <algorithm>

namespace {

// A wrapped line longer than this is not measured to size the scroll range: it is taken as
// taller than the view.
constexpr std::size_t kMeasuredLine = 1 << 16;

}  // namespace

ViewTop MovedTop(RowLayout& rows, ViewTop top, std::ptrdiff_t by, ViewTop last) {
  if (by > 0) {
    auto left = static_cast<std::size_t>(by);
    while (left > 0 && top < last) {
      // Rows of this line below the top, as far as the move needs.
      const std::size_t count = rows.RowStarts(top.line, top.row + left + 1).size();
      if (top.row + left < count) {
        top.row += left;
        left = 0;
      } else {
        left -= count - top.row;
        top = {top.line + 1, 0};
      }
    }
    return std::min(top, last);
  }
  auto left = static_cast<std::size_t>(-by);
  while (left > 0 && top != ViewTop{}) {
    if (left <= top.row) {
      top.row -= left;
      left = 0;
    } else {
      left -= top.row + 1;
      top.line -= 1;
      top.row = rows.RowStarts(top.line).size() - 1;
    }
  }
  return top;
}

void VerticalScroll::Measure(RowLayout& rows, const PaneDocument& document, std::size_t visible) {
  const std::size_t lines = document.LineCount();
  endTopRow_ = 0;
  if (!rows.Wraps()) {
    lastFirst_ = lines > visible ? lines - visible : 0;
    return;
  }
  // The first line from which the rest fills the view, and how many of its rows are above the
  // view there: a line taller than the view shows its last rows at the end.
  std::size_t first = lines;
  std::size_t counted = 0;
  while (first > 0 && counted < visible) {
    const std::size_t line = --first;
    const auto known = rows.KnownRowCount(line);
    if (!known && document.LineEnd(line) - document.LineStart(line) > kMeasuredLine) {
      endTopRow_ = kRowsUnknown;  // counted only when the view is taken there
      endRowsAfter_ = counted;
      break;
    }
    const std::size_t count = known ? *known : rows.RowStarts(line).size();
    if (counted + count > visible) {
      endTopRow_ = counted + count - visible;
      break;
    }
    counted += count;
  }
  lastFirst_ = std::min(first, lines - 1);
}

std::size_t VerticalScroll::Maximum() const {
  return lastFirst_ + (endTopRow_ == kRowsUnknown ? 0 : endTopRow_);
}

std::size_t VerticalScroll::EndTopRow(RowLayout& rows, std::size_t visible) const {
  const std::size_t count = rows.RowStarts(lastFirst_).size() + endRowsAfter_;
  return count > visible ? count - visible : 0;
}

void VerticalScroll::Scrolled(RowLayout& rows, std::size_t value, std::size_t visible) {
  if (value == lastFirst_ && endTopRow_ == kRowsUnknown) endTopRow_ = EndTopRow(rows, visible);
  topRow_ = value > lastFirst_ ? value - lastFirst_ : 0;
}

ViewTop VerticalScroll::Top(std::size_t value) const {
  return {std::min(value, lastFirst_), topRow_};
}

std::size_t VerticalScroll::ValueFor(ViewTop top) const {
  if (top.line == lastFirst_ && endTopRow_ != kRowsUnknown)
    return top.line + std::min(top.row, endTopRow_);
  return top.line;
}

ViewTop VerticalScroll::Moved(RowLayout& rows, std::size_t value, std::ptrdiff_t by,
                              std::size_t visible) {
  const ViewTop last{lastFirst_, endTopRow_ == kRowsUnknown ? SIZE_MAX : endTopRow_};
  ViewTop top = MovedTop(rows, Top(value), by, last);
  if (top.line == lastFirst_ && endTopRow_ == kRowsUnknown) {
    // The view reaches the line too long to count at every change: it is counted now.
    endTopRow_ = EndTopRow(rows, visible);
    top.row = std::min(top.row, endTopRow_);
  }
  return top;
}

std::ptrdiff_t VerticalScroll::WheelRows(int delta, int perNotch) {
  wheelRows_ -= delta / 120.0 * perNotch;
  const auto rows = static_cast<std::ptrdiff_t>(wheelRows_);
  wheelRows_ -= static_cast<double>(rows);
  return rows;
}
