// The errors of loading and saving, with the messages the user sees.
#pragma once

#include <string>

#include "app_error.h"
#include "os_files.h"

// "Cannot open file "<full path>". <system text>"
AppError OpenError(OsFiles& os, const std::string& name, int error);
// "Cannot create file "<full path>". <system text>"
AppError CreateError(OsFiles& os, const std::string& name, int error);
// "Cannot make the folder "<full path>". <system text>"
AppError MakeFolderError(OsFiles& os, const std::string& name, int error);
// "Cannot read file "<full path>". <system text>"
AppError ReadError(OsFiles& os, const std::string& name, const std::string& what);
AppError ReadError(OsFiles& os, const std::string& name, int error);
// "Stream write error", with the system's words for `error` as its reason.
AppError WriteError();
AppError WriteError(OsFiles& os, int error);
// The create error for a target that another file took the place of between the checks and
// the writing.
AppError ReplacedError(OsFiles& os, const std::string& name);

// The words for an error number: the system's, or the file layer's own for its own reasons.
std::string ReasonText(OsFiles& os, int error);
// The system's text for an error without its trailing blanks, control characters and ".".
std::string TrimmedErrorText(std::string text);
