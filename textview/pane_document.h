// A pane control's text: the pane's bytes themselves (CR LF line breaks, Windows-1253 or
// UTF-8), with where each line starts, so that a line is found in a step. The text as replaced
// is never written to again: an edit adds its bytes to a store of their own and describes the
// text as stretches of the two, so that an edit costs the same anywhere in a large pane, and
// a copy of any part (for the clipboard) shares the bytes rather than copying them. Offsets
// are byte offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum class PaneEncoding { Cp1253, Utf8 };

// A stretch of stored bytes.
struct StoredBytes {
  std::shared_ptr<const std::string> store;
  std::size_t from, size;
  std::string_view View() const { return std::string_view(*store).substr(from, size); }
};

// Bytes of a document as they were when taken, whatever changes later: they share its stores.
class TextSnapshot {
 public:
  TextSnapshot() = default;
  explicit TextSnapshot(std::vector<StoredBytes> stretches) : stretches_(std::move(stretches)) {}
  std::size_t Size() const;
  std::string Join() const;

 private:
  std::vector<StoredBytes> stretches_;
};

class PaneDocument {
 public:
  explicit PaneDocument(PaneEncoding encoding);

  PaneEncoding Encoding() const { return encoding_; }
  std::size_t Size() const { return size_; }

  // The whole text in one piece; after edits the stretches are joined first, once.
  std::string_view Text();
  char Byte(std::size_t at) const;
  std::string Bytes(std::size_t from, std::size_t to) const;
  // The bytes from `at` on that are stored together: at least one while at < Size().
  std::string_view StretchFrom(std::size_t at) const;
  TextSnapshot Snapshot(std::size_t from, std::size_t to) const;

  void Replace(std::string text);
  void Append(std::string_view text);
  // Replaces the bytes [from, to) by `text`.
  void Change(std::size_t from, std::size_t to, std::string_view text);

  // Lines as the control shows them: every CR LF ends one, and the segment after the last
  // break is a line even when empty (where the caret goes after a final break).
  std::size_t LineCount() const { return starts_.size(); }
  std::size_t LineStart(std::size_t line) const { return starts_[line]; }
  // Where the line's text ends, before its break.
  std::size_t LineEnd(std::size_t line) const;
  std::size_t LineOf(std::size_t offset) const;

  // The offset one character on or back; a CR LF is one step, as is a UTF-8 sequence (a
  // byte that starts or continues none is a character of its own).
  std::size_t NextChar(std::size_t offset) const;
  std::size_t PreviousChar(std::size_t offset) const;
  // The start of the character that holds `offset`.
  std::size_t CharStart(std::size_t offset) const;
  // The character at `offset` (before NextChar's step) as Unicode.
  char32_t CharAt(std::size_t offset) const;

 private:
  // Where a stretch of the text is stored, and where in the text it starts.
  struct Piece {
    StoredBytes bytes;
    std::size_t at;
  };
  std::size_t PieceIndex(std::size_t at) const;
  // Pieces [first, pieces_.size()) placed from the end of the one before.
  void PlaceFrom(std::size_t first);
  // A piece boundary made at `at`; its index.
  std::size_t SplitAt(std::size_t at);
  // The length of the UTF-8 sequence at `at`, 1 for a byte that starts none.
  std::size_t SequenceAt(std::size_t at) const;
  void IndexFrom(std::size_t line);  // lines after `line` found again from its start
  // Appends where a line starts after each CR LF in [from, to).
  void AddLineStarts(std::size_t from, std::size_t to, std::vector<std::uint32_t>& starts) const;

  PaneEncoding encoding_;
  std::vector<Piece> pieces_;
  std::shared_ptr<std::string> added_;  // bytes edits brought, only ever appended to
  std::size_t size_ = 0;
  mutable std::size_t lastPiece_ = 0;  // where the last lookup found its byte
  std::vector<std::uint32_t> starts_;  // a pane holds at most 2 GiB
};
