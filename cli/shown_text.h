// Texts from outside (file names, zone names) as a line of the terminal shows them.
#pragma once

#include <string>
#include <string_view>

// Control characters (a newline in a file name) shown escaped, so every report stays one line,
// and bytes that are not UTF-8 too, so that what is written is always text.
std::string Shown(std::string_view text);
