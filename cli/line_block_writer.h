// Lines gathered into large blocks, each line followed by CR LF, and handed on block by
// block: the bytes a pane holds after one AppendLine per line, without holding them all.
#pragma once

#include <functional>
#include <string>
#include <string_view>

class LineBlockWriter {
 public:
  using BlockWriter = std::function<void(std::string_view block)>;
  explicit LineBlockWriter(BlockWriter write, std::size_t blockSize = 1 << 20);

  void Line(std::string_view line);
  // Hands on what is gathered; call once after the last line.
  void Finish();

 private:
  BlockWriter write_;
  std::size_t blockSize_;
  std::string block_;
};
