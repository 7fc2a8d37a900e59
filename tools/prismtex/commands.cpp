#include <array>
#include <fstream>
#include <iterator>

#include "tools/prismtex/commands.h"

namespace prismtex {
namespace {

struct Subcommand {
  const char* name;
  int (*run)(Arguments, const CommandOutput&);
  const char* usage;
};

constexpr std::array<Subcommand, 2> kSubcommands{{
    {"info", runInfo, "prismtex info INPUT"},
    {"decode", runDecode, "prismtex decode INPUT -o OUTPUT.pam"},
}};

int printUsage(const CommandOutput& output) {
  std::fputs("usage:\n", output.err);
  for (const auto& command : kSubcommands) std::fprintf(output.err, "  %s\n", command.usage);
  return kExitUsage;
}

}  // namespace

int runPrismtex(Arguments arguments, const CommandOutput& output) {
  if (arguments.empty()) return printUsage(output);
  for (const auto& command : kSubcommands) {
    if (arguments[0] == command.name) return command.run(arguments.subspan(1), output);
  }
  std::fprintf(output.err, "prismtex: unknown command \"%s\"\n", arguments[0].c_str());
  return printUsage(output);
}

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, const CommandOutput& output) {
  std::ifstream stream(path, std::ios::binary);
  if (!stream) {
    std::fprintf(output.err, "prismtex: cannot read \"%s\"\n", path.c_str());
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
  if (bytes.size() > 0xFFFFFFFFu) {
    std::fprintf(output.err, "prismtex: \"%s\" is too large\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace prismtex
