#include "private_folder.h"

#include "file_errors.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

#include "app_error.h"
#include "file_handle.h"
#include "file_messages.h"
#include "path_text.h"
#include "system_errors.h"

namespace fs = std::filesystem;
using namespace file_messages;

namespace {

constexpr std::string_view kPrefix = "trackkml-";

bool IsOurName(std::string_view name) {
  return name.starts_with(kPrefix) && name.size() > kPrefix.size() &&
         name.find_first_not_of("0123456789", kPrefix.size()) == std::string_view::npos;
}

long long Now() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

PrivateFolder::PrivateFolder(OsFiles& os, std::string leaf)
    : os_(os), fileLeaf_(std::move(leaf)), hold_(os) {
  std::error_code error;
  const fs::path temporary = fs::temp_directory_path(error);
  if (error) throw AppError(std::string(kNoTemporaryFolder), error.message());
  std::string unused;
  parent_ = os_.OpenSaveFolder(TextFromPath(temporary / "x"), unused);
  if (parent_ < 0) {
    throw AppError(Filled(kTemporaryFolderUnusable, {TextFromPath(temporary)}),
                   os_.ErrorText(errno));
  }
  RemoveStale(temporary);
  std::random_device random;
  int reason = 0;
  for (int attempt = 0; attempt < 16 && leaf_.empty(); ++attempt) {
    const std::string name = std::string(kPrefix) + std::to_string(random());
    // A signal between the folder's making and its registering would leave it behind.
    os_.HoldSignals();
    // A name someone else took is never used: only a folder made here, for this user alone.
    if (os_.MakePrivateFolder(parent_, name) == 0) {
      if (os_.RemoveOnSignal(parent_, name)) {
        leaf_ = name;
      } else {
        os_.RemoveFolder(parent_, name);
        attempt = 16;  // no other name has more room
        errno = kErrorTooManySaves;
      }
    }
    reason = errno;
    os_.ReleaseSignals();
  }
  if (leaf_.empty()) {
    os_.Close(parent_);
    throw AppError(Filled(kNoPrivateFolder, {TextFromPath(temporary)}), ReasonText(os_, reason));
  }
  path_ = temporary / PathFromText(leaf_);
  folder_ = os_.OpenSaveFolder(TextFromPath(path_ / "x"), unused);
  if (folder_ < 0) return;
  if (!os_.RemoveOnSignal(folder_, fileLeaf_)) {  // the folder is then of no use
    os_.Close(folder_);
    folder_ = -1;
    return;
  }
  // A lock of its own on the folder shows a later run that it is in use.
  hold_.Reset(os_.OpenToRead(folder_, "."));
  if (hold_.IsOpen() && os_.Lock(hold_.fd(), 0) != 0) hold_.Close();
}

PrivateFolder::~PrivateFolder() {
  if (folder_ >= 0) {
    os_.Remove(folder_, fileLeaf_);
    os_.ForgetOnSignal(folder_, fileLeaf_);
    hold_.Close();
    os_.Close(folder_);
  }
  os_.RemoveFolder(parent_, leaf_);
  os_.ForgetOnSignal(parent_, leaf_);
  os_.Close(parent_);
}

void PrivateFolder::RemoveStale(const fs::path& temporary) {
  // What a run that was killed (SIGKILL, a power cut) left: a folder of ours, this user's,
  // that no run holds a lock on, and old enough that its run is long gone.
  const auto names = os_.Names(parent_);
  if (!names) return;
  for (const auto& name : *names) {
    if (!IsOurName(name)) continue;
    const auto facts = os_.FactsAt(parent_, name);
    if (!facts || facts->kind != FileFacts::Kind::Folder || !facts->ownedByUser ||
        Now() - facts->modified < kStaleSeconds) {
      continue;
    }
    std::string unused;
    const FileHandle folder(
        os_, os_.OpenSaveFolder(TextFromPath(temporary / PathFromText(name) / "x"), unused));
    if (!folder.IsOpen() || os_.FactsOf(folder.fd())->id != facts->id) continue;
    const FileHandle lock(os_, os_.OpenToRead(folder.fd(), "."));
    if (!lock.IsOpen() || os_.Lock(lock.fd(), 0) != 0) continue;
    for (const auto& file : os_.Names(folder.fd()).value_or(std::vector<std::string>{})) {
      const auto inside = os_.FactsAt(folder.fd(), file);
      if (inside && inside->kind == FileFacts::Kind::Regular) os_.Remove(folder.fd(), file);
    }
    os_.RemoveFolder(parent_, name);
  }
}

std::string PrivateFolder::Utf8Name() const {
  return TextFromPath(path_);
}

std::string PrivateFolder::Utf8FileName() const {
  return TextFromPath(path_ / PathFromText(fileLeaf_));
}

std::string PrivateFolder::ReadFile() const {
  std::ifstream file(path_ / PathFromText(fileLeaf_), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!file.good() && !file.eof()) throw AppError(std::string(kTemporaryUnreadable));
  return bytes;
}
