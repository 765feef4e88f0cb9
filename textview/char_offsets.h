// Places in a pane's text counted in characters as Qt and screen readers count them (UTF-16
// units, a line break as one), beside the byte offsets the pane keeps. Counts are kept at
// checkpoints along the text, so a place deep in a large pane is found from the nearest one.
#pragma once

#include <cstddef>
#include <vector>

#include "pane_document.h"

class CharOffsets {
 public:
  explicit CharOffsets(const PaneDocument& document) : document_(document) {}

  // The text changed from `offset` on.
  void Forget(std::size_t offset);
  // Characters before `offset` (a character's start).
  std::size_t CharsBefore(std::size_t offset);
  // The offset of the character `chars` characters from the start (the end past them all).
  std::size_t OffsetOfChar(std::size_t chars);
  std::size_t CharCount() { return CharsBefore(document_.Size()); }

 private:
  static constexpr std::size_t kStep = 1 << 16;  // bytes between checkpoints
  // Units in bytes [from, to), CR and LF each one.
  std::size_t Units(std::size_t from, std::size_t to) const;
  // Checkpoints made as far as `offset`.
  void MakeTo(std::size_t offset);

  const PaneDocument& document_;
  std::vector<std::size_t> units_;  // before byte k * kStep
};
