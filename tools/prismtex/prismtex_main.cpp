#include <string>
#include <vector>

#include "tools/prismtex/commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return prismtex::runPrismtex(arguments, {stdout, stderr});
}
