#include "line_view.h"

#include <algorithm>

namespace {

constexpr std::string_view kBreak = "\r\n";

std::string_view Limited(std::string_view line) {
  return line.substr(0, kLineReadLimit);
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
