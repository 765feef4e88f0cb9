// The errors of loading and saving, with the messages the user sees.
#pragma once

#include <string>

#include "app_error.h"
#include "os_files.h"

// "Cannot open file "<full path>". <system text>"
AppError OpenError(OsFiles& os, const std::string& name, int error);
// "Cannot create file "<full path>". <system text>"
AppError CreateError(OsFiles& os, const std::string& name, int error);
// "Cannot read file "<full path>". <system text>"
AppError ReadError(OsFiles& os, const std::string& name, const std::string& what);
AppError ReadError(OsFiles& os, const std::string& name, int error);
AppError WriteError();

// The system's text for an error without its trailing blanks, control characters and ".".
std::string TrimmedErrorText(std::string text);
