// Texts from outside (file names, zone names, an export's names) as a line of a terminal or a
// report shows them.
#pragma once

#include <string>
#include <string_view>

// Control characters (a newline in a file name, an escape sequence) shown escaped, so every
// report stays one line and a terminal runs nothing, and bytes that are not UTF-8 too, so that
// what is written is always text.
std::string Shown(std::string_view text);
