#include "private_folder.h"

#include <fstream>
#include <iterator>
#include <random>

#include "app_error.h"
#include "file_messages.h"

namespace fs = std::filesystem;
using namespace file_messages;

namespace {

std::string Utf8(const fs::path& path) {
  const std::u8string name = path.u8string();
  return std::string(name.begin(), name.end());
}

}  // namespace

PrivateFolder::PrivateFolder(OsFiles& os, std::string leaf) : os_(os), fileLeaf_(std::move(leaf)) {
  std::error_code error;
  const fs::path temporary = fs::temp_directory_path(error);
  if (error) throw AppError(std::string(kNoTemporaryFolder), error.message());
  std::string unused;
  parent_ = os_.OpenSaveFolder(Utf8(temporary / "x"), unused);
  if (parent_ < 0) {
    throw AppError(Filled(kTemporaryFolderUnusable, {Utf8(temporary)}), os_.ErrorText(errno));
  }
  std::random_device random;
  for (int attempt = 0; attempt < 16 && leaf_.empty(); ++attempt) {
    const std::string name = "trackkml-" + std::to_string(random());
    // A name someone else took is never used: only a folder made here, for this user alone.
    if (os_.MakePrivateFolder(parent_, name) == 0) leaf_ = name;
  }
  if (leaf_.empty()) {
    const int reason = errno;
    os_.Close(parent_);
    throw AppError(Filled(kNoPrivateFolder, {Utf8(temporary)}), os_.ErrorText(reason));
  }
  os_.RemoveOnSignal(parent_, leaf_);
  path_ = temporary / leaf_;
  folder_ = os_.OpenSaveFolder(Utf8(path_ / "x"), unused);
  if (folder_ >= 0) os_.RemoveOnSignal(folder_, fileLeaf_);
}

PrivateFolder::~PrivateFolder() {
  if (folder_ >= 0) {
    os_.Remove(folder_, fileLeaf_);
    os_.ForgetOnSignal(folder_, fileLeaf_);
    os_.Close(folder_);
  }
  os_.RemoveFolder(parent_, leaf_);
  os_.ForgetOnSignal(parent_, leaf_);
  os_.Close(parent_);
}

std::string PrivateFolder::Utf8Name() const {
  return Utf8(path_);
}

std::string PrivateFolder::Utf8FileName() const {
  return Utf8(path_ / fileLeaf_);
}

std::string PrivateFolder::ReadFile() const {
  std::ifstream file(path_ / fileLeaf_, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!file.good() && !file.eof()) throw AppError(std::string(kTemporaryUnreadable));
  return bytes;
}
