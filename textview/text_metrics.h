// Where the characters of a pane's lines stand across, in a font: the sum of their advances,
// tabs to their stops. A long line (a KML route line holds every coordinate of a day) keeps a
// mark every few thousand bytes, so a place far along it is found from the nearest mark, not
// from its start; only what is visible is ever laid out.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <array>
#include <cstddef>
#include <unordered_map>
#include <vector>

#include "pane_document.h"

class TextMetrics {
 public:
  explicit TextMetrics(const QFont& font);

  // The text changed from `offset` on: marks there or later are dropped.
  void Forget(std::size_t offset);

  // Marks along a long line, every kMarkStep bytes (on a character), each where the advances
  // before it put it.
  static constexpr std::size_t kMarkStep = 4096;
  struct Mark {
    std::size_t offset;
    double x;
  };
  // The last mark of `line` at or before `offset`, made as far as `offset` first.
  Mark MarkBefore(const PaneDocument& document, std::size_t line, std::size_t offset);
  // The last mark of `line` at or before x.
  Mark MarkBeforeX(const PaneDocument& document, std::size_t line, double x);

 private:
  // The advance of characters [from, to), the first one at x.
  double XAfter(const PaneDocument& document, std::size_t from, std::size_t to, double x);
  double Advance(char32_t c);
  double AfterTab(double x) const;

  QFont font_;
  QFontMetricsF metrics_;
  double tabStop_;
  std::array<double, 128> ascii_{};  // the common case, looked up without a branch
  std::unordered_map<char32_t, double> others_;
  std::size_t marksLine_ = static_cast<std::size_t>(-1);
  std::vector<Mark> marks_;  // of marksLine_, from its start
};
