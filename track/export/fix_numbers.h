// The numbers of a fix as exports write them ("37,59709"), read once for every use: whether
// a fix has a position on Earth, whether it stands, and the values the trip adds up.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "track_types.h"

struct FixNumber {
  double value = 0;
  bool plain = false;  // a plain decimal: a minus, digits, one comma or point
};

// Inline, as they are read three times a row, a million rows a day.

// "-37,59709": up to 15 digits with a decimal comma or point, as exports write them, read as
// the exact quotient of two doubles, the value from_chars gives, at a fraction of its cost.
inline std::optional<double> PlainNumber(std::string_view text) {
  static constexpr double kTens[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const bool negative = text.starts_with('-');
  if (negative) text.remove_prefix(1);
  std::int64_t digits = 0;
  int count = 0, decimals = -1;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      if (++count > 15) return std::nullopt;  // from_chars reads it
      digits = digits * 10 + (c - '0');
      if (decimals >= 0) ++decimals;
    } else if ((c == ',' || c == '.') && decimals < 0 && count > 0) {
      decimals = 0;
    } else {
      return std::nullopt;
    }
  }
  if (count == 0 || decimals == 0) return std::nullopt;
  const double value = static_cast<double>(digits) / kTens[decimals < 0 ? 0 : decimals];
  return negative ? -value : value;
}

// A decimal with a comma or a point, or any number from_chars reads; nothing otherwise.
inline std::optional<FixNumber> ReadNumber(std::string_view text) {
  if (const auto plain = PlainNumber(text)) return FixNumber{*plain, true};
  if (text.starts_with('+') && !text.starts_with("+-")) text.remove_prefix(1);  // "+37.5"
  char buffer[32];
  if (text.empty() || text.size() > sizeof buffer) return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i)
    buffer[i] = text[i] == ',' ? '.' : text[i];
  double value = 0;
  const auto [end, error] = std::from_chars(buffer, buffer + text.size(), value);
  if (error != std::errc() || end != buffer + text.size()) return std::nullopt;
  return FixNumber{value, false};
}

// Whether a latitude and longitude make a position anywhere on Earth, once each.
bool IsPosition(double lat, double lon);
// Whether a fix's texts read as such a position.
bool HasPosition(const FixTexts& fix);
// Whether a fix's speed reads as 0.
bool StandsStill(const FixTexts& fix);
