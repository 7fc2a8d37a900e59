// The shader validator: checks the structure of a Direct3D 9 shader token stream, statement
// by statement, for the shader version its first token names.
#pragma once

#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace platform::d3d9 {

enum class ShaderKind { vertex, pixel };

// Checks a stream that the caller passes without its length (IDirect3DDevice9::Create*Shader).
// Reading stops at the end token or at the first fault; on success `words` holds the stream
// with its end token. Faults give D3DERR_INVALIDCALL.
HRESULT validateShaderFunction(const DWORD* function, ShaderKind kind, std::vector<DWORD>* words);

}  // namespace platform::d3d9
