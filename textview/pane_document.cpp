#include "pane_document.h"

#include <algorithm>
#include <cstring>

#include "cp1253.h"

namespace {

bool IsContinuation(unsigned char b) {
  return (b & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence that `lead` starts (1 for a byte that starts
// none), as far as the byte after it decides: no overlong form, no surrogate, nothing past
// U+10FFFF.
std::size_t SequenceLength(unsigned char lead, unsigned char second) {
  if (lead < 0xC2) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) {
    if (lead == 0xE0 && second < 0xA0) return 1;
    if (lead == 0xED && second > 0x9F) return 1;
    return 3;
  }
  if (lead < 0xF5) {
    if (lead == 0xF0 && second < 0x90) return 1;
    if (lead == 0xF4 && second > 0x8F) return 1;
    return 4;
  }
  return 1;
}

}  // namespace

std::size_t TextSnapshot::Size() const {
  std::size_t size = 0;
  for (const StoredBytes& s : stretches_)
    size += s.size;
  return size;
}

std::string TextSnapshot::Join() const {
  std::string joined;
  joined.reserve(Size());
  for (const StoredBytes& s : stretches_)
    joined.append(s.View());
  return joined;
}

PaneDocument::PaneDocument(PaneEncoding encoding)
    : encoding_(encoding), added_(std::make_shared<std::string>()) {
  starts_.push_back(0);
}

std::size_t PaneDocument::PieceIndex(std::size_t at) const {
  if (lastPiece_ < pieces_.size()) {
    const Piece& last = pieces_[lastPiece_];
    if (at >= last.at && at - last.at < last.bytes.size) return lastPiece_;
  }
  const auto after = std::upper_bound(pieces_.begin(), pieces_.end(), at,
                                      [](std::size_t a, const Piece& p) { return a < p.at; });
  lastPiece_ = static_cast<std::size_t>(after - pieces_.begin()) - 1;
  return lastPiece_;
}

char PaneDocument::Byte(std::size_t at) const {
  const Piece& piece = pieces_[PieceIndex(at)];
  return (*piece.bytes.store)[piece.bytes.from + (at - piece.at)];
}

std::string_view PaneDocument::StretchFrom(std::size_t at) const {
  if (at >= size_) return {};
  const Piece& piece = pieces_[PieceIndex(at)];
  return piece.bytes.View().substr(at - piece.at);
}

std::string PaneDocument::Bytes(std::size_t from, std::size_t to) const {
  std::string bytes;
  bytes.reserve(to - from);
  for (std::size_t at = from; at < to;) {
    const std::string_view stretch = StretchFrom(at).substr(0, to - at);
    bytes.append(stretch);
    at += stretch.size();
  }
  return bytes;
}

TextSnapshot PaneDocument::Snapshot(std::size_t from, std::size_t to) const {
  std::vector<StoredBytes> stretches;
  for (std::size_t at = from; at < to;) {
    const Piece& piece = pieces_[PieceIndex(at)];
    const std::size_t skip = at - piece.at;
    const std::size_t size = std::min(piece.bytes.size - skip, to - at);
    stretches.push_back({piece.bytes.store, piece.bytes.from + skip, size});
    at += size;
  }
  return TextSnapshot(std::move(stretches));
}

std::string_view PaneDocument::Text() {
  if (pieces_.empty()) return {};
  if (pieces_.size() > 1) {
    auto joined = std::make_shared<const std::string>(Bytes(0, size_));
    pieces_.assign(1, Piece{{joined, 0, size_}, 0});
    added_ = std::make_shared<std::string>();
    lastPiece_ = 0;
  }
  return pieces_.front().bytes.View();
}

void PaneDocument::PlaceFrom(std::size_t first) {
  for (std::size_t i = first; i < pieces_.size(); ++i)
    pieces_[i].at = i == 0 ? 0 : pieces_[i - 1].at + pieces_[i - 1].bytes.size;
  lastPiece_ = 0;
}

std::size_t PaneDocument::SplitAt(std::size_t at) {
  if (at >= size_) return pieces_.size();
  const std::size_t i = PieceIndex(at);
  Piece& piece = pieces_[i];
  if (piece.at == at) return i;
  const std::size_t left = at - piece.at;
  const Piece right{{piece.bytes.store, piece.bytes.from + left, piece.bytes.size - left}, at};
  piece.bytes.size = left;
  pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(i + 1), right);
  return i + 1;
}

void PaneDocument::Replace(std::string text) {
  size_ = text.size();
  pieces_.clear();
  if (size_ > 0)
    pieces_.push_back(Piece{{std::make_shared<const std::string>(std::move(text)), 0, size_}, 0});
  added_ = std::make_shared<std::string>();
  lastPiece_ = 0;
  starts_.assign(1, 0);
  IndexFrom(0);
}

void PaneDocument::Append(std::string_view text) {
  Change(size_, size_, text);
}

void PaneDocument::Change(std::size_t from, std::size_t to, std::string_view text) {
  const std::size_t first = LineOf(from);
  std::size_t last = LineOf(to);
  // A change that ends inside a line's break unmakes it: the next line is read again too.
  if (last + 1 < starts_.size() && to > LineEnd(last)) ++last;
  const bool lastIsFinal = last + 1 == starts_.size();

  // The bytes: the pieces of [from, to) give way to one of the added bytes; typing goes on in
  // the piece before it.
  const std::size_t begin = SplitAt(from);
  const std::size_t end = SplitAt(to);
  pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(begin),
                pieces_.begin() + static_cast<std::ptrdiff_t>(end));
  if (!text.empty()) {
    const StoredBytes added{added_, added_->size(), text.size()};
    added_->append(text);
    StoredBytes* before = begin > 0 ? &pieces_[begin - 1].bytes : nullptr;
    if (before != nullptr && before->store.get() == added_.get() &&
        before->from + before->size == added.from) {
      before->size += added.size;
    } else {
      pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(begin), Piece{added, from});
    }
  }
  size_ = size_ - (to - from) + text.size();
  PlaceFrom(begin > 0 ? begin - 1 : 0);

  // The changed lines are read again, from the start of the first to the start of the line
  // after the last (whose break the change cannot touch); the later starts only move.
  const auto delta = static_cast<std::uint32_t>(text.size() - (to - from));  // modulo 2^32
  const std::size_t regionFrom = starts_[first];
  const std::size_t regionTo = lastIsFinal ? size_ : starts_[last + 1] + delta;
  std::vector<std::uint32_t> found;
  AddLineStarts(regionFrom, regionTo, found);
  // A final break makes an empty last line; a break before a kept line starts that line,
  // which is moved below.
  if (!lastIsFinal && !found.empty() && found.back() == regionTo) found.pop_back();

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

void PaneDocument::AddLineStarts(std::size_t from, std::size_t to,
                                 std::vector<std::uint32_t>& starts) const {
  for (std::size_t at = from; at < to;) {
    const std::string_view stretch = StretchFrom(at).substr(0, to - at);
    const char* const data = stretch.data();
    for (std::size_t k = 0; k < stretch.size();) {
      const void* lf = std::memchr(data + k, '\n', stretch.size() - k);
      if (lf == nullptr) break;
      const auto found = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
      const std::size_t offset = at + found;
      const char before = found > 0 ? data[found - 1] : offset > from ? Byte(offset - 1) : '\0';
      if (before == '\r') starts.push_back(static_cast<std::uint32_t>(offset + 1));
      k = found + 1;
    }
    at += stretch.size();
  }
}

void PaneDocument::IndexFrom(std::size_t line) {
  starts_.resize(line + 1);
  AddLineStarts(starts_[line], size_, starts_);
}

std::size_t PaneDocument::LineEnd(std::size_t line) const {
  return line + 1 < starts_.size() ? starts_[line + 1] - 2 : size_;
}

std::size_t PaneDocument::LineOf(std::size_t offset) const {
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
  return static_cast<std::size_t>(after - starts_.begin()) - 1;
}

std::size_t PaneDocument::SequenceAt(std::size_t at) const {
  const auto lead = static_cast<unsigned char>(Byte(at));
  if (lead < 0x80) return 1;
  const auto second = at + 1 < size_ ? static_cast<unsigned char>(Byte(at + 1)) : 0;
  const std::size_t size = SequenceLength(lead, second);
  if (size == 1 || at + size > size_) return 1;
  for (std::size_t k = 1; k < size; ++k) {
    if (!IsContinuation(static_cast<unsigned char>(Byte(at + k)))) return 1;
  }
  return size;
}

std::size_t PaneDocument::NextChar(std::size_t offset) const {
  if (offset >= size_) return size_;
  if (Byte(offset) == '\r' && offset + 1 < size_ && Byte(offset + 1) == '\n') return offset + 2;
  return offset + (encoding_ == PaneEncoding::Utf8 ? SequenceAt(offset) : 1);
}

std::size_t PaneDocument::PreviousChar(std::size_t offset) const {
  if (offset == 0) return 0;
  if (offset >= 2 && Byte(offset - 1) == '\n' && Byte(offset - 2) == '\r') return offset - 2;
  if (encoding_ == PaneEncoding::Utf8) {
    // Back over continuation bytes to a lead whose sequence ends here.
    for (std::size_t k = 2; k <= 4 && k <= offset; ++k) {
      if (!IsContinuation(static_cast<unsigned char>(Byte(offset - k + 1)))) break;
      if (SequenceAt(offset - k) == k) return offset - k;
    }
  }
  return offset - 1;
}

std::size_t PaneDocument::CharStart(std::size_t offset) const {
  if (offset >= size_) return size_;
  if (offset > 0 && Byte(offset) == '\n' && Byte(offset - 1) == '\r') return offset - 1;
  if (encoding_ != PaneEncoding::Utf8) return offset;
  // A continuation byte belongs to the sequence of the lead before it, if that reaches it.
  for (std::size_t k = 1; k <= 3 && k <= offset; ++k) {
    if (!IsContinuation(static_cast<unsigned char>(Byte(offset - k + 1)))) break;
    const auto before = static_cast<unsigned char>(Byte(offset - k));
    if (!IsContinuation(before)) return SequenceAt(offset - k) > k ? offset - k : offset;
  }
  return offset;
}

char32_t PaneDocument::CharAt(std::size_t offset) const {
  const auto lead = static_cast<unsigned char>(Byte(offset));
  if (encoding_ == PaneEncoding::Cp1253) return Cp1253ToUnicode(lead);
  const std::size_t size = SequenceAt(offset);
  if (size == 1) return lead < 0x80 ? lead : U'\uFFFD';
  char32_t c = lead & (0x7F >> size);
  for (std::size_t k = 1; k < size; ++k)
    c = (c << 6) | (static_cast<unsigned char>(Byte(offset + k)) & 0x3F);
  return c;
}
