#include "file_errors.h"

namespace {

AppError FileError(std::string_view verb, OsFiles& os, const std::string& name,
                   const std::string& what) {
  std::string message = "Cannot ";
  message.append(verb).append(" file \"").append(os.FullPath(name)).append("\". ");
  message.append(what);
  return AppError(message);
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

AppError OpenError(OsFiles& os, const std::string& name, int error) {
  return FileError("open", os, name, TrimmedErrorText(os.ErrorText(error)));
}

AppError CreateError(OsFiles& os, const std::string& name, int error) {
  return FileError("create", os, name, TrimmedErrorText(os.ErrorText(error)));
}

AppError ReadError(OsFiles& os, const std::string& name, const std::string& what) {
  return FileError("read", os, name, what);
}

AppError ReadError(OsFiles& os, const std::string& name, int error) {
  return ReadError(os, name, TrimmedErrorText(os.ErrorText(error)));
}

AppError WriteError() {
  return AppError("Stream write error");
}

AppError WriteError(OsFiles& os, int error) {
  return AppError("Stream write error", error == 0 ? "" : TrimmedErrorText(os.ErrorText(error)));
}

AppError ReplacedError(OsFiles& os, const std::string& name) {
  return FileError("create", os, name, "Another file took its place while it was being saved");
}
