// Where a pane's view starts, in rows: a line and how many of its rows are above the view (a
// wrapped line may be taller than the view). Paging and the wheel move it by rows, so that no
// row of a wrapped line is skipped whatever the lines' lengths.
#pragma once

#include <cstddef>

#include "row_layout.h"

struct ViewTop {
  std::size_t line = 0, row = 0;
  friend bool operator==(const ViewTop&, const ViewTop&) = default;
  friend auto operator<=>(const ViewTop&, const ViewTop&) = default;
};

// `top` moved by `by` rows (down when positive), no further than from {0, 0} to `last`. Only
// the rows passed over are wrapped.
ViewTop MovedTop(RowLayout& rows, ViewTop top, std::ptrdiff_t by, ViewTop last);
