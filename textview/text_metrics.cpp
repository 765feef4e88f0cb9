#include "text_metrics.h"

#include <QString>
#include <algorithm>
#include <cmath>

#include "text_boundaries.h"

namespace {

constexpr double kTabStop = 80;  // pixels, as Qt's plain-text control has them

QFont PaneFont(QFont font) {
  // Characters stand where the sum of their advances puts them, so that a place far along a
  // long line is found without laying the line out.
  font.setKerning(false);
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}

}  // namespace

TextMetrics::TextMetrics(const QFont& font) : font_(PaneFont(font)), metrics_(font_) {
  tabStop_ = kTabStop;
  for (int b = 0; b < 128; ++b)
    ascii_[static_cast<std::size_t>(b)] = metrics_.horizontalAdvance(QChar(b));
}

double TextMetrics::Advance(char32_t c) {
  if (c < 128) return ascii_[c];
  if (const auto known = others_.find(c); known != others_.end()) return known->second;
  const QString text = c > 0xFFFF ? QString(QChar::highSurrogate(c)) + QChar::lowSurrogate(c)
                                  : QString(QChar(static_cast<char16_t>(c)));
  return others_[c] = metrics_.horizontalAdvance(text);
}

double TextMetrics::AfterTab(double x) const {
  return (std::floor(x / tabStop_ + 1e-9) + 1) * tabStop_;
}

double TextMetrics::XAfter(const PaneDocument& document, std::size_t from, std::size_t to,
                           double x) {
  for (std::size_t at = from; at < to;) {
    // A run of ASCII without tabs, read where it is stored.
    const std::string_view stored = document.StretchFrom(at).substr(0, to - at);
    std::size_t k = 0;
    for (; k < stored.size(); ++k) {
      const auto c = static_cast<unsigned char>(stored[k]);
      if (c >= 128 || c == '\t') break;
      x += ascii_[c];
    }
    at += k;
    if (k == stored.size()) continue;  // on in the next stretch
    const auto b = static_cast<unsigned char>(stored[k]);
    if (b == '\t') {
      x = AfterTab(x);
      ++at;
    } else if (b < 128 || document.Encoding() == PaneEncoding::Cp1253) {
      x += b < 128 ? ascii_[b] : Advance(document.CharAt(at));
      ++at;
    } else {
      x += Advance(document.CharAt(at));
      at = document.NextChar(at);
    }
  }
  return x;
}

void TextMetrics::Forget(std::size_t offset) {
  if (marks_.empty()) return;
  if (offset <= marks_.front().offset) {
    marks_.clear();
    marksLine_ = static_cast<std::size_t>(-1);
    return;
  }
  while (marks_.back().offset > offset)
    marks_.pop_back();
}

TextMetrics::Mark TextMetrics::MarkBefore(const PaneDocument& document, std::size_t line,
                                          std::size_t offset) {
  if (line != marksLine_ || marks_.empty()) {
    marksLine_ = line;
    marks_.assign(1, Mark{document.LineStart(line), 0});
  }
  const std::size_t end = document.LineEnd(line);
  while (marks_.back().offset + kMarkStep <= offset && marks_.back().offset < end) {
    const Mark last = marks_.back();
    // On a character the user sees: a stretch laid out from a mark starts with a letter,
    // never with the accent of the one before it.
    const std::size_t to = CharacterStartFrom(document, std::min(end, last.offset + kMarkStep));
    marks_.push_back(Mark{to, XAfter(document, last.offset, to, last.x)});
  }
  const auto after = std::upper_bound(marks_.begin(), marks_.end(), offset,
                                      [](std::size_t o, const Mark& m) { return o < m.offset; });
  return *(after - 1);
}

TextMetrics::Mark TextMetrics::MarkBeforeX(const PaneDocument& document, std::size_t line,
                                           double x) {
  const std::size_t end = document.LineEnd(line);
  MarkBefore(document, line, document.LineStart(line));
  while (marks_.back().x <= x && marks_.back().offset < end)
    MarkBefore(document, line, marks_.back().offset + kMarkStep);
  const auto past = std::upper_bound(marks_.begin(), marks_.end(), x,
                                     [](double v, const Mark& m) { return v < m.x; });
  return past == marks_.begin() ? marks_.front() : *(past - 1);
}
