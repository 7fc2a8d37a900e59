// Feeds arbitrary words to the shader validator the way the assembler does: the version token
// alone, then the rest in pieces whose sizes the first byte chooses, then End.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace {

HRESULT ignoreMessage(const char*, int, DWORD, DWORD, const char*, void*) { return S_OK; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t piece = 1 + data[0] % 8;
  std::vector<DWORD> words((size - 1) / 4);
  if (!words.empty()) std::memcpy(words.data(), data + 1, words.size() * 4);
  IDirect3DShaderValidator9* validator = Direct3DShaderValidatorCreate9();
  validator->Begin(&ignoreMessage, nullptr, 0);
  std::size_t position = 0;
  if (!words.empty()) {
    validator->Instruction("fuzz.vsh", 1, words.data(), 1);
    position = 1;
  }
  while (position < words.size()) {
    std::size_t count = std::min(piece, words.size() - position);
    validator->Instruction("fuzz.vsh", static_cast<UINT>(position), words.data() + position, static_cast<DWORD>(count));
    position += count;
  }
  validator->End();
  validator->Release();
  return 0;
}
