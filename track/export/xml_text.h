// Export texts made fit for the KML document: Windows-1253 decoded, XML-escaped, in UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Appends bytes (Windows-1253) to out as UTF-8 character data: "&", "<" and ">" escaped,
// characters XML 1.0 forbids replaced by U+FFFD, a tab kept.
void AppendXmlText(std::string& out, std::string_view bytes);

// The same written at `at`, for callers that make room for many texts at once; each returns
// where its text ends. The room a text of `size` bytes needs is XmlRoomFor(size): an escape
// ("&amp;") is the longest form of a byte, and each form is stored whole, 8 bytes at a time.
inline constexpr std::size_t kXmlBytesPerByte = 5;
inline constexpr std::size_t kXmlRoomSlack = 8;
constexpr std::size_t XmlRoomFor(std::size_t size) {
  return kXmlBytesPerByte * size + kXmlRoomSlack;
}
char* PutXmlText(char* at, std::string_view bytes);
char* PutXmlNumber(char* at, std::string_view bytes);
