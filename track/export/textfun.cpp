#include "textfun.h"

#include <bit>
#include <cstdint>

#include "byte_mask.h"

std::string_view LeftText(std::string_view s, long long n) {
  if (s.empty() || n <= 0) return {};
  if (static_cast<unsigned long long>(n) >= s.size()) return s;
  return s.substr(0, static_cast<std::size_t>(n));
}

std::string_view GetField(std::string_view s, long long n, char d) {
  std::string_view rest = s;
  std::string_view field;
  long long i = 0;
  for (;;) {
    ++i;
    // A plain loop: fields are short, and a library search per field costs more than it saves.
    std::size_t p = 0;
    while (p < rest.size() && rest[p] != d)
      ++p;
    if (p == rest.size()) {
      field = rest;
    } else {
      field = rest.substr(0, p);
      rest.remove_prefix(p + 1);
    }
    // The field can only equal the rest once the rest holds no delimiter: nothing further
    // to split.
    if (i == n || field == rest) return field;
  }
}

void LeadingFields(std::string_view s, char d, std::span<std::string_view> fields) {
  std::size_t found = 0;
  std::size_t start = 0;  // of the field being read
  const auto fieldEndsAt = [&](std::size_t at) {
    fields[found++] = s.substr(start, at - start);
    start = at + 1;
  };
  // Sixteen bytes at a time while the row has them, then byte by byte.
  std::size_t at = 0;
  for (; at + 16 <= s.size() && found < fields.size(); at += 16) {
    for (std::uint32_t ends = ByteMask16(s.data() + at, d); ends != 0 && found < fields.size();
         ends &= ends - 1)
      fieldEndsAt(at + static_cast<std::size_t>(std::countr_zero(ends)));
  }
  for (; at < s.size() && found < fields.size(); ++at) {
    if (s[at] == d) fieldEndsAt(at);
  }
  // No delimiter left: the rest is the last field, and every later number gives it too.
  for (; found < fields.size(); ++found)
    fields[found] = s.substr(start);
}

std::string ReplaceText(std::string_view s, std::string_view p, std::string_view r) {
  std::size_t at = p.empty() ? std::string_view::npos : s.find(p);
  if (at == std::string_view::npos) return std::string(s);

  std::string result;
  result.reserve(s.size());
  std::size_t copied = 0;
  while (at != std::string_view::npos) {
    result.append(s.substr(copied, at - copied));
    result.append(r);
    copied = at + p.size();
    at = s.find(p, copied);
  }
  result.append(s.substr(copied));
  return result;
}

std::string Concat(std::initializer_list<std::string_view> parts) {
  std::size_t size = 0;
  for (auto p : parts)
    size += p.size();
  std::string s;
  s.reserve(size);
  for (auto p : parts)
    s.append(p);
  return s;
}
