// Runs a shell command for tests that drive programs: its exit status and what it printed.
#pragma once

#include <string>

struct CommandResult {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out;  // standard output
  std::string err;  // standard error
};

CommandResult RunCommand(const std::string& command, const std::string& input = {});

// Quotes a text for the shell.
std::string ShellQuote(const std::string& text);

// True when the program is on PATH. Tests that need a missing tool skip, or fail under CI.
bool HaveTool(const std::string& program);
#define REQUIRE_TOOL(program)                                                    \
  do {                                                                           \
    if (!HaveTool(program)) {                                                    \
      const char* ci = std::getenv("CI");                                        \
      if (ci != nullptr && std::string(ci) == "true") {                          \
        FAIL() << (program) << " is missing (scripts/setup.sh installs it)";     \
      }                                                                          \
      GTEST_SKIP() << (program) << " is missing (scripts/setup.sh installs it)"; \
    }                                                                            \
  } while (0)
