// Shader text to tokens with the project's assembler, for tests; a failure is a test failure.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "shader_asm/shader_assembler.h"

namespace platform::d3d9 {

inline std::vector<DWORD> assembleText(const std::string& text) {
  shader_asm::ShaderBuffer* shader = nullptr;
  shader_asm::ShaderBuffer* errors = nullptr;
  std::vector<DWORD> tokens;
  HRESULT result =
      shader_asm::assembleShaderFromMemory(text.c_str(), text.size(), "test", nullptr, nullptr, 0, &shader, &errors);
  std::string messages = errors ? static_cast<const char*>(errors->GetData()) : "";
  if (errors) errors->Release();
  EXPECT_EQ(result, S_OK) << text << messages;
  if (shader) {
    tokens.resize(shader->GetSize() / 4);
    std::memcpy(tokens.data(), shader->GetData(), tokens.size() * 4);
    shader->Release();
  }
  return tokens;
}

}  // namespace platform::d3d9
