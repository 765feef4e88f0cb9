#include "char_offsets.h"

#include <algorithm>

void CharOffsets::Forget(std::size_t offset) {
  units_.resize(std::min(units_.size(), offset / kStep + 1));
}

std::size_t CharOffsets::Units(std::size_t from, std::size_t to) const {
  if (document_.Encoding() == PaneEncoding::Cp1253) return to - from;
  // Each character counted where it starts, as the document steps over characters; a
  // sequence begun before `from` was counted there.
  std::size_t at = from;
  while (at < to && document_.CharStart(at) < at)
    ++at;
  std::size_t units = 0;
  while (at < to) {
    const std::string_view stretch = document_.StretchFrom(at).substr(0, to - at);
    std::size_t ascii = 0;
    while (ascii < stretch.size() && static_cast<unsigned char>(stretch[ascii]) < 0x80)
      ++ascii;
    units += ascii;
    at += ascii;
    if (ascii < stretch.size()) {
      const std::size_t size = document_.NextChar(at) - at;
      units += size == 4 ? 2 : 1;  // past U+FFFF: a surrogate pair
      at += size;
    }
  }
  return units;
}

void CharOffsets::MakeTo(std::size_t offset) {
  if (units_.empty()) units_.push_back(0);
  while ((units_.size() - 1) * kStep + kStep <= offset) {
    const std::size_t from = (units_.size() - 1) * kStep;
    units_.push_back(units_.back() + Units(from, from + kStep));
  }
}

std::size_t CharOffsets::CharsBefore(std::size_t offset) {
  offset = std::min(offset, document_.Size());
  MakeTo(offset);
  const std::size_t k = offset / kStep;
  // Each line break before `offset` is two bytes and one character.
  return units_[k] + Units(k * kStep, offset) - document_.LineOf(offset);
}

std::size_t CharOffsets::OffsetOfChar(std::size_t chars) {
  // The line first: the last whose start has at most `chars` characters before it.
  std::size_t first = 0, last = document_.LineCount() - 1;
  while (first < last) {
    const std::size_t middle = first + (last - first + 1) / 2;
    if (CharsBefore(document_.LineStart(middle)) <= chars) {
      first = middle;
    } else {
      last = middle - 1;
    }
  }
  // Then the character within it, halving over character starts.
  std::size_t low = document_.LineStart(first), high = document_.LineEnd(first);
  while (low < high) {
    std::size_t middle = document_.CharStart(low + (high - low + 1) / 2);
    if (middle <= low) middle = document_.NextChar(low);
    if (CharsBefore(middle) <= chars) {
      low = middle;
    } else {
      high = document_.PreviousChar(middle);
    }
  }
  return low;
}
