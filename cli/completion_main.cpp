// Writes the bash completion of trackkml-cli, made from its table of options, for the package.
#include <iostream>

#include "cli_options.h"

int main() {
  std::cout << BashCompletion();
  return std::cout.flush() ? 0 : 1;
}
