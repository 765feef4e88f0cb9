// Writes a generated export (and optionally its fixes as plain CSV) for scripts.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "export_generator.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: trackkml-gen-export ROWS OUT.csv [FIXES.csv]\n";
    return 2;
  }
  ExportShape shape;
  shape.rows = std::strtoull(argv[1], nullptr, 10);
  const auto generated = GenerateExport(shape);
  std::ofstream(argv[2], std::ios::binary) << generated.bytes;
  if (argc > 3) std::ofstream(argv[3], std::ios::binary) << FixesAsPlainCsv(generated.bytes);
  std::cout << generated.rows << " rows, " << generated.rowsWithoutFix << " without a fix\n";
  return 0;
}
