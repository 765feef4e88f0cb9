// The few error numbers the file code decides by, in the numbering the running system's file
// calls report (errno on POSIX, Win32 error codes on Windows).
#pragma once

// Reasons of the program's own, which no system's error numbers reach: the file layer says
// them in its own words.
inline constexpr int kErrorPlantedLink = -1001;   // a link someone else may have planted
inline constexpr int kErrorSharedFile = -1002;    // not to be written into where others may write
inline constexpr int kErrorLocked = -1003;        // another program kept its lock past the wait
inline constexpr int kErrorReplaced = -1004;      // another file took the name as it was reached
inline constexpr int kErrorTooManySaves = -1005;  // no room left to remove one more on a signal

#ifdef _WIN32
inline constexpr int kErrorNotFound = 2;       // ERROR_FILE_NOT_FOUND
inline constexpr int kErrorDenied = 5;         // ERROR_ACCESS_DENIED
inline constexpr int kErrorExists = 80;        // ERROR_FILE_EXISTS
inline constexpr int kErrorIsFolder = 5;       // a folder refuses writing as access denied
inline constexpr int kErrorReadOnlyDisk = 19;  // ERROR_WRITE_PROTECT
inline constexpr int kErrorIsLink = 1920;      // ERROR_CANT_ACCESS_FILE: a link where a file was
inline constexpr int kErrorUnsupported = 50;   // ERROR_NOT_SUPPORTED
inline constexpr bool IsRefusal(int error) {
  return error == kErrorDenied || error == kErrorReadOnlyDisk;
}
#else
#include <cerrno>
inline constexpr int kErrorNotFound = ENOENT;
inline constexpr int kErrorDenied = EACCES;
inline constexpr int kErrorExists = EEXIST;
inline constexpr int kErrorIsFolder = EISDIR;
inline constexpr int kErrorIsLink = ELOOP;  // a link where a file was, not followed
inline constexpr int kErrorUnsupported = EOPNOTSUPP;
inline constexpr bool IsRefusal(int error) {
  return error == EACCES || error == EPERM || error == EROFS;
}
#endif
