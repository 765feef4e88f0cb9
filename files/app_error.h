// The one error type of the program: a failure that carries the message shown to the user.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

// What went wrong, for the callers that act on it.
enum class ErrorKind {
  Failure,       // anything else that stopped the work
  Usage,         // the command line cannot be used as given
  CannotOpen,    // a file could not be opened or read; the message names it
  CannotCreate,  // a file or folder could not be made or replaced; the message names it
  Refused,       // a rule of saving keeps a file as it is
  WriteFailed,   // writing a file failed
  NotAnExport,   // the text is not a track export
};

// `reason`: the system's words for why, where the message alone would hide it ("No space
// left on device" after "Stream write error"); the window shows the message as it always
// has, the tool adds the reason. `subject`: the full path of the file the message names,
// where it names one.
class AppError : public std::runtime_error {
 public:
  explicit AppError(const std::string& message, std::string reason = {})
      : AppError(ErrorKind::Failure, message, std::move(reason)) {}
  AppError(ErrorKind kind, const std::string& message, std::string reason = {},
           std::string subject = {})
      : std::runtime_error(message),
        kind_(kind),
        reason_(std::move(reason)),
        subject_(std::move(subject)) {}
  ErrorKind Kind() const { return kind_; }
  const std::string& Reason() const { return reason_; }
  const std::string& Subject() const { return subject_; }

 private:
  ErrorKind kind_;
  std::string reason_;
  std::string subject_;
};

// The message as the user is shown it: a "." appended when the last character's byte value
// is above that of ".".
std::string DisplayMessage(std::string_view message);
// The same followed by the system's reason, as the tool reports errors: "Stream write error.
// No space left on device."
std::string DisplayMessageWithReason(const AppError& error);
