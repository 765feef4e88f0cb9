// Text gathered for a pane in blocks, made one string once: growing it never copies what it
// holds, and making the string frees each block as it is copied, so that a large text (the
// KML of a large export) is held about once at its peak, not the two or three times that a
// growing string's doubling costs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class GatheredText {
 public:
  GatheredText& append(std::string_view text);
  bool empty() const { return size_ == 0; }
  // The text in one string; nothing is left gathered.
  std::string Take();

 private:
  static constexpr std::size_t kFirstBlock = 4 << 10;
  // Larger than the C library keeps in its heap: a block freed goes back to the system.
  static constexpr std::size_t kBlock = 64 << 20;
  std::vector<std::string> blocks_;
  std::size_t size_ = 0;
};
