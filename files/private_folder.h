// A folder of the program's own in the user's temporary folder, that only the user may enter,
// for a library that can only write to a file name. What is in it is removed with it, also
// when a signal (Ctrl-C) ends the program, or by the next run when the program was killed.
#pragma once

#include <filesystem>
#include <string>

#include "file_handle.h"
#include "os_files.h"

class PrivateFolder {
 public:
  // `leaf`: the one file the library will leave there. Raises AppError with the reason when no
  // such folder can be made.
  PrivateFolder(OsFiles& os, std::string leaf);
  ~PrivateFolder();
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  // The folder, or its file, named in UTF-8 (as the library takes names, on Windows too).
  std::string Utf8Name() const;
  std::string Utf8FileName() const;
  // The bytes the library wrote to the file.
  std::string ReadFile() const;

  // A folder of ours this long without a run that holds it was left by a killed run, and
  // is removed by the next.
  static constexpr long long kStaleSeconds = 60;

 private:
  OsFiles& os_;
  std::filesystem::path path_;
  std::string fileLeaf_;
  int parent_ = -1;   // the temporary folder
  std::string leaf_;  // the private folder's name there
  int folder_ = -1;   // the private folder
  FileHandle hold_;   // holds a lock on it while the run lives

  void RemoveStale(const std::filesystem::path& temporary);
};
