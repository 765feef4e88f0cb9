// A pane's vertical scrolling, in rows: where the view starts (a line, and how many of its
// rows are above the view, for a wrapped line may be taller than the view), and the scroll
// bar's model. The bar steps by lines up to the last first line, the line from which the rest
// fills the view; past it by the rows of that line above the view at the end. Paging and the
// wheel move the view by rows, so that no row of a wrapped line is skipped whatever the
// lines' lengths. Only the rows passed over are wrapped.
#pragma once

#include <cstddef>

#include "pane_document.h"
#include "row_layout.h"

struct ViewTop {
  std::size_t line = 0, row = 0;
  friend bool operator==(const ViewTop&, const ViewTop&) = default;
  friend auto operator<=>(const ViewTop&, const ViewTop&) = default;
};

// `top` moved by `by` rows (down when positive), no further than from {0, 0} to `last`.
ViewTop MovedTop(RowLayout& rows, ViewTop top, std::ptrdiff_t by, ViewTop last);

class VerticalScroll {
 public:
  // The end found again for a view of `visible` rows.
  void Measure(RowLayout& rows, const PaneDocument& document, std::size_t visible);
  // The bar's range is [0, Maximum()].
  std::size_t Maximum() const;
  // The bar moved to `value`: the view's top follows (and a line too long to count at each
  // change is counted when the view reaches it, which may move the maximum).
  void Scrolled(RowLayout& rows, std::size_t value, std::size_t visible);
  ViewTop Top(std::size_t value) const;
  // The bar's value that shows the view from `top`, and the top taken once the bar is there.
  std::size_t ValueFor(ViewTop top) const;
  void ShowFrom(ViewTop top) { topRow_ = top.row; }
  // The top `by` rows on from where the bar at `value` shows it, within the text.
  ViewTop Moved(RowLayout& rows, std::size_t value, std::ptrdiff_t by, std::size_t visible);
  // Rows a wheel's turn scrolls: `delta` in eighths of a degree, a notch (15 degrees) taking
  // `perNotch` rows; what is less than a row is kept for the next turn.
  std::ptrdiff_t WheelRows(int delta, int perNotch);

 private:
  static constexpr std::size_t kRowsUnknown = SIZE_MAX;
  // Rows of the last first line above the view at the end, counted.
  std::size_t EndTopRow(RowLayout& rows, std::size_t visible) const;

  std::size_t topRow_ = 0;     // rows of the first visible line above the view
  std::size_t lastFirst_ = 0;  // the last first line
  // Its rows above the view at the end, or kRowsUnknown for a line too long to count at each
  // change; the rows of the lines after it.
  std::size_t endTopRow_ = 0;
  std::size_t endRowsAfter_ = 0;
  double wheelRows_ = 0;
};
