// Room made at the end of a string, written through a pointer and given back to the string's
// size when done: a document's many small appends become plain stores, with one check of the
// string's capacity for all of them.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

class ByteRoom {
 public:
  // Room for at most `most` bytes.
  ByteRoom(std::string& out, std::size_t most) : out_(out) {
    const std::size_t size = out.size();
    out.resize(size + most);
    at = out.data() + size;
  }
  ~ByteRoom() { out_.resize(static_cast<std::size_t>(at - out_.data())); }
  ByteRoom(const ByteRoom&) = delete;
  ByteRoom& operator=(const ByteRoom&) = delete;

  void Put(std::string_view bytes) {
    std::memcpy(at, bytes.data(), bytes.size());
    at += bytes.size();
  }
  void Put(char c) { *at++ = c; }

  char* at;  // where the next byte goes

 private:
  std::string& out_;
};
