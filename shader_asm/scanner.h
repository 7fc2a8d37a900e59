// Turns source text into tokens, one per call.
#pragma once

#include <cstdint>

#include "shader_asm/arena.h"
#include "shader_asm/messages.h"
#include "shader_asm/token.h"

namespace shader_asm {

struct ScanState {
  const char* position = nullptr;
  const char* end = nullptr;
  std::uint32_t line = 1;
  const char* file = nullptr;  // the name tokens and messages carry
};

// Scans one token with the given ScanFlags. Texts of identifiers and strings are copied into
// `arena`; scanner errors (1001-1007) go to `log` and scanning goes on.
Token scanToken(ScanState& state, std::uint32_t flags, Arena& arena, MessageLog& log);

// Stores the punctuator characters of `text` (1 to 3) in the token's value.
void setPunctuator(Token& token, const char* text, std::uint32_t length);

}  // namespace shader_asm
