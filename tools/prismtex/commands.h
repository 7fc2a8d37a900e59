// The subcommands of prismtex. Each takes the arguments after its name and returns the exit
// status: 0 success, 1 undecodable input (message on standard error), 2 bad usage.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace prismtex {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitUndecodable = 1;
inline constexpr int kExitUsage = 2;

struct CommandOutput {
  std::FILE* out;
  std::FILE* err;
};

using Arguments = std::span<const std::string>;

int runInfo(Arguments arguments, const CommandOutput& output);
int runDecode(Arguments arguments, const CommandOutput& output);

// Dispatches `arguments` (without the program name) to a subcommand.
int runPrismtex(Arguments arguments, const CommandOutput& output);

// The whole file, or false with a message on `output.err`.
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, const CommandOutput& output);

}  // namespace prismtex
