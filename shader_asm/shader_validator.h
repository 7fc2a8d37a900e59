// The platform's optional shader validator, found as the export
// "Direct3DShaderValidatorCreate9" of d3d9.dll. The assembler passes it every instruction's
// words as they are written; it reports through the callback.
#pragma once

#include "platform/win/types.h"

namespace shader_asm {

// Message types the validator reports with.
inline constexpr DWORD kValidatorWarning = 1;
inline constexpr DWORD kValidatorError = 2;
inline constexpr DWORD kValidatorWarningAlternate = 5;
inline constexpr DWORD kValidatorErrorAlternate = 6;

using ShaderValidatorCallback = HRESULT (*)(const char* file, UINT line, DWORD messageType, DWORD code,
                                            const char* message, void* context);

class ShaderValidator {
 public:
  virtual HRESULT QueryInterface(const GUID& iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
  virtual HRESULT Begin(ShaderValidatorCallback callback, void* context, DWORD reserved) = 0;
  virtual HRESULT Instruction(const char* file, UINT line, const DWORD* words, UINT count) = 0;
  virtual HRESULT End() = 0;

 protected:
  ~ShaderValidator() = default;
};

// The export's signature.
using ShaderValidatorCreateFunction = ShaderValidator* (*)();
inline constexpr const char* kShaderValidatorExport = "Direct3DShaderValidatorCreate9";

}  // namespace shader_asm
