#include "text_metrics.h"

#include <QString>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kTabStop = 80;  // pixels, as Qt's plain-text control has them

bool IsContinuation(char b) {
  return (static_cast<unsigned char>(b) & 0xC0) == 0x80;
}

QFont PaneFont(QFont font) {
  // Characters stand where the sum of their advances puts them, so that a place far along a
  // long line is found without laying the line out.
  font.setKerning(false);
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}

}  // namespace

TextMetrics::TextMetrics(const QFont& font) : font_(PaneFont(font)), metrics_(font_) {
  lineHeight_ = metrics_.lineSpacing();
  ascent_ = metrics_.ascent();
  average_ = metrics_.averageCharWidth();
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
  const std::string_view bytes = document.Text();
  for (std::size_t at = from; at < to;) {
    const auto b = static_cast<unsigned char>(bytes[at]);
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
    std::size_t to = std::min(end, last.offset + kMarkStep);
    while (to < end && IsContinuation(document.Text()[to]))
      ++to;
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

double TextMetrics::XOf(const PaneDocument& document, std::size_t offset) {
  const std::size_t line = document.LineOf(offset);
  const std::size_t start = document.LineStart(line);
  if (offset - start <= kMarkStep) return XAfter(document, start, offset, 0);
  const Mark mark = MarkBefore(document, line, offset);
  return XAfter(document, mark.offset, offset, mark.x);
}

std::size_t TextMetrics::OffsetBeforeX(const PaneDocument& document, std::size_t line, double x,
                                       double& offsetX) {
  std::size_t at = document.LineStart(line);
  const std::size_t end = document.LineEnd(line);
  double cx = 0;
  if (end - at > kMarkStep) {
    // Marks are made along the line until one stands past x; the scan starts at the one before.
    MarkBefore(document, line, at);
    while (marks_.back().x <= x && marks_.back().offset < end)
      MarkBefore(document, line, marks_.back().offset + kMarkStep);
    const auto past = std::upper_bound(marks_.begin(), marks_.end(), x,
                                       [](double v, const Mark& m) { return v < m.x; });
    const Mark mark = past == marks_.begin() ? marks_.front() : *(past - 1);
    at = mark.offset;
    cx = mark.x;
  }
  while (at < end) {
    const std::size_t next = document.NextChar(at);
    const double after = XAfter(document, at, next, cx);
    if (after > x) break;
    cx = after;
    at = next;
  }
  offsetX = cx;
  return at;
}

std::size_t TextMetrics::OffsetAtX(const PaneDocument& document, std::size_t from, std::size_t to,
                                   double fromX, double x) {
  double cx = fromX;
  for (std::size_t at = from; at < to;) {
    const std::size_t next = document.NextChar(at);
    const double after = XAfter(document, at, next, cx);
    if ((cx + after) / 2 > x) return at;
    cx = after;
    at = next;
  }
  return to;
}

std::vector<std::size_t> TextMetrics::WrapRows(const PaneDocument& document, std::size_t line,
                                               double width) {
  const std::size_t start = document.LineStart(line);
  const std::size_t end = document.LineEnd(line);
  std::vector<std::size_t> rows{start};
  double x = 0;
  std::size_t breakAt = start;  // after the last blank of the row
  double breakX = 0;
  for (std::size_t at = start; at < end;) {
    const std::size_t next = document.NextChar(at);
    const char32_t c = document.CharAt(at);
    const bool blank = c == U' ' || c == U'\t';
    double after = XAfter(document, at, next, x);
    // Blanks may hang past the edge; anything else starts a new row.
    if (!blank && after > width && at > rows.back()) {
      if (breakAt > rows.back()) {
        rows.push_back(breakAt);
        x -= breakX;
      } else {
        rows.push_back(at);
        x = 0;
      }
      after = XAfter(document, at, next, x);
    }
    x = after;
    if (blank) {
      breakAt = next;
      breakX = x;
    }
    at = next;
  }
  return rows;
}
