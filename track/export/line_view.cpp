#include "line_view.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "byte_mask.h"

namespace {

constexpr std::string_view kBreak = "\r\n";

std::string_view Limited(std::string_view line) {
  return line.substr(0, kLineReadLimit);
}

// Calls lineEnd(at) for every CR LF, with `at` where its CR stands, in order; a block of 64
// bytes at a time, since a pane may hold millions of lines.
template <typename LineEnd>
void ForEachBreak(std::string_view text, LineEnd lineEnd) {
  std::uint64_t crBefore = 0;  // the last block ended with a CR
  std::size_t at = 0;
  for (; at + kMaskBlock <= text.size(); at += kMaskBlock) {
    const std::uint64_t cr = ByteMask(text.data() + at, '\r');
    std::uint64_t lfs = ByteMask(text.data() + at, '\n') & ((cr << 1) | crBefore);
    crBefore = cr >> (kMaskBlock - 1);
    for (; lfs != 0; lfs &= lfs - 1)
      lineEnd(at + static_cast<std::size_t>(std::countr_zero(lfs)) - 1);
  }
  for (; at < text.size(); ++at) {
    if (text[at] == '\n' && at > 0 && text[at - 1] == '\r') lineEnd(at - 1);
  }
}

// Calls lineEnd(end, next) for every break, by the rule of `breaks`.
template <typename LineEnd>
void ForEachBreakOf(std::string_view text, LineBreaks breaks, LineEnd lineEnd) {
  if (breaks == LineBreaks::Any) {
    ForEachAnyBreak(text, lineEnd);
  } else {
    ForEachBreak(text, [&](std::size_t at) { lineEnd(at, at + 2); });
  }
}

}  // namespace

LineSpan LineAtOffset(std::string_view text, std::size_t start, LineBreaks breaks) {
  if (breaks == LineBreaks::CrLf) {
    const std::size_t end = std::min(text.find(kBreak, start), text.size());
    return {end, end + 2};
  }
  const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
  const bool pair = end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n';
  return {end, end + (pair ? 2 : 1)};
}

std::size_t CountLines(std::string_view text, LineBreaks breaks) {
  std::size_t count = 0;
  std::size_t lastStart = 0;
  ForEachBreakOf(text, breaks, [&](std::size_t, std::size_t next) {
    ++count;
    lastStart = next;
  });
  return lastStart < text.size() ? count + 1 : count;
}

std::string_view LineOf(std::string_view text, std::size_t i, LineBreaks breaks) {
  const std::string_view rest = TextFromLine(text, i, breaks);
  return Limited(rest.substr(0, LineAtOffset(rest, 0, breaks).end));
}

ExportLines SplitLines(std::string_view text) {
  std::size_t breaks = 0;
  ForEachBreak(text, [&breaks](std::size_t) { ++breaks; });
  ExportLines lines;
  lines.reserve(breaks + 1);
  std::size_t start = 0;
  ForEachBreak(text, [&](std::size_t at) {
    lines.push_back(Limited(text.substr(start, at - start)));
    start = at + 2;
  });
  if (start < text.size()) lines.push_back(Limited(text.substr(start)));
  return lines;
}

std::vector<std::size_t> LineStartsEvery(std::string_view text, std::size_t first, std::size_t step,
                                         LineBreaks breaks) {
  std::vector<std::size_t> starts;
  std::size_t next = first;  // the next line wanted
  if (!text.empty() && next == 0) {
    starts.push_back(0);
    next += step;
  }
  std::size_t line = 0;
  ForEachBreakOf(text, breaks, [&](std::size_t, std::size_t start) {
    if (++line == next && start < text.size()) {
      starts.push_back(start);
      next += step;
    }
  });
  return starts;
}

std::string_view TextFromLine(std::string_view text, std::size_t first, LineBreaks breaks) {
  std::size_t start = 0;
  for (std::size_t line = 0; line < first; ++line) {
    const LineSpan span = LineAtOffset(text, start, breaks);
    if (span.end >= text.size()) return {};
    start = span.next;
  }
  return text.substr(start);
}
