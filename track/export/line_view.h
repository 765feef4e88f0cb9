// A pane's text seen as lines: only CR LF breaks a line, and an empty last segment is not a
// line. Pure functions over the text, each one pass. An export read as the file holds it
// (the tool reads it so rather than make its lone breaks CR LF, which could double it) is seen
// with LineBreaks::Any: CR LF, a lone CR and a lone LF each break a line, giving the lines
// the pane would hold.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "byte_mask.h"
#include "track_types.h"

inline constexpr std::size_t kLineReadLimit = 4096;

// The line that starts at `start`: where it ends, and where the next starts (past the text's
// end when it is the last).
struct LineSpan {
  std::size_t end, next;
};
LineSpan LineAtOffset(std::string_view text, std::size_t start, LineBreaks breaks);

// Calls lineEnd(end, next) for every line break of a text read with LineBreaks::Any, in order.
template <typename LineEnd>
void ForEachAnyBreak(std::string_view text, LineEnd lineEnd) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '\n') {
      lineEnd(at, at + 1);
    } else if (c == '\r') {
      const bool pair = at + 1 < text.size() && text[at + 1] == '\n';
      lineEnd(at, at + (pair ? 2 : 1));
      at += pair;
    }
  }
}

std::size_t CountLines(std::string_view text, LineBreaks breaks = LineBreaks::CrLf);
// Line i cut to kLineReadLimit characters; empty for every i at or past the line count.
std::string_view LineOf(std::string_view text, std::size_t i, LineBreaks breaks = LineBreaks::CrLf);
// Every line, cut like LineOf, in one pass.
ExportLines SplitLines(std::string_view text);
// Where lines first, first + step, first + 2 step, ... start, for as many as there are.
std::vector<std::size_t> LineStartsEvery(std::string_view text, std::size_t first, std::size_t step,
                                         LineBreaks breaks = LineBreaks::CrLf);

// The text from the start of line `first` on; empty when there is no such line.
std::string_view TextFromLine(std::string_view text, std::size_t first,
                              LineBreaks breaks = LineBreaks::CrLf);

// Calls row(line) for every line from the first down, each cut like LineOf. Breaks are found
// a block of 64 bytes at a time.
template <typename Row>
void ForEachLine(std::string_view text, Row row, LineBreaks breaks = LineBreaks::CrLf) {
  std::size_t start = 0;  // of the line being read
  if (breaks == LineBreaks::Any) {
    ForEachAnyBreak(text, [&](std::size_t end, std::size_t next) {
      row(text.substr(start, end - start).substr(0, kLineReadLimit));
      start = next;
    });
    if (start < text.size()) row(text.substr(start).substr(0, kLineReadLimit));
    return;
  }
  const auto lineTo = [&](std::size_t cr) {
    row(text.substr(start, cr - start).substr(0, kLineReadLimit));
    start = cr + 2;
  };
  // A CR LF is found by its LF, and the CR mask read one byte lower, as from the end.
  std::size_t at = 1;
  for (; at + kMaskBlock <= text.size(); at += kMaskBlock) {
    std::uint64_t breaks = ByteMask(text.data() + at, '\n') & ByteMask(text.data() + at - 1, '\r');
    for (; breaks != 0; breaks &= breaks - 1)
      lineTo(at + static_cast<std::size_t>(std::countr_zero(breaks)) - 1);
  }
  for (; at < text.size(); ++at) {
    if (text[at] == '\n' && text[at - 1] == '\r') lineTo(at - 1);
  }
  if (start < text.size()) row(text.substr(start).substr(0, kLineReadLimit));
}

// Calls row(line) for every line from the last up, each cut like LineOf: rows read bottom-up
// without a view held per line. Breaks are found a block of 64 bytes at a time.
template <typename Row>
void ForEachLineFromEnd(std::string_view text, Row row, LineBreaks breaks = LineBreaks::CrLf) {
  if (text.empty()) return;
  std::size_t lineEnd = text.size();
  if (breaks == LineBreaks::Any) {
    // The last break ends the last line; a LF with a CR before it is one break.
    if (text.ends_with("\r\n")) {
      lineEnd -= 2;
    } else if (text.back() == '\r' || text.back() == '\n') {
      lineEnd -= 1;
    }
    for (std::size_t at = lineEnd; at-- > 0;) {
      const char c = text[at];
      if (c != '\n' && c != '\r') continue;
      row(text.substr(at + 1, lineEnd - at - 1).substr(0, kLineReadLimit));
      if (c == '\n' && at > 0 && text[at - 1] == '\r') --at;
      lineEnd = at;
    }
    row(text.substr(0, lineEnd).substr(0, kLineReadLimit));
    return;
  }
  if (text.ends_with("\r\n")) lineEnd -= 2;  // the last break ends the last line
  const auto lineAfter = [&](std::size_t start) {
    row(text.substr(start, lineEnd - start).substr(0, kLineReadLimit));
  };
  // A CR LF is found by its LF; the mask of CRs is read one byte lower, so bit i is the byte
  // before LF i, even where that byte stands in the block below.
  std::size_t end = lineEnd;  // bytes from here on are searched
  for (; end > kMaskBlock; end -= kMaskBlock) {
    const std::size_t at = end - kMaskBlock;
    std::uint64_t breaks = ByteMask(text.data() + at, '\n') & ByteMask(text.data() + at - 1, '\r');
    while (breaks != 0) {
      const int highest = std::bit_width(breaks) - 1;
      breaks &= ~(std::uint64_t{1} << highest);
      const std::size_t cr = at + static_cast<std::size_t>(highest) - 1;
      lineAfter(cr + 2);
      lineEnd = cr;
    }
  }
  for (std::size_t lf = end; lf-- > 1;) {
    if (text[lf] == '\n' && text[lf - 1] == '\r') {
      lineAfter(lf + 1);
      lineEnd = lf - 1;
    }
  }
  lineAfter(0);
}
