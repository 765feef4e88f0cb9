#include "cp1253.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <map>
#include <optional>

namespace {

// The system's own converter, as an independent witness of the table: iconv here, the
// code page's own table on Windows.
#ifdef _WIN32
std::optional<std::string> SystemToUtf8(unsigned char byte) {
  const char in = static_cast<char>(byte);
  wchar_t wide[2];
  const int n = ::MultiByteToWideChar(1253, MB_ERR_INVALID_CHARS, &in, 1, wide, 2);
  if (n <= 0) return std::nullopt;
  char out[8];
  const int m = ::WideCharToMultiByte(CP_UTF8, 0, wide, n, out, sizeof out, nullptr, nullptr);
  return std::string(out, static_cast<std::size_t>(m));
}
#else
std::optional<std::string> SystemToUtf8(unsigned char byte) {
  iconv_t cd = iconv_open("UTF-8", "CP1253");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  char in[1] = {static_cast<char>(byte)};
  char out[8];
  char* inp = in;
  char* outp = out;
  std::size_t inLeft = 1, outLeft = sizeof out;
  const std::size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) return std::nullopt;
  return std::string(out, outp);
}
#endif

const std::map<unsigned, char32_t> kUnassigned = {
    {0x81, 0x81}, {0x88, 0x88}, {0x8A, 0x8A},   {0x8C, 0x8C},   {0x8D, 0x8D},   {0x8E, 0x8E},
    {0x8F, 0x8F}, {0x90, 0x90}, {0x98, 0x98},   {0x9A, 0x9A},   {0x9C, 0x9C},   {0x9D, 0x9D},
    {0x9E, 0x9E}, {0x9F, 0x9F}, {0xAA, 0xF8F9}, {0xD2, 0xF8FA}, {0xFF, 0xF8FB},
};

TEST(Cp1253, AssignedBytesMatchTheSystemConverter) {
  ASSERT_TRUE(SystemToUtf8('A').has_value()) << "the system has no CP1253";
  int assigned = 0;
  for (unsigned b = 1; b < 256; ++b) {
    if (kUnassigned.count(b)) continue;
    const auto witness = SystemToUtf8(static_cast<unsigned char>(b));
    ASSERT_TRUE(witness.has_value()) << "the system refuses byte " << std::hex << b;
    std::string ours;
    AppendUtf8(ours, Cp1253ToUnicode(static_cast<unsigned char>(b)));
    EXPECT_EQ(ours, *witness) << "byte " << std::hex << b;
    ++assigned;
  }
  EXPECT_EQ(assigned, 255 - 17);
}

#ifdef _WIN32
TEST(Cp1253, UnassignedBytesMatchTheWindowsTable) {
  for (const auto& [byte, ch] : kUnassigned) {
    const char in = static_cast<char>(byte);
    wchar_t wide = 0;
    ASSERT_EQ(::MultiByteToWideChar(1253, 0, &in, 1, &wide, 1), 1) << std::hex << byte;
    EXPECT_EQ(Cp1253ToUnicode(static_cast<unsigned char>(byte)), static_cast<char32_t>(wide))
        << std::hex << byte;
  }
}
#endif

TEST(Cp1253, UnassignedBytesMapAsWindowsMapsThem) {
  for (const auto& [byte, ch] : kUnassigned) {
    EXPECT_EQ(Cp1253ToUnicode(static_cast<unsigned char>(byte)), ch) << std::hex << byte;
  }
  EXPECT_EQ(Cp1253ToUnicode(0x80), U'\u20AC');
  EXPECT_EQ(Cp1253ToUnicode(0xA2), U'\u0386');
  EXPECT_EQ(Cp1253ToUnicode(0xC1), U'\u0391');
  EXPECT_EQ(Cp1253ToUnicode(0xFE), U'\u03CE');
}

TEST(Cp1253, EveryByteRoundTripsAndForeignCharactersHaveNoByte) {
  for (unsigned b = 0; b < 256; ++b) {
    const auto back = UnicodeToCp1253(Cp1253ToUnicode(static_cast<unsigned char>(b)));
    ASSERT_TRUE(back.has_value()) << b;
    EXPECT_EQ(*back, b);
  }
  for (char32_t foreign : {U'\u00E9', U'\u0410', U'\u4E2D', U'\U0001F600', U'\u00FF'}) {
    EXPECT_FALSE(UnicodeToCp1253(foreign).has_value()) << static_cast<unsigned>(foreign);
  }
}
}  // namespace
