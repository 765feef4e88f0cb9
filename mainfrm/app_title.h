#pragma once

#include <string>
#include <string_view>

// The program's title from its file's path: the name without folder, cut at its first ".",
// every character after the first in lower case.
std::string ApplicationTitle(std::string_view programPath);
