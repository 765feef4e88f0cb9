// Export texts made fit for the KML document: Windows-1253 decoded, XML-escaped, in UTF-8.
#pragma once

#include <string>
#include <string_view>

// Appends bytes (Windows-1253) to out as UTF-8 character data: "&", "<" and ">" escaped,
// characters XML 1.0 forbids replaced by U+FFFD, a tab kept.
void AppendXmlText(std::string& out, std::string_view bytes);

// The same for a number of the export: its decimal commas become points first.
void AppendXmlNumber(std::string& out, std::string_view bytes);
