// Assembles arbitrary bytes. The first byte picks the flags and whether the text has a name;
// a successful result must disassemble and assemble back to the same words. The bytes are
// also read as a token stream for the disassembler.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "shader_asm/disassembler.h"
#include "shader_asm/shader_assembler.h"

namespace {

std::vector<DWORD> wordsOf(shader_asm::ShaderBuffer* buffer) {
  std::vector<DWORD> words(buffer->GetSize() / 4);
  std::memcpy(words.data(), buffer->GetData(), words.size() * 4);
  return words;
}

bool hasComment(const std::vector<DWORD>& words) {
  for (DWORD word : words) {
    if ((word & 0xFFFF) == 0xFFFE) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::uint8_t mode = data[0];
  const char* text = reinterpret_cast<const char*>(data + 1);
  std::size_t length = size - 1;
  DWORD flags = shader_asm::kAssembleSkipValidation | ((mode & 1) != 0 ? shader_asm::kAssembleDebugInfo : 0u);
  const char* name = (mode & 2) != 0 ? "fuzz.vsh" : nullptr;

  shader_asm::ShaderBufferPtr shader;
  shader_asm::ShaderBufferPtr errors;
  HRESULT result =
      shader_asm::assembleShaderFromMemory(text, length, name, nullptr, nullptr, flags, shader.put(), errors.put());
  if (errors && static_cast<const char*>(errors->GetData())[errors->GetSize() - 1] != '\0') __builtin_trap();
  if (SUCCEEDED(result)) {
    std::vector<DWORD> words = wordsOf(shader.get());
    std::string disassembly;
    std::string error;
    if (FAILED(shader_asm::disassembleShader(words.data(), words.size(), disassembly, error))) __builtin_trap();
    if (!hasComment(words)) {
      shader_asm::ShaderBufferPtr again;
      if (FAILED(shader_asm::assembleShaderFromMemory(disassembly.data(), disassembly.size(), nullptr, nullptr, nullptr,
                                                      shader_asm::kAssembleSkipValidation, again.put(), nullptr)) ||
          wordsOf(again.get()) != words) {
        __builtin_trap();
      }
    }
  }

  std::vector<DWORD> raw(length / 4);
  if (!raw.empty()) std::memcpy(raw.data(), text, raw.size() * 4);
  std::string disassembly;
  std::string error;
  shader_asm::disassembleShader(raw.data(), raw.size(), disassembly, error);
  return 0;
}
