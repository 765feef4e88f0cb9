#include "file_errors.h"

#include "file_messages.h"
#include "system_errors.h"

namespace {

using namespace file_messages;

AppError FileError(ErrorKind kind, std::string_view message, OsFiles& os, const std::string& name,
                   const std::string& what) {
  const std::string path = os.FullPath(name);
  return AppError(kind, Filled(message, {path, what}), {}, path);
}

}  // namespace

std::string TrimmedErrorText(std::string text) {
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text.back());
    if (c > ' ' && c != '.' && c != 0x7F) break;
    text.pop_back();
  }
  return text;
}

std::string ReasonText(OsFiles& os, int error) {
  switch (error) {
    case kErrorPlantedLink:
      return std::string(kPlantedLink);
    case kErrorSharedFile:
      return std::string(kSharedFile);
    case kErrorLocked:
      return std::string(kLocked);
    case kErrorReplaced:
      return std::string(kReplacedWhileSaving);
    case kErrorTooManySaves:
      return std::string(kTooManySaves);
    default:
      return TrimmedErrorText(os.ErrorText(error));
  }
}

AppError OpenError(OsFiles& os, const std::string& name, int error) {
  return FileError(ErrorKind::CannotOpen, kCannotOpen, os, name, ReasonText(os, error));
}

AppError CreateError(OsFiles& os, const std::string& name, int error) {
  return FileError(ErrorKind::CannotCreate, kCannotCreate, os, name, ReasonText(os, error));
}

AppError MakeFolderError(OsFiles& os, const std::string& name, int error) {
  return FileError(ErrorKind::CannotCreate, kCannotMakeFolder, os, name, ReasonText(os, error));
}

AppError ReadError(OsFiles& os, const std::string& name, const std::string& what) {
  return FileError(ErrorKind::CannotOpen, kCannotRead, os, name, what);
}

AppError ReadError(OsFiles& os, const std::string& name, int error) {
  return ReadError(os, name, ReasonText(os, error));
}

AppError WriteError() {
  return AppError(ErrorKind::WriteFailed, std::string(kStreamWriteError));
}

AppError WriteError(OsFiles& os, int error) {
  return AppError(ErrorKind::WriteFailed, std::string(kStreamWriteError),
                  error == 0 ? "" : ReasonText(os, error));
}

AppError ReplacedError(OsFiles& os, const std::string& name) {
  return FileError(ErrorKind::CannotCreate, kCannotCreate, os, name,
                   std::string(kReplacedWhileSaving));
}
