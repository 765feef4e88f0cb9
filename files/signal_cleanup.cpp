#include "signal_cleanup.h"

#include <algorithm>

bool SignalCleanupTable::Arm(int folder, std::string_view name) {
  if (name.size() > kLongestName) return false;
  for (Entry& entry : entries_) {
    if (entry.armed) continue;
    std::copy(name.begin(), name.end(), entry.name.begin());
    entry.name[name.size()] = entry.name[name.size() + 1] = '\0';
    entry.folder = folder;
    entry.armed = 1;  // last: a handler sees the slot only once it is whole
    return true;
  }
  return false;
}

void SignalCleanupTable::Disarm(int folder, std::string_view name) {
  for (Entry& entry : entries_) {
    if (entry.armed && entry.folder == folder &&
        std::string_view(entry.name.data(), name.size()) == name &&
        entry.name[name.size()] == '\0' && entry.name[name.size() + 1] == '\0')
      entry.armed = 0;
  }
}

bool SignalCleanupTable::AnyArmed() const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [](const Entry& entry) { return entry.armed != 0; });
}
