// A stretch of one line's bytes as Qt's text, with where each of its UTF-16 units starts among
// the bytes: Qt's text tools (boundaries, layout, accessibility) then work on the part of a
// line at hand, never on a whole long line.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pane_document.h"

struct TextWindow {
  std::size_t from = 0, to = 0;  // bytes of one line, starting and ending on characters
  QString text;

  // The stretch [from, to) of one line.
  static TextWindow Of(const PaneDocument& document, std::size_t from, std::size_t to);
  // The stretch of `offset`'s line within `reach` bytes either side of it.
  static TextWindow Around(const PaneDocument& document, std::size_t offset, std::size_t reach);

  // The unit index of a byte offset in [from, to] (a character's start).
  qsizetype IndexOf(std::size_t offset) const;
  // The byte offset of a unit index in [0, text.size()].
  std::size_t OffsetOf(qsizetype index) const;

 private:
  std::vector<std::uint32_t> starts_;  // of each unit, from `from`; then to - from
};
