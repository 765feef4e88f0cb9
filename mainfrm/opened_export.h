// The export the window has open, and whether the KML pane holds the document Translate made
// from it: Save writes no other.
#pragma once

#include <optional>

#include "os_files.h"

class OpenedExport {
 public:
  // A name was accepted (Open, a drop, the command line); `file` is the file loaded from it,
  // none when it could not be loaded. Whatever the KML pane holds was made from another.
  void Accepted(std::optional<FileId> file) {
    file_ = file;
    translated_ = false;
  }
  // Translate made the KML pane's document from the export now open.
  void Translated() { translated_ = true; }

  bool KmlIsItsOwn() const { return translated_; }
  // The file the export was read from, whatever its name is now.
  std::optional<FileId> File() const { return file_; }

 private:
  std::optional<FileId> file_;
  bool translated_ = false;
};
