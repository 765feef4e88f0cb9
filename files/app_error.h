// The one error type of the program: a failure that carries the message shown to the user.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

// `reason`: the system's words for why, where the message alone would hide it ("No space
// left on device" after "Stream write error"); the window shows the message as it always
// has, the tool adds the reason.
class AppError : public std::runtime_error {
 public:
  explicit AppError(const std::string& message, std::string reason = {})
      : std::runtime_error(message), reason_(std::move(reason)) {}
  const std::string& Reason() const { return reason_; }

 private:
  std::string reason_;
};

// The message as the user is shown it: a "." appended when the last character's byte value
// is above that of ".".
std::string DisplayMessage(std::string_view message);
// The same followed by the system's reason, as the tool reports errors: "Stream write error.
// No space left on device."
std::string DisplayMessageWithReason(const AppError& error);
