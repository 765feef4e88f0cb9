// The tool's standard output, written through the file layer so that a report or a list of
// files that cannot be written (a full disk, /dev/full) is noticed, said once, and fails the
// run instead of vanishing.
#pragma once

#include <string_view>

#include "os_files.h"

class StandardOutput {
 public:
  explicit StandardOutput(OsFiles& os) : os_(os) {}

  // Writes the text whole; after a failure, which it reports, nothing more is written.
  void Write(std::string_view text);
  bool Failed() const { return failed_; }

 private:
  OsFiles& os_;
  bool failed_ = false;
};
