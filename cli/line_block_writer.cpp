#include "line_block_writer.h"

LineBlockWriter::LineBlockWriter(BlockWriter write, std::size_t blockSize)
    : write_(std::move(write)), blockSize_(blockSize) {
  block_.reserve(blockSize_ + 4096);
}

void LineBlockWriter::Line(std::string_view line) {
  if (line.size() >= blockSize_) {
    // A line longer than a block (the route of a long day) goes on as it is, not copied.
    Finish();
    write_(line);
    block_.append("\r\n");
    return;
  }
  block_.append(line).append("\r\n");
  if (block_.size() >= blockSize_) Finish();
}

void LineBlockWriter::Finish() {
  if (block_.empty()) return;
  write_(block_);
  block_.clear();
}
