// std::filesystem paths made from the program's text and back. File names are UTF-8 text
// everywhere in the program; std::filesystem takes a plain std::string in the system's own
// narrow encoding (on Windows not UTF-8), so every path goes through char8_t instead.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

std::filesystem::path PathFromText(std::string_view text);
// The path as the system spells it ("C:\data\day.html").
std::string TextFromPath(const std::filesystem::path& path);
// The path with "/" between its parts, as a link is written ("days/day.html").
std::string GenericTextFromPath(const std::filesystem::path& path);
