#include "run_command.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "pane_test_support.h"

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

CommandResult RunCommand(const std::string& command, const std::string& input) {
  ScratchDir dir;
  const std::string in = dir / "in", out = dir / "out", err = dir / "err";
  WriteBytes(in, input);
  const std::string full =
      "(" + command + ") <" + ShellQuote(in) + " >" + ShellQuote(out) + " 2>" + ShellQuote(err);
  const int raw = std::system(full.c_str());
  CommandResult result;
  result.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
  result.out = ReadBytes(out);
  result.err = ReadBytes(err);
  return result;
}

bool HaveTool(const std::string& program) {
  return RunCommand("command -v " + ShellQuote(program)).status == 0;
}
