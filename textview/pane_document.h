// A pane control's text: the pane's bytes themselves (CR LF line breaks, Windows-1253 or
// UTF-8), with where each line starts, so that a line is found in a step and a change costs
// what it moves, not a reading of the whole text. Offsets are byte offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class PaneEncoding { Cp1253, Utf8 };

class PaneDocument {
 public:
  explicit PaneDocument(PaneEncoding encoding) : encoding_(encoding) { starts_.push_back(0); }

  PaneEncoding Encoding() const { return encoding_; }
  std::string_view Text() const { return bytes_; }
  std::size_t Size() const { return bytes_.size(); }

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

  // The offset one character on or back; a CR LF is one step, as is a UTF-8 sequence.
  std::size_t NextChar(std::size_t offset) const;
  std::size_t PreviousChar(std::size_t offset) const;
  // The character at `offset` (before NextChar's step) as Unicode.
  char32_t CharAt(std::size_t offset) const;

 private:
  void IndexFrom(std::size_t line);  // lines after `line` found again from its start

  PaneEncoding encoding_;
  std::string bytes_;
  std::vector<std::uint32_t> starts_;  // a pane holds at most 2 GiB
};
