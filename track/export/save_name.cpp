#include "save_name.h"

#include <algorithm>
#include <cctype>

#include "textfun.h"

namespace {

bool EndsWithCsvAnyCase(std::string_view name) {
  constexpr std::string_view kCsv = ".csv";
  if (name.size() < kCsv.size()) return false;
  return std::equal(kCsv.begin(), kCsv.end(), name.end() - kCsv.size(), [](char a, char b) {
    return a == std::tolower(static_cast<unsigned char>(b));
  });
}

}  // namespace

std::string SaveNameFor(std::string_view accepted, std::string_view extension) {
  if (accepted.empty()) return {};
  std::string name = ReplaceText(accepted, ".csv", extension);
  if (name != accepted) return name;
  if (EndsWithCsvAnyCase(accepted)) {
    name.replace(name.size() - 4, 4, extension);
  } else {
    name.append(extension);
  }
  return name;
}
