// The platform's optional shader validator, found as the export
// "Direct3DShaderValidatorCreate9" of d3d9.dll. The assembler passes it every statement's
// words as they are written; it reports through the callback.
#pragma once

#include "platform/d3d9/d3d9.h"

namespace shader_asm {

// Message types the validator reports with: 1 and 5 are warnings, 2 and 6 errors.
inline constexpr DWORD kValidatorWarning = D3DSHADERVALIDATOR_WARNING;
inline constexpr DWORD kValidatorError = D3DSHADERVALIDATOR_ERROR;
inline constexpr DWORD kValidatorWarningAlternate = 5;
inline constexpr DWORD kValidatorErrorAlternate = 6;

using ShaderValidator = IDirect3DShaderValidator9;
using ShaderValidatorCallback = D3DSHADERVALIDATORCALLBACK;
using ShaderValidatorCreateFunction = Direct3DShaderValidatorCreate9Function;
inline constexpr const char* kShaderValidatorExport = "Direct3DShaderValidatorCreate9";

}  // namespace shader_asm
