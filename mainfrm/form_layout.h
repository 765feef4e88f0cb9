// The window's geometry rules: the designed control rectangles, scaling by the font's
// measured text height, the panes following the width, and when the contents scroll.
#pragma once

#include <cmath>

struct ControlRect {
  int left = 0, top = 0, width = 0, height = 0;
  int right() const { return left + width; }
  int bottom() const { return top + height; }
};

inline constexpr int kDesignTextHeight = 13;
inline constexpr int kFrameLeft = 194, kFrameTop = 114, kFrameWidth = 634, kFrameHeight = 586;

// Each edge scaled and rounded to the nearest pixel; the size follows from the edges.
inline ControlRect ScaleRect(const ControlRect& r, double factor) {
  const auto scaled = [factor](int v) { return static_cast<int>(std::lround(v * factor)); };
  const int left = scaled(r.left), top = scaled(r.top);
  return {left, top, scaled(r.right()) - left, scaled(r.bottom()) - top};
}

struct ScrollState {
  bool vertical = false;    // bar shown
  bool horizontal = false;  // bar shown
  int width = 0;            // client area left to the controls
  int height = 0;
};

// Bars appear while the client area is smaller than the controls need (`right` counting the
// buttons, `bottom` all controls); each bar takes its extent from the client area.
inline ScrollState ComputeScroll(int clientWidth, int clientHeight, int right, int bottom,
                                 int barExtent) {
  ScrollState s;
  for (int pass = 0; pass < 2; ++pass) {  // a bar can make the other one needed
    s.vertical = clientHeight - (s.horizontal ? barExtent : 0) < bottom;
    s.horizontal = clientWidth - (s.vertical ? barExtent : 0) < right;
  }
  s.width = clientWidth - (s.vertical ? barExtent : 0);
  s.height = clientHeight - (s.horizontal ? barExtent : 0);
  return s;
}

// A pane keeps the right margin it had when the window was created.
inline int PaneWidth(int clientWidth, int clientWidthAtCreation, const ControlRect& design) {
  const int margin = clientWidthAtCreation - design.right();
  return clientWidth - margin - design.left;
}
