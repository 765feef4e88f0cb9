#include "message_text.h"

std::string Filled(std::string_view text, std::initializer_list<std::string_view> values) {
  std::string out;
  out.reserve(text.size() + 64);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t n = i + 1 < text.size() ? static_cast<std::size_t>(text[i + 1] - '1') : 9;
    if (text[i] == '%' && n < values.size()) {
      out.append(values.begin()[n]);
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}
