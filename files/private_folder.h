// A folder of the program's own in the user's temporary folder, that only the user may enter,
// for a library that can only write to a file name; removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

class PrivateFolder {
 public:
  // Raises AppError with the reason when no such folder can be made.
  PrivateFolder();
  ~PrivateFolder();
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  // The folder, or a file in it, named in UTF-8 (as the libraries take names on Windows too).
  std::string Utf8Name(const std::string& leaf = {}) const;
  // The bytes of a file a library wrote there.
  std::string Read(const std::string& leaf) const;

 private:
  std::filesystem::path path_;
};
