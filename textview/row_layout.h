// How a pane's lines stand on screen: where they break into rows when the pane wraps, and
// where each character stands across, by Qt's own text layout (shaping, kerning, marks that
// combine with the letter before them) over only the part of a line at hand. An unwrapped
// long line is laid out a stretch at a time between the marks TextMetrics keeps along it,
// each stretch from where the advances before it put it; a wrapped one is broken into rows a
// chunk at a time, only as far as the rows asked for.
#pragma once

#include <QFont>
#include <QTextLayout>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "pane_document.h"
#include "text_metrics.h"
#include "text_window.h"

class RowLayout {
 public:
  struct Row {
    std::size_t line, from, to;
  };
  // A stretch of a row as Qt lays it out: its bytes, where it starts across the row.
  struct Stretch {
    TextWindow window;
    double x;
    std::shared_ptr<QTextLayout> layout;
  };
  static constexpr std::size_t kAll = SIZE_MAX;
  // Lays out a one-line layout (a stretch, or text being composed) unwrapped.
  static void LayOutUnwrapped(QTextLayout& layout);

  RowLayout(const PaneDocument& document, const QFont& font);

  const QFont& Font() const { return font_; }
  double LineHeight() const { return lineHeight_; }
  // Rows are wrapped to `width` (word boundaries, or anywhere for a longer word); 0: not.
  void SetWrapWidth(double width);
  bool Wraps() const { return wrapWidth_ > 0; }
  // The text changed from `offset` on.
  void Forget(std::size_t offset);

  // Where rows of `line` start: the first `rows` of them at least, all for kAll (1: as many as
  // are known, which RowOf makes reach its offset's row).
  const std::vector<std::size_t>& RowStarts(std::size_t line, std::size_t rows = kAll);
  // How many rows `line` has, when all are known already.
  std::optional<std::size_t> KnownRowCount(std::size_t line) const;
  Row RowOf(std::size_t offset);
  // The row `index` of `line` (which has it).
  Row RowAt(std::size_t line, std::size_t index);

  // The stretches of `row` that show between `left` and `right` (across the row).
  std::vector<Stretch> Stretches(const Row& row, double left, double right);
  // Where `offset` stands across its row, and the caret place in `row` nearest to x.
  double XOf(const Row& row, std::size_t offset);
  std::size_t OffsetAt(const Row& row, double x);
  // How wide an unwrapped line is laid out.
  double LineWidth(std::size_t line);

 private:
  struct Wrapped {
    std::vector<std::size_t> starts;
    bool complete = false;
  };
  void WrapFurther(std::size_t line, Wrapped& wrapped);
  Stretch StretchOf(std::size_t from, std::size_t to, double x);
  // The stretch of an unwrapped `row` holding `offset`.
  Stretch StretchHolding(const Row& row, std::size_t offset);
  QTextOption Option(bool wrap) const;

  const PaneDocument& document_;
  QFont font_;
  TextMetrics metrics_;
  double lineHeight_;
  double wrapWidth_ = 0;
  // The lines wrapped lately, newest first.
  std::list<std::pair<std::size_t, Wrapped>> wrapped_;
  // Stretches laid out lately, by their bytes, newest first.
  std::list<Stretch> stretches_;
  std::unordered_map<std::size_t, double> widths_;  // of lines measured since the last change
};
