// The three text operations the conversion rests on: leading characters of a line,
// the N-th delimited field, and replacing every occurrence of a text.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

// The first n characters of s; empty for n <= 0, all of s when n reaches its length.
std::string_view LeftText(std::string_view s, long long n);

// Field n (counted from 1) of s split at d; the last field when s has fewer than n
// fields or n <= 0. Fields are neither trimmed nor quoted.
std::string_view GetField(std::string_view s, long long n, char d);

// GetField(s, 1, d) to GetField(s, fields.size(), d) at once, in one pass over s.
void LeadingFields(std::string_view s, char d, std::span<std::string_view> fields);

// s with every occurrence of p replaced by r, left to right, never overlapping.
std::string ReplaceText(std::string_view s, std::string_view p, std::string_view r);

// The parts one after another, in one allocation.
std::string Concat(std::initializer_list<std::string_view> parts);
