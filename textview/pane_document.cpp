#include "pane_document.h"

#include <algorithm>
#include <cstring>

#include "cp1253.h"

namespace {

bool IsContinuation(unsigned char b) {
  return (b & 0xC0) == 0x80;
}

// The length of the UTF-8 sequence that starts at bytes[at], 1 for a byte that starts none.
std::size_t SequenceAt(std::string_view bytes, std::size_t at) {
  const auto lead = static_cast<unsigned char>(bytes[at]);
  const std::size_t size = lead >= 0xF0 && lead < 0xF5 ? 4
                           : lead >= 0xE0              ? 3
                           : lead >= 0xC2              ? 2
                                                       : 1;
  if (size == 1 || at + size > bytes.size()) return 1;
  for (std::size_t k = 1; k < size; ++k) {
    if (!IsContinuation(static_cast<unsigned char>(bytes[at + k]))) return 1;
  }
  return size;
}

// Appends where a line starts after each CR LF of `region`, which starts at `base`.
void AddLineStarts(std::string_view region, std::size_t base, std::vector<std::uint32_t>& starts) {
  const char* const data = region.data();
  for (std::size_t at = 1; at < region.size();) {
    const void* lf = std::memchr(data + at, '\n', region.size() - at);
    if (lf == nullptr) break;
    const auto found = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
    if (data[found - 1] == '\r') starts.push_back(static_cast<std::uint32_t>(base + found + 1));
    at = found + 1;
  }
}

}  // namespace

void PaneDocument::Replace(std::string text) {
  bytes_ = std::move(text);
  starts_.assign(1, 0);
  IndexFrom(0);
}

void PaneDocument::Append(std::string_view text) {
  bytes_.append(text);
  IndexFrom(starts_.size() - 1);  // the last line may now end, and a CR LF may span the join
}

void PaneDocument::IndexFrom(std::size_t line) {
  starts_.resize(line + 1);
  const std::size_t from = starts_[line];
  AddLineStarts(std::string_view(bytes_).substr(from), from, starts_);
}

void PaneDocument::Change(std::size_t from, std::size_t to, std::string_view text) {
  const std::size_t first = LineOf(from);
  std::size_t last = LineOf(to);
  // A change that ends inside a line's break unmakes it: the next line is read again too.
  if (last + 1 < starts_.size() && to > LineEnd(last)) ++last;
  const bool lastIsFinal = last + 1 == starts_.size();
  bytes_.replace(from, to - from, text);
  const auto delta = static_cast<std::uint32_t>(text.size() - (to - from));  // modulo 2^32

  // The changed lines are read again, from the start of the first to the start of the line
  // after the last (whose break the change cannot touch); the later starts only move.
  const std::size_t begin = starts_[first];
  const std::size_t end = lastIsFinal ? bytes_.size() : starts_[last + 1] + delta;
  const std::string_view region = std::string_view(bytes_).substr(begin, end - begin);
  std::vector<std::uint32_t> found;
  AddLineStarts(region, begin, found);
  // A final break makes an empty last line; a break before a kept line starts that line,
  // which is moved below.
  if (!lastIsFinal && !found.empty() && found.back() == end) found.pop_back();

  const auto oldMiddle = starts_.begin() + static_cast<std::ptrdiff_t>(first + 1);
  const auto oldAfter = starts_.begin() + static_cast<std::ptrdiff_t>(last + 1);
  std::size_t after = last + 1;
  if (found.size() == last - first) {
    std::copy(found.begin(), found.end(), oldMiddle);
  } else {
    starts_.erase(oldMiddle, oldAfter);
    starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(first + 1), found.begin(),
                   found.end());
    after = first + 1 + found.size();
  }
  for (std::size_t i = after; i < starts_.size(); ++i)
    starts_[i] += delta;
}

std::size_t PaneDocument::LineEnd(std::size_t line) const {
  return line + 1 < starts_.size() ? starts_[line + 1] - 2 : bytes_.size();
}

std::size_t PaneDocument::LineOf(std::size_t offset) const {
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
  return static_cast<std::size_t>(after - starts_.begin()) - 1;
}

std::size_t PaneDocument::NextChar(std::size_t offset) const {
  if (offset >= bytes_.size()) return bytes_.size();
  if (bytes_[offset] == '\r' && offset + 1 < bytes_.size() && bytes_[offset + 1] == '\n')
    return offset + 2;
  return offset + (encoding_ == PaneEncoding::Utf8 ? SequenceAt(bytes_, offset) : 1);
}

std::size_t PaneDocument::PreviousChar(std::size_t offset) const {
  if (offset == 0) return 0;
  if (offset >= 2 && bytes_[offset - 1] == '\n' && bytes_[offset - 2] == '\r') return offset - 2;
  if (encoding_ == PaneEncoding::Utf8) {
    // Back over continuation bytes to a lead whose sequence ends here.
    for (std::size_t k = 2; k <= 4 && k <= offset; ++k) {
      if (!IsContinuation(static_cast<unsigned char>(bytes_[offset - k + 1]))) break;
      if (SequenceAt(bytes_, offset - k) == k) return offset - k;
    }
  }
  return offset - 1;
}

char32_t PaneDocument::CharAt(std::size_t offset) const {
  const auto lead = static_cast<unsigned char>(bytes_[offset]);
  if (encoding_ == PaneEncoding::Cp1253) return Cp1253ToUnicode(lead);
  const std::size_t size = SequenceAt(bytes_, offset);
  if (size == 1) return lead < 0x80 ? lead : U'\uFFFD';
  char32_t c = lead & (0x7F >> size);
  for (std::size_t k = 1; k < size; ++k)
    c = (c << 6) | (static_cast<unsigned char>(bytes_[offset + k]) & 0x3F);
  return c;
}
