// Text made fit for an HTML page or its SVG, as character data or an attribute's value.
#pragma once

#include <string>
#include <string_view>

// Appends UTF-8 text with "&", "<", ">", '"' and "'" escaped.
void AppendHtml(std::string& out, std::string_view utf8);
std::string Html(std::string_view utf8);
