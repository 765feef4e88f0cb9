#include "standard_output.h"

#include <unistd.h>

#include <iostream>

#include "app_error.h"
#include "file_handle.h"
#include "tool_messages.h"

void StandardOutput::Write(std::string_view text) {
  if (failed_) return;
  try {
    WriteAll(os_, STDOUT_FILENO, text);
  } catch (const AppError& error) {
    failed_ = true;
    std::cerr << tool_messages::kProgram
              << Filled(tool_messages::kStandardOutput, {DisplayMessageWithReason(error)}) << '\n';
  }
}
