#include "path_text.h"

namespace fs = std::filesystem;

namespace {

std::string FromUtf8(const std::u8string& text) {
  return std::string(text.begin(), text.end());
}

}  // namespace

fs::path PathFromText(std::string_view text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

std::string TextFromPath(const fs::path& path) {
  return FromUtf8(path.u8string());
}

std::string GenericTextFromPath(const fs::path& path) {
  return FromUtf8(path.generic_u8string());
}
