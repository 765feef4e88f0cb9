#include "cp1253.h"

#include <array>
#include <cstdint>
#include <memory>

namespace {

// Bytes 80-FF. 00-7F are ASCII.
constexpr std::array<char16_t, 128> kHighHalf = {
    // 80-8F: 81, 88, 8A, 8C-8F unassigned, kept as the same code point
    0x20AC,
    0x0081,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x0088,
    0x2030,
    0x008A,
    0x2039,
    0x008C,
    0x008D,
    0x008E,
    0x008F,
    // 90-9F: 90, 98, 9A, 9C-9F unassigned
    0x0090,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x0098,
    0x2122,
    0x009A,
    0x203A,
    0x009C,
    0x009D,
    0x009E,
    0x009F,
    // A0-AF: AA unassigned, private use
    0x00A0,
    0x0385,
    0x0386,
    0x00A3,
    0x00A4,
    0x00A5,
    0x00A6,
    0x00A7,
    0x00A8,
    0x00A9,
    0xF8F9,
    0x00AB,
    0x00AC,
    0x00AD,
    0x00AE,
    0x2015,
    // B0-BF
    0x00B0,
    0x00B1,
    0x00B2,
    0x00B3,
    0x0384,
    0x00B5,
    0x00B6,
    0x00B7,
    0x0388,
    0x0389,
    0x038A,
    0x00BB,
    0x038C,
    0x00BD,
    0x038E,
    0x038F,
    // C0-CF: Greek capitals
    0x0390,
    0x0391,
    0x0392,
    0x0393,
    0x0394,
    0x0395,
    0x0396,
    0x0397,
    0x0398,
    0x0399,
    0x039A,
    0x039B,
    0x039C,
    0x039D,
    0x039E,
    0x039F,
    // D0-DF: D2 unassigned, private use
    0x03A0,
    0x03A1,
    0xF8FA,
    0x03A3,
    0x03A4,
    0x03A5,
    0x03A6,
    0x03A7,
    0x03A8,
    0x03A9,
    0x03AA,
    0x03AB,
    0x03AC,
    0x03AD,
    0x03AE,
    0x03AF,
    // E0-EF: Greek small letters
    0x03B0,
    0x03B1,
    0x03B2,
    0x03B3,
    0x03B4,
    0x03B5,
    0x03B6,
    0x03B7,
    0x03B8,
    0x03B9,
    0x03BA,
    0x03BB,
    0x03BC,
    0x03BD,
    0x03BE,
    0x03BF,
    // F0-FF: FF unassigned, private use
    0x03C0,
    0x03C1,
    0x03C2,
    0x03C3,
    0x03C4,
    0x03C5,
    0x03C6,
    0x03C7,
    0x03C8,
    0x03C9,
    0x03CA,
    0x03CB,
    0x03CC,
    0x03CD,
    0x03CE,
    0xF8FB,
};

constexpr std::uint16_t kNoByte = 0x100;

// The byte of every character of the Basic Multilingual Plane, kNoByte where there is none.
const std::array<std::uint16_t, 0x10000>& ReverseTable() {
  static const auto table = [] {
    auto t = std::make_unique<std::array<std::uint16_t, 0x10000>>();
    t->fill(kNoByte);
    for (std::uint16_t b = 0; b < 0x100; ++b)
      (*t)[Cp1253ToUnicode(static_cast<unsigned char>(b))] = b;
    return t;
  }();
  return *table;
}

}  // namespace

char32_t Cp1253ToUnicode(unsigned char byte) {
  return byte < 0x80 ? byte : kHighHalf[byte - 0x80];
}

std::optional<unsigned char> UnicodeToCp1253(char32_t ch) {
  if (ch > 0xFFFF) return std::nullopt;
  const std::uint16_t byte = ReverseTable()[ch];
  if (byte == kNoByte) return std::nullopt;
  return static_cast<unsigned char>(byte);
}

void AppendUtf8(std::string& out, char32_t ch) {
  if (ch < 0x80) {
    out.push_back(static_cast<char>(ch));
  } else if (ch < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (ch >> 6)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  } else if (ch < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (ch >> 12)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (ch >> 18)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  }
}
