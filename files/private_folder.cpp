#include "private_folder.h"

#include <fstream>
#include <iterator>
#include <random>

#include "app_error.h"

namespace fs = std::filesystem;

PrivateFolder::PrivateFolder() {
  std::error_code error;
  const fs::path temporary = fs::temp_directory_path(error);
  if (error) throw AppError("No temporary folder to write in", error.message());
  std::random_device random;
  for (int attempt = 0; attempt < 16; ++attempt) {
    const fs::path path = temporary / ("trackkml-" + std::to_string(random()));
    // A name someone already took is never used: only a folder made here.
    if (!fs::create_directory(path, error)) {
      if (error) break;
      continue;
    }
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace, error);
    path_ = path;
    if (error) break;
    return;
  }
  std::error_code ignored;
  if (!path_.empty()) fs::remove_all(path_, ignored);
  throw AppError("No temporary folder could be made in \"" + temporary.string() + "\"",
                 error.message());
}

PrivateFolder::~PrivateFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string PrivateFolder::Utf8Name(const std::string& leaf) const {
  const std::u8string name = (leaf.empty() ? path_ : path_ / leaf).u8string();
  return std::string(name.begin(), name.end());
}

std::string PrivateFolder::Read(const std::string& leaf) const {
  std::ifstream file(path_ / leaf, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!file.good() && !file.eof()) throw AppError("The temporary workbook could not be read");
  return bytes;
}
