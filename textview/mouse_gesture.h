// A mouse gesture on a pane, from press to release: what a drag selects by (characters, the
// words of a double-click, the lines of a third click) and the unit it started on, a press in
// the selection that may drag it out, and the last double-click that a third click follows.
#pragma once

#include <QPoint>
#include <algorithm>
#include <cstddef>
#include <utility>

#include "text_boundaries.h"

struct MouseGesture {
  enum class Unit { Character, Word, Line };
  Unit unit = Unit::Character;
  TextRange started{0, 0};  // the word or line the gesture started on
  bool selecting = false;
  bool mayDragOut = false;  // pressed in the selection: a drag takes it out
  QPoint pressPoint;
  QPoint lastMouse;
  qint64 lastDoubleClick = -1;  // msecs
  QPoint doubleClickPoint;

  // Whether a press at `point`, at `now`, is the third click of the last double-click: soon
  // enough and near enough.
  bool IsThirdClick(QPoint point, qint64 now, int interval, int distance) const {
    return lastDoubleClick >= 0 && now - lastDoubleClick < interval &&
           (point - doubleClickPoint).manhattanLength() < distance;
  }
  // The selection (anchor, caret) of a drag by words or lines from the unit it started on to
  // the unit `at`: both whole, the caret at the far end.
  std::pair<std::size_t, std::size_t> Extended(TextRange at) const {
    if (at.from < started.from) return {started.to, at.from};
    return {started.from, std::max(at.to, started.to)};
  }
};
