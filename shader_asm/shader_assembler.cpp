#include "shader_asm/shader_assembler.h"

#include <cstring>
#include <new>
#include <string>

#include "shader_asm/assembler.h"

namespace shader_asm {

namespace {

// Hands every message of the run to the caller: null when there were none.
HRESULT makeErrorBuffer(const ShaderPreprocessor& preprocessor, ShaderBuffer** errors) {
  if (errors == nullptr) return S_OK;
  *errors = nullptr;
  if (preprocessor.messages().empty()) return S_OK;
  std::string text = preprocessor.messages().joined();
  HRESULT result = ShaderBuffer::create(text.size() + 1, errors);
  if (FAILED(result)) return result;
  std::memcpy((*errors)->GetData(), text.c_str(), text.size() + 1);
  return S_OK;
}

template <typename Initialize>
HRESULT assemble(Initialize initialize, DWORD flags, ShaderBuffer** shader, ShaderBuffer** errors) {
  if (shader != nullptr) *shader = nullptr;
  if (errors != nullptr) *errors = nullptr;
  try {
    ShaderPreprocessor preprocessor;
    HRESULT result = initialize(preprocessor);
    if (SUCCEEDED(result)) {
      Assembler assembler(preprocessor, flags);
      result = assembler.run(shader);
    }
    HRESULT bufferResult = makeErrorBuffer(preprocessor, errors);
    if (SUCCEEDED(result) && FAILED(bufferResult)) {
      (*shader)->Release();
      *shader = nullptr;
      result = bufferResult;
    }
    return result;
  } catch (const std::bad_alloc&) {
    if (shader != nullptr && *shader != nullptr) {
      (*shader)->Release();
      *shader = nullptr;
    }
    return E_OUTOFMEMORY;
  }
}

}  // namespace

HRESULT assembleShaderFromFile(const char* fileName, const ShaderDefine* defines, IncludeHandler* includeHandler,
                               DWORD flags, ShaderBuffer** shader, ShaderBuffer** errors) {
  return assemble(
      [&](ShaderPreprocessor& preprocessor) {
        return preprocessor.initializeFromFile(fileName, defines, includeHandler);
      },
      flags, shader, errors);
}

HRESULT assembleShaderFromMemory(const char* text, std::size_t length, const char* name, const ShaderDefine* defines,
                                 IncludeHandler* includeHandler, DWORD flags, ShaderBuffer** shader,
                                 ShaderBuffer** errors) {
  return assemble(
      [&](ShaderPreprocessor& preprocessor) {
        return preprocessor.initializeFromMemory(text, length, name, defines, includeHandler);
      },
      flags, shader, errors);
}

}  // namespace shader_asm
