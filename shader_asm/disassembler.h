// Turns a Direct3D 9 shader token stream back into assembly text that assembles to the same
// words (comments become ';' lines).
#pragma once

#include <cstddef>
#include <string>

#include "platform/win/result_codes.h"
#include "platform/win/types.h"

namespace shader_asm {

// On success `text` holds the program, one statement per line. A malformed stream gives
// ResultInvalidData and a one-line explanation in `error`.
HRESULT disassembleShader(const DWORD* words, std::size_t count, std::string& text, std::string& error);

}  // namespace shader_asm
