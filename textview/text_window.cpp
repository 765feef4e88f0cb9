#include "text_window.h"

#include <algorithm>

TextWindow TextWindow::Of(const PaneDocument& document, std::size_t from, std::size_t to) {
  TextWindow window;
  window.from = from;
  window.to = to;
  window.text.reserve(static_cast<qsizetype>(to - from));
  window.starts_.reserve(to - from + 1);
  for (std::size_t at = from; at < to; at = document.NextChar(at)) {
    const char32_t c = document.CharAt(at);
    const auto start = static_cast<std::uint32_t>(at - from);
    if (c > 0xFFFF) {
      window.text.append(QChar(QChar::highSurrogate(c)));
      window.text.append(QChar(QChar::lowSurrogate(c)));
      window.starts_.push_back(start);
      window.starts_.push_back(start);
    } else {
      window.text.append(QChar(static_cast<char16_t>(c)));
      window.starts_.push_back(start);
    }
  }
  window.starts_.push_back(static_cast<std::uint32_t>(to - from));
  return window;
}

TextWindow TextWindow::Around(const PaneDocument& document, std::size_t offset, std::size_t reach) {
  const std::size_t line = document.LineOf(offset);
  const std::size_t start = document.LineStart(line), end = document.LineEnd(line);
  const std::size_t from = document.CharStart(offset - std::min(reach, offset - start));
  std::size_t to = std::min(end, std::min(offset, end) + reach);
  if (to < end && document.CharStart(to) != to) to = document.NextChar(document.CharStart(to));
  return Of(document, from, to);
}

qsizetype TextWindow::IndexOf(std::size_t offset) const {
  const auto target = static_cast<std::uint32_t>(std::clamp(offset, from, to) - from);
  return std::lower_bound(starts_.begin(), starts_.end(), target) - starts_.begin();
}

std::size_t TextWindow::OffsetOf(qsizetype index) const {
  index = std::clamp<qsizetype>(index, 0, static_cast<qsizetype>(starts_.size()) - 1);
  return from + starts_[static_cast<std::size_t>(index)];
}
