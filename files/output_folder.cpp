#include "output_folder.h"

#include <filesystem>

#include "app_error.h"
#include "file_messages.h"

void MakeFolders(const std::string& name) {
  namespace fs = std::filesystem;
  const fs::path path(std::u8string(name.begin(), name.end()));
  std::error_code error;
  if (fs::is_directory(path, error)) return;
  fs::create_directories(path, error);
  if (error) throw AppError(Filled(file_messages::kCannotMakeFolder, {name}), error.message());
}
