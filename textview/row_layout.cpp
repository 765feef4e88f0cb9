#include "row_layout.h"

#include <QFontMetricsF>
#include <QTextLine>
#include <algorithm>

#include "text_boundaries.h"

namespace {

constexpr double kTabStop = 80;            // pixels, as Qt's plain-text control has them
constexpr std::size_t kWrapChunk = 16384;  // bytes wrapped in one go
constexpr std::size_t kKeptLines = 256;    // wrapped lines kept: more than a view shows
constexpr std::size_t kKeptStretches = 128;
// A row's width when nothing wraps it: far wider than a stretch, within Qt's fixed-point range.
constexpr double kUnwrapped = 1e7;

}  // namespace

RowLayout::RowLayout(const PaneDocument& document, const QFont& font)
    : document_(document), font_(font), metrics_(font) {
  lineHeight_ = QFontMetricsF(font_).lineSpacing();
}

QTextOption RowLayout::Option(bool wrap) const {
  QTextOption option;
  option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
  option.setTabStopDistance(kTabStop);
  return option;
}

void RowLayout::SetWrapWidth(double width) {
  if (width == wrapWidth_) return;
  wrapWidth_ = width;
  wrapped_.clear();
  stretches_.clear();
}

void RowLayout::Forget(std::size_t offset) {
  metrics_.Forget(offset);
  stretches_.clear();
  widths_.clear();
  // Lines after the change may be others now; the changed line keeps the rows before the one
  // the change is in, which no change after them can move.
  const std::size_t line = document_.LineOf(std::min(offset, document_.Size()));
  if (!Wraps()) {
    wrapped_.clear();
    return;
  }
  for (auto it = wrapped_.begin(); it != wrapped_.end();) {
    if (it->first > line) {
      it = wrapped_.erase(it);
      continue;
    }
    if (it->first == line) {
      auto& starts = it->second.starts;
      const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
      const std::size_t keep = std::max<std::ptrdiff_t>(1, after - starts.begin() - 1);
      starts.resize(std::min(starts.size(), keep));
      it->second.complete = false;
    }
    ++it;
  }
}

void RowLayout::WrapFurther(std::size_t line, Wrapped& wrapped) {
  const std::size_t end = document_.LineEnd(line);
  const std::size_t from = wrapped.starts.back();
  const std::size_t to = CharacterStartFrom(document_, std::min(end, from + kWrapChunk));
  const bool final = to == end;
  const TextWindow window = TextWindow::Of(document_, from, to);
  QTextLayout layout(window.text, font_);
  layout.setTextOption(Option(true));
  layout.setCacheEnabled(false);
  layout.beginLayout();
  for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine())
    row.setLineWidth(wrapWidth_);
  layout.endLayout();
  const int rows = layout.lineCount();
  // Without the end of the line in this chunk, its last row may go on: it is laid out again
  // with the next chunk.
  for (int i = 1; i < rows; ++i)
    wrapped.starts.push_back(window.OffsetOf(layout.lineAt(i).textStart()));
  if (final) {
    wrapped.complete = true;
  } else if (rows <= 1) {
    wrapped.starts.push_back(to);  // a row wider than a chunk: cut there
  }
}

const std::vector<std::size_t>& RowLayout::RowStarts(std::size_t line, std::size_t rows) {
  auto it = std::find_if(wrapped_.begin(), wrapped_.end(),
                         [line](const auto& entry) { return entry.first == line; });
  if (it == wrapped_.end()) {
    Wrapped fresh;
    fresh.starts.push_back(document_.LineStart(line));
    fresh.complete = !Wraps() || document_.LineEnd(line) == document_.LineStart(line);
    wrapped_.emplace_front(line, std::move(fresh));
    if (wrapped_.size() > kKeptLines) wrapped_.pop_back();
    it = wrapped_.begin();
  } else if (it != wrapped_.begin()) {
    wrapped_.splice(wrapped_.begin(), wrapped_, it);
    it = wrapped_.begin();
  }
  Wrapped& wrapped = it->second;
  while (!wrapped.complete && wrapped.starts.size() < rows)
    WrapFurther(line, wrapped);
  return wrapped.starts;
}

std::optional<std::size_t> RowLayout::KnownRowCount(std::size_t line) const {
  if (!Wraps()) return 1;
  for (const auto& [known, wrapped] : wrapped_) {
    if (known == line && wrapped.complete) return wrapped.starts.size();
  }
  return std::nullopt;
}

RowLayout::Row RowLayout::RowAt(std::size_t line, std::size_t index) {
  const auto& starts = RowStarts(line, index + 2);
  return Row{line, starts[index],
             index + 1 < starts.size() ? starts[index + 1] : document_.LineEnd(line)};
}

RowLayout::Row RowLayout::RowOf(std::size_t offset) {
  const std::size_t line = document_.LineOf(offset);
  const std::size_t end = document_.LineEnd(line);
  if (!Wraps()) return Row{line, document_.LineStart(line), end};
  // Rows are found as far as the one holding `offset`, and the start of the next.
  for (std::size_t count = 2;;) {
    const auto& starts = RowStarts(line, count);
    const bool all = starts.size() < count;
    if (all || starts.back() > offset) {
      const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
      const auto k = static_cast<std::size_t>(after - starts.begin()) - 1;
      return Row{line, starts[k], k + 1 < starts.size() ? starts[k + 1] : end};
    }
    count = starts.size() + 64;
  }
}

void RowLayout::LayOutUnwrapped(QTextLayout& layout) {
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (line.isValid()) {
    line.setLineWidth(kUnwrapped);
    line.setPosition(QPointF(0, 0));
  }
  layout.endLayout();
}

RowLayout::Stretch RowLayout::StretchOf(std::size_t from, std::size_t to, double x) {
  for (auto it = stretches_.begin(); it != stretches_.end(); ++it) {
    if (it->window.from == from && it->window.to == to) {
      stretches_.splice(stretches_.begin(), stretches_, it);
      return stretches_.front();
    }
  }
  Stretch stretch{TextWindow::Of(document_, from, to), x, nullptr};
  stretch.layout = std::make_shared<QTextLayout>(stretch.window.text, font_);
  stretch.layout->setTextOption(Option(false));
  stretch.layout->setCacheEnabled(true);
  LayOutUnwrapped(*stretch.layout);
  stretches_.push_front(stretch);
  if (stretches_.size() > kKeptStretches) stretches_.pop_back();
  return stretch;
}

RowLayout::Stretch RowLayout::StretchHolding(const Row& row, std::size_t offset) {
  if (Wraps() || row.to - row.from <= TextMetrics::kMarkStep) return StretchOf(row.from, row.to, 0);
  const TextMetrics::Mark mark = metrics_.MarkBefore(document_, row.line, offset);
  const TextMetrics::Mark next =
      metrics_.MarkBefore(document_, row.line, mark.offset + TextMetrics::kMarkStep);
  const std::size_t to = next.offset > mark.offset ? next.offset : row.to;
  return StretchOf(mark.offset, to, mark.x);
}

std::vector<RowLayout::Stretch> RowLayout::Stretches(const Row& row, double left, double right) {
  std::vector<Stretch> shown;
  std::size_t at = row.from;
  if (!Wraps() && row.to - row.from > TextMetrics::kMarkStep)
    at = metrics_.MarkBeforeX(document_, row.line, left).offset;
  for (;;) {
    Stretch stretch = StretchHolding(row, at);
    const double width = stretch.layout->lineAt(0).naturalTextWidth();
    if (stretch.x + width >= left || stretch.window.to >= row.to) shown.push_back(stretch);
    if (stretch.window.to >= row.to || stretch.x + width > right) break;
    at = stretch.window.to;
  }
  return shown;
}

double RowLayout::XOf(const Row& row, std::size_t offset) {
  const Stretch stretch = StretchHolding(row, std::min(offset, row.to));
  return stretch.x +
         stretch.layout->lineAt(0).cursorToX(static_cast<int>(stretch.window.IndexOf(offset)));
}

std::size_t RowLayout::OffsetAt(const Row& row, double x) {
  std::size_t at = row.from;
  if (!Wraps() && row.to - row.from > TextMetrics::kMarkStep)
    at = metrics_.MarkBeforeX(document_, row.line, x).offset;
  const Stretch stretch = StretchHolding(row, at);
  const int index =
      stretch.layout->lineAt(0).xToCursor(x - stretch.x, QTextLine::CursorBetweenCharacters);
  return stretch.window.OffsetOf(index);
}

double RowLayout::LineWidth(std::size_t line) {
  if (const auto known = widths_.find(line); known != widths_.end()) return known->second;
  const Row row{line, document_.LineStart(line), document_.LineEnd(line)};
  const Stretch last = StretchHolding(row, row.to);
  return widths_[line] = last.x + last.layout->lineAt(0).naturalTextWidth();
}
