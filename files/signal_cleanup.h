// What a signal (or Ctrl-C on Windows) that ends the program must remove first: the temporary
// files and private folders of the saves under way. A handler can take no lock and make no
// allocation, so the table is fixed, written before a file is made and read as it stands.
// Each system's calls keep one, with names in their own form (a leaf beside a folder's
// descriptor, or a whole wide path, as bytes).
#pragma once

#include <array>
#include <csignal>
#include <cstddef>
#include <span>
#include <string_view>

class SignalCleanupTable {
 public:
  // More than the outputs of one export, the index, a workbook and its private folder; a
  // save that would need another is refused rather than left to chance.
  static constexpr std::size_t kSlots = 32;
  // A whole Windows path in UTF-16 and its terminating NUL.
  static constexpr std::size_t kLongestName = 65536;

  struct Entry {
    volatile std::sig_atomic_t armed = 0;
    int folder = -1;
    alignas(4) std::array<char, kLongestName + 2> name{};  // NUL-terminated for either width
  };

  // False, arming nothing, when every slot is armed or the name does not fit.
  bool Arm(int folder, std::string_view name);
  void Disarm(int folder, std::string_view name);
  bool AnyArmed() const;
  // In the order they were armed within their slots; a handler reads them as they stand.
  std::span<const Entry> Entries() const { return entries_; }

 private:
  std::array<Entry, kSlots> entries_{};
};
