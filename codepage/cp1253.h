// The Windows-1253 (Greek) code page as a one-to-one map between all 256 byte values and
// Unicode characters. Bytes the code page leaves unassigned map as the Windows platform maps
// them, so every byte survives a round trip through Unicode.
#pragma once

#include <optional>
#include <string>
#include <string_view>

char32_t Cp1253ToUnicode(unsigned char byte);

// The byte for a character, or nothing when the code page lacks it.
std::optional<unsigned char> UnicodeToCp1253(char32_t ch);

// Appends ch to out in UTF-8.
void AppendUtf8(std::string& out, char32_t ch);
