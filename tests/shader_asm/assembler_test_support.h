// Assembles text in memory and returns the words and the messages.
#pragma once

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3d9/shader_tokens.h"
#include "shader_asm/disassembler.h"
#include "shader_asm/shader_assembler.h"

namespace shader_asm_test {

struct Assembled {
  HRESULT result = S_OK;
  std::vector<DWORD> words;
  std::string messages;
  bool hasErrorBuffer = false;
};

inline Assembled assembleOnce(std::string_view text, DWORD flags, const char* name) {
  shader_asm::ShaderBufferPtr shader;
  shader_asm::ShaderBufferPtr errors;
  Assembled out;
  out.result = shader_asm::assembleShaderFromMemory(text.data(), text.size(), name, nullptr, nullptr, flags,
                                                    shader.put(), errors.put());
  if (shader) {
    out.words.resize(shader->GetSize() / 4);
    std::memcpy(out.words.data(), shader->GetData(), out.words.size() * 4);
  }
  if (errors) {
    out.hasErrorBuffer = true;
    out.messages = static_cast<const char*>(errors->GetData());
  }
  return out;
}

inline bool hasComment(const std::vector<DWORD>& words) {
  for (DWORD word : words) {
    if (shader_tokens::isComment(word)) return true;
  }
  return false;
}

// Every successful assembly in the tests is also disassembled and assembled again; the words
// must come back the same.
inline void expectRoundTrip(const std::vector<DWORD>& words, std::string_view source) {
  std::string text;
  std::string error;
  ASSERT_EQ(shader_asm::disassembleShader(words.data(), words.size(), text, error), S_OK) << error << "\nsource:\n"
                                                                                          << source;
  Assembled again = assembleOnce(text, shader_asm::kAssembleSkipValidation, "round-trip");
  EXPECT_EQ(again.words, words) << "source:\n" << source << "\ndisassembly:\n" << text << again.messages;
}

inline Assembled assemble(std::string_view text, DWORD flags = shader_asm::kAssembleSkipValidation,
                          const char* name = "x.vsh") {
  Assembled out = assembleOnce(text, flags, name);
  if (out.result == S_OK && !hasComment(out.words)) expectRoundTrip(out.words, text);
  return out;
}

// The words between the version token and the end token.
inline std::vector<DWORD> body(const Assembled& assembled) {
  if (assembled.words.size() < 2) return {};
  return std::vector<DWORD>(assembled.words.begin() + 1, assembled.words.end() - 1);
}

inline std::vector<DWORD> bodyOf(std::string_view version, std::string_view statements) {
  return body(assemble(std::string(version) + "\n" + std::string(statements)));
}

// The message text of the first line (for checking one diagnostic).
inline std::string messagesOf(std::string_view version, std::string_view statements) {
  return assemble(std::string(version) + "\n" + std::string(statements)).messages;
}

}  // namespace shader_asm_test
