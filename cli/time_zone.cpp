#include "time_zone.h"

#include <algorithm>
#include <cctype>

#include "path_name.h"
#include "shown_text.h"
#include "tool_messages.h"

bool IsZoneName(std::string_view name) {
  if (name.empty() || name.size() > 255) return false;
  for (std::size_t at = 0; at <= name.size();) {
    const std::size_t end = std::min(name.find('/', at), name.size());
    const std::string_view part = name.substr(at, end - at);
    const bool word = !part.empty() && std::all_of(part.begin(), part.end(), [](char c) {
      return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '+';
    });
    if (!word || IsDeviceName(part)) return false;
    at = end + 1;
  }
  return true;
}

AppError UnknownZone(const std::string& name) {
  return AppError(ErrorKind::Usage, Filled(tool_messages::kUnknownZone, {Shown(name)}));
}
