#include "view_top.h"

#include <algorithm>

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
