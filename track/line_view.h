// A pane's text seen as lines: only CR LF breaks a line, and an empty last segment is not a
// line. Pure functions over the text, each one pass.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "track_types.h"

inline constexpr std::size_t kLineReadLimit = 4096;

std::size_t CountLines(std::string_view text);
// Line i cut to kLineReadLimit characters; empty for every i at or past the line count.
std::string_view LineOf(std::string_view text, std::size_t i);
// Every line, cut like LineOf, in one pass.
ExportLines SplitLines(std::string_view text);
// Where lines first, first + step, first + 2 step, ... start, for as many as there are.
std::vector<std::size_t> LineStartsEvery(std::string_view text, std::size_t first,
                                         std::size_t step);
