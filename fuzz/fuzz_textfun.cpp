// The text helpers against a second, deliberately naive implementation of the same words.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "textfun.h"

namespace {

// "the first N characters; empty for an empty text or N of 0 or less; all when N reaches it"
std::string NaiveLeft(const std::string& s, long long n) {
  std::string out;
  for (long long i = 0; i < n && i < static_cast<long long>(s.size()); ++i)
    out += s[i];
  return out;
}

// "field N when the text has at least N fields, else the last field"
std::string NaiveField(const std::string& s, long long n, char d) {
  std::vector<std::string> fields(1);
  for (char c : s) {
    if (c == d) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  if (n >= 1 && n <= static_cast<long long>(fields.size())) return fields[n - 1];
  return fields.back();
}

// "every occurrence, left to right, never overlapping, the replacement not scanned again"
std::string NaiveReplace(const std::string& s, const std::string& p, const std::string& r) {
  if (p.empty()) return s;
  std::string out;
  std::size_t i = 0;
  while (i < s.size()) {
    if (s.compare(i, p.size(), p) == 0 && i + p.size() <= s.size()) {
      out += r;
      i += p.size();
    } else {
      out += s[i++];
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const long long n = static_cast<int8_t>(data[0]);
  const char d = static_cast<char>(data[1]);
  const std::size_t pLen = data[2] % 5, rLen = data[3] % 5;
  std::string rest(reinterpret_cast<const char*>(data + 4), size - 4);
  const std::string p = rest.substr(0, std::min(pLen, rest.size()));
  rest.erase(0, p.size());
  const std::string r = rest.substr(0, std::min(rLen, rest.size()));
  rest.erase(0, r.size());
  const std::string& s = rest;

  if (std::string(LeftText(s, n)) != NaiveLeft(s, n)) std::abort();
  if (std::string(GetField(s, n, d)) != NaiveField(s, n, d)) std::abort();
  if (std::string(GetField(s, n, ';')) != NaiveField(s, n, ';')) std::abort();
  if (ReplaceText(s, p, r) != NaiveReplace(s, p, r)) std::abort();
  std::string_view fields[7];
  LeadingFields(s, d, fields);
  for (long long k = 1; k <= 7; ++k) {
    if (fields[k - 1] != NaiveField(s, k, d)) std::abort();
  }
  return 0;
}
