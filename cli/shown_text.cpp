#include "shown_text.h"

std::string Shown(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b != 0x7F) {
      shown.push_back(c);
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
