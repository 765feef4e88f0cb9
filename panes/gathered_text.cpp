#include "gathered_text.h"

#include <algorithm>

GatheredText& GatheredText::append(std::string_view text) {
  if (text.empty()) return *this;
  if (blocks_.empty() || blocks_.back().size() + text.size() > blocks_.back().capacity()) {
    // Blocks grow twofold up to their largest size: a few lines take little room.
    const std::size_t next =
        blocks_.empty() ? kFirstBlock : std::min(kBlock, 2 * blocks_.back().capacity());
    blocks_.emplace_back().reserve(std::max(next, text.size()));
  }
  blocks_.back().append(text);
  size_ += text.size();
  return *this;
}

std::string GatheredText::Take() {
  std::string text;
  text.reserve(size_);
  for (std::string& block : blocks_) {
    text.append(block);
    std::string().swap(block);
  }
  blocks_.clear();
  size_ = 0;
  return text;
}
