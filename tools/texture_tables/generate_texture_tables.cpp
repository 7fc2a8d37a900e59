// Prints the gamma lookup tables of texture/gamma_tables.cpp as C++ initialisers:
//   generate_texture_tables > table.txt, then paste over the two arrays.
#include <cstdio>

#include "tools/texture_tables/gamma_table_values.h"

namespace {

void printTable(const char* name, float (*entry)(int)) {
  std::printf("constexpr std::array<float, %d> %s = {\n", texture_tables::kGammaTableSize, name);
  for (int i = 0; i < texture_tables::kGammaTableSize; ++i) {
    std::printf("%s%af,%s", i % 4 == 0 ? "    " : " ", static_cast<double>(entry(i)), i % 4 == 3 ? "\n" : "");
  }
  std::printf("};\n");
}

}  // namespace

int main() {
  printTable("kGammaEncodeTable", texture_tables::gammaEncodeEntry);
  printTable("kGammaDecodeTable", texture_tables::gammaDecodeEntry);
  return 0;
}
