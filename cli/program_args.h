// The program's arguments as UTF-8 file names and options. Windows hands them over as UTF-16
// in one command line, with file patterns (*.csv) left for the program to expand.
#pragma once

#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> ReadProgramArguments(int argc, char** argv);

// Windows' command line (as UTF-8) cut into arguments as its C runtime cuts them: blanks
// part them, quotes group, "" inside quotes and \" stand for a quote, backslashes before a
// quote are halved; the program's own name, first, is taken up to the next blank or quote.
std::vector<std::string> SplitCommandLine(std::string_view line);

// The files named by the file operands: on Windows, a "*" or "?" in the last part of an
// operand, quoted or not (no file name holds one; Explorer's "Copy as path" quotes), is a
// pattern, replaced by the files it matches in the order the command prompt lists them (an
// operand that matches nothing stays, to fail as a missing file does). Elsewhere the shell
// has done this already and the operands are the files.
std::vector<std::string> ExpandFilePatterns(const std::vector<std::string>& files);
