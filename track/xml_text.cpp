#include "xml_text.h"

#include <array>

#include "cp1253.h"

namespace {

// The UTF-8 form of every byte, escapes included; the table is built once, on first use.
struct Encoded {
  std::array<char, 6> bytes{};
  unsigned char size = 0;
};

constexpr bool IsForbiddenControl(unsigned b) {
  return b < 0x20 && b != 0x09 && b != 0x0A && b != 0x0D;
}

Encoded EncodeByte(unsigned char b) {
  Encoded e;
  std::string s;
  switch (b) {
    case '&':
      s = "&amp;";
      break;
    case '<':
      s = "&lt;";
      break;
    case '>':
      s = "&gt;";
      break;
    default:
      AppendUtf8(s, IsForbiddenControl(b) ? U'\uFFFD' : Cp1253ToUnicode(b));
  }
  for (char c : s)
    e.bytes[e.size++] = c;
  return e;
}

const std::array<Encoded, 256>& EncodingTable() {
  static const std::array<Encoded, 256> table = [] {
    std::array<Encoded, 256> t{};
    for (unsigned b = 0; b < 256; ++b)
      t[b] = EncodeByte(static_cast<unsigned char>(b));
    return t;
  }();
  return table;
}

constexpr bool PassesUnchanged(unsigned char b) {
  return b >= 0x20 && b < 0x80 && b != '&' && b != '<' && b != '>';
}

}  // namespace

namespace {

// Both appends in one loop: `decimalPoint` turns every "," into "." on the way.
void AppendEncoded(std::string& out, std::string_view bytes, bool decimalPoint) {
  const auto& table = EncodingTable();
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (PassesUnchanged(b) && !(decimalPoint && b == ',')) continue;
    out.append(bytes.substr(start, i - start));
    if (b == ',') {
      out.push_back('.');
    } else {
      out.append(table[b].bytes.data(), table[b].size);
    }
    start = i + 1;
  }
  out.append(bytes.substr(start));
}

}  // namespace

void AppendXmlText(std::string& out, std::string_view bytes) {
  AppendEncoded(out, bytes, false);
}

void AppendXmlNumber(std::string& out, std::string_view bytes) {
  AppendEncoded(out, bytes, true);
}
