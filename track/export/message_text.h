// Messages written whole in a catalogue, with "%1".."%9" where a name or a number goes, so
// that searching for the words a user saw finds the one place they are written.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// One entry of a catalogue, named so that a test can pin it.
struct CatalogueEntry {
  std::string_view name;
  std::string_view text;
};

// `text` with each "%N" replaced by the Nth of `values`; a "%" not followed by a digit of a
// given value stays as it is.
std::string Filled(std::string_view text, std::initializer_list<std::string_view> values);
