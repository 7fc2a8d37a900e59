// Assembles Direct3D 9 shader assembly text (vs_1_1 to vs_3_sw, ps_1_1 to ps_3_sw) into the
// platform's shader token stream.
#pragma once

#include <cstddef>

#include "platform/win/result_codes.h"
#include "platform/win/types.h"
#include "shader_asm/preprocessor.h"
#include "shader_asm/shader_buffer.h"

namespace shader_asm {

// Flags of an assembly run; any other bit is refused with D3DERR_INVALIDCALL.
inline constexpr DWORD kAssembleDebugInfo = 1;       // add the "DBUG" comment
inline constexpr DWORD kAssembleSkipValidation = 4;  // do not call the platform validator

// Assembles the file `fileName` (opened through `includeHandler` when one is given). On success
// *shader receives the token stream. *errors (when given) receives every message of the run,
// NUL-terminated, or null when there were none. A source with errors gives 0x88760B59.
HRESULT assembleShaderFromFile(const char* fileName, const ShaderDefine* defines, IncludeHandler* includeHandler,
                               DWORD flags, ShaderBuffer** shader, ShaderBuffer** errors);

// The same for text in memory; `name` (may be null) is what messages show. With debug
// information and no name, the text itself is embedded in the comment.
HRESULT assembleShaderFromMemory(const char* text, std::size_t length, const char* name, const ShaderDefine* defines,
                                 IncludeHandler* includeHandler, DWORD flags, ShaderBuffer** shader,
                                 ShaderBuffer** errors);

}  // namespace shader_asm
