// The numbers of a fix as exports write them ("37,59709"), read once for every use: whether
// a fix has a position on Earth, whether it stands, and the values the trip adds up.
#pragma once

#include <optional>
#include <string_view>

#include "track_types.h"

struct FixNumber {
  double value = 0;
  bool plain = false;  // a plain decimal: a minus, digits, one comma or point
};

// A decimal with a comma or a point, or any number from_chars reads; nothing otherwise.
std::optional<FixNumber> ReadNumber(std::string_view text);

// Whether a latitude and longitude make a position anywhere on Earth, once each.
bool IsPosition(double lat, double lon);
// Whether a fix's texts read as such a position.
bool HasPosition(const FixTexts& fix);
// Whether a fix's speed reads as 0.
bool StandsStill(const FixTexts& fix);
