#include "shown_text.h"

namespace {

// The length of the UTF-8 sequence at the start of `text`, or 0 when it is not one.
std::size_t Utf8SequenceAt(std::string_view text) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = b(0);
  const std::size_t size = lead >= 0xF0 && lead <= 0xF4 ? 4
                           : lead >= 0xE0               ? 3
                           : lead >= 0xC2               ? 2
                                                        : 0;
  if (size == 0 || lead >= 0xF5 || text.size() < size) return 0;
  for (std::size_t i = 1; i < size; ++i)
    if ((b(i) & 0xC0) != 0x80) return 0;
  // No overlong forms, no surrogates, nothing past U+10FFFF.
  if ((lead == 0xE0 && b(1) < 0xA0) || (lead == 0xED && b(1) >= 0xA0) ||
      (lead == 0xF0 && b(1) < 0x90) || (lead == 0xF4 && b(1) >= 0x90))
    return 0;
  return size;
}

}  // namespace

std::string Shown(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F) {
      shown.push_back(c);
    } else if (const std::size_t size = b >= 0x80 ? Utf8SequenceAt(text.substr(i)) : 0) {
      const auto second = static_cast<unsigned char>(text[i + 1]);
      if (b == 0xC2 && second < 0xA0) {  // U+0080 to U+009F: controls too
        shown.append("\\u00").append(1, kHex[second >> 4]).append(1, kHex[second & 15]);
      } else {
        shown.append(text.substr(i, size));
      }
      i += size - 1;
    } else if (c == '\n') {
      shown.append("\\n");
    } else if (c == '\r') {
      shown.append("\\r");
    } else if (c == '\t') {
      shown.append("\\t");
    } else {
      shown.append("\\x").append(1, kHex[b >> 4]).append(1, kHex[b & 15]);
    }
  }
  return shown;
}
