// The program's arguments as UTF-8 file names and options. Windows hands them over as UTF-16,
// and its console shows UTF-8 only when asked.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> ProgramArguments(int argc, char** argv);
