#include "file_handle.h"

#include <cerrno>

#include "file_errors.h"

void WriteAll(OsFiles& os, int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const long n = os.WriteSome(fd, bytes.data(), bytes.size());
    if (n < 0) throw WriteError(os, errno);
    if (n == 0) throw WriteError();
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}
