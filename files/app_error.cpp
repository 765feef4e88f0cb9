#include "app_error.h"

std::string DisplayMessage(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text.push_back('.');
  return text;
}

std::string DisplayMessageWithReason(const AppError& error) {
  std::string text = DisplayMessage(error.what());
  if (!error.Reason().empty()) text.append(" ").append(DisplayMessage(error.Reason()));
  return text;
}
