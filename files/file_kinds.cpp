#include "file_kinds.h"

#include <algorithm>
#include <string>

namespace {

// Up to `count` bytes from `offset`; fewer where the file ends, nothing on failure.
std::string BytesAt(OsFiles& os, int fd, unsigned long long offset, std::size_t count) {
  std::string bytes(count, '\0');
  std::size_t got = 0;
  while (got < count) {
    const long n = os.ReadAt(fd, bytes.data() + got, count - got, offset + got);
    if (n < 0) return {};
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

}  // namespace

bool HoldsMark(OsFiles& os, int fd, std::string_view mark) {
  return BytesAt(os, fd, 0, 1024).find(mark) != std::string::npos;
}

bool IsWorkbook(OsFiles& os, int fd) {
  const long long size = os.SizeOf(fd);
  if (size < 22 || BytesAt(os, fd, 0, 4) != std::string_view("PK\x03\x04", 4)) return false;
  // The list of parts and its end record close the archive; a workbook's list is small.
  constexpr std::size_t kTail = 1 << 20;
  const auto tailSize = static_cast<std::size_t>(std::min<long long>(size, kTail));
  const std::string tail =
      BytesAt(os, fd, static_cast<unsigned long long>(size) - tailSize, tailSize);
  const std::size_t end = tail.rfind(std::string_view("PK\x05\x06", 4));
  if (end == std::string::npos) return false;
  const std::size_t part = tail.rfind("xl/workbook.xml", end);
  // Named in an entry of the list: its header stands 46 bytes before the name.
  return part != std::string::npos && part >= 46 &&
         tail.compare(part - 46, 4, std::string_view("PK\x01\x02", 4)) == 0;
}
