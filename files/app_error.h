// The one error type of the program: a failure that carries the message shown to the user.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

class AppError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The message as the user is shown it: a "." appended when the last character's byte value
// is above that of ".".
std::string DisplayMessage(std::string_view message);
