#include "line_view.h"

#include <algorithm>

namespace {

constexpr std::string_view kBreak = "\r\n";

std::string_view Limited(std::string_view line) {
  return line.substr(0, kLineReadLimit);
}

// Bytes the normalised text has beyond the raw one: one per lone CR or lone LF.
std::size_t ExtraBytes(std::string_view raw) {
  // Every LF not preceded by CR, and every CR not followed by LF; found by searching for LFs
  // and counting CRs rather than looking at every byte.
  std::size_t crLf = 0, loneLf = 0;
  for (std::size_t at = raw.find('\n'); at != std::string_view::npos; at = raw.find('\n', at + 1)) {
    if (at > 0 && raw[at - 1] == '\r') {
      ++crLf;
    } else {
      ++loneLf;
    }
  }
  const auto cr = static_cast<std::size_t>(std::count(raw.begin(), raw.end(), '\r'));
  return loneLf + (cr - crLf);
}

}  // namespace

std::size_t CountLines(std::string_view text) {
  std::size_t breaks = 0;
  std::size_t lastStart = 0;
  for (std::size_t at = text.find(kBreak); at != std::string_view::npos;
       at = text.find(kBreak, at + 2)) {
    ++breaks;
    lastStart = at + 2;
  }
  return lastStart < text.size() ? breaks + 1 : breaks;
}

std::string_view LineOf(std::string_view text, std::size_t i) {
  std::size_t start = 0;
  for (std::size_t k = 0; k < i; ++k) {
    const std::size_t at = text.find(kBreak, start);
    if (at == std::string_view::npos) return {};
    start = at + 2;
  }
  const std::size_t end = text.find(kBreak, start);
  return Limited(text.substr(start, end == std::string_view::npos ? end : end - start));
}

ExportLines SplitLines(std::string_view text) {
  ExportLines lines;
  lines.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t at = text.find(kBreak, start);
    if (at == std::string_view::npos) {
      lines.push_back(Limited(text.substr(start)));
      break;
    }
    lines.push_back(Limited(text.substr(start, at - start)));
    start = at + 2;
  }
  return lines;
}

std::string NormalizeLineBreaks(std::string_view raw) {
  std::string text(raw);
  NormalizeLineBreaksInPlace(text);
  return text;
}

void NormalizeLineBreaksInPlace(std::string& text) {
  const std::size_t extra = ExtraBytes(text);
  if (extra == 0) return;
  std::size_t in = text.size();
  text.resize(text.size() + extra);
  std::size_t out = text.size();
  // Backwards, so every byte is read before the growing output can reach it.
  while (in > 0) {
    const char c = text[--in];
    if (c == '\n') {
      if (in > 0 && text[in - 1] == '\r') --in;  // CR LF: one break, written once
      text[--out] = '\n';
      text[--out] = '\r';
    } else if (c == '\r') {
      text[--out] = '\n';
      text[--out] = '\r';
    } else {
      text[--out] = c;
    }
  }
}
