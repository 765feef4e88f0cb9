#include "xml_text.h"

#include <array>
#include <cstring>

#include "byte_room.h"
#include "cp1253.h"

namespace {

// What one export byte becomes: its UTF-8 form, or its escape. Eight bytes a form, so that a
// form is stored whole in one move and the pointer then steps by its size.
struct Encoded {
  std::array<char, 7> bytes{};
  unsigned char size = 0;
};
static_assert(sizeof(Encoded) == kXmlRoomSlack);
using EncodingTable = std::array<Encoded, 256>;

constexpr bool IsForbiddenControl(unsigned b) {
  return b < 0x20 && b != 0x09 && b != 0x0A && b != 0x0D;
}

Encoded EncodeByte(unsigned char b, bool decimalPoint) {
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
    case ',':
      s = decimalPoint ? "." : ",";
      break;
    default:
      AppendUtf8(s, IsForbiddenControl(b) ? U'\uFFFD' : Cp1253ToUnicode(b));
  }
  Encoded e;
  for (char c : s)
    e.bytes[e.size++] = c;
  return e;
}

EncodingTable MakeTable(bool decimalPoint) {
  EncodingTable t{};
  for (unsigned b = 0; b < 256; ++b)
    t[b] = EncodeByte(static_cast<unsigned char>(b), decimalPoint);
  return t;
}

// Built when the program starts, so that reading them costs no check of whether they are.
const EncodingTable kTextTable = MakeTable(false);
const EncodingTable kNumberTable = MakeTable(true);

const EncodingTable& TableFor(bool decimalPoint) {
  return decimalPoint ? kNumberTable : kTextTable;
}

char* PutEncoded(char* at, std::string_view bytes, const EncodingTable& table) {
  for (const char c : bytes) {
    const Encoded& e = table[static_cast<unsigned char>(c)];
    std::memcpy(at, &e, sizeof e);
    at += e.size;
  }
  return at;
}

void AppendEncoded(std::string& out, std::string_view bytes, bool decimalPoint) {
  ByteRoom room(out, XmlRoomFor(bytes.size()));
  room.at = PutEncoded(room.at, bytes, TableFor(decimalPoint));
}

}  // namespace

char* PutXmlText(char* at, std::string_view bytes) {
  return PutEncoded(at, bytes, TableFor(false));
}

char* PutXmlNumber(char* at, std::string_view bytes) {
  return PutEncoded(at, bytes, TableFor(true));
}

void AppendXmlText(std::string& out, std::string_view bytes) {
  AppendEncoded(out, bytes, false);
}
