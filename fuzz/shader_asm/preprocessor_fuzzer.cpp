// Runs the preprocessor over arbitrary bytes. The first byte picks the scan mode and whether
// includes are served; every include is answered with the input itself (so nesting reaches the
// depth limit) or, for names starting with 'x', refused.
#include <cstddef>
#include <cstdint>
#include <string>

#include "shader_asm/preprocessor.h"

namespace {

class FuzzIncludeHandler : public shader_asm::IncludeHandler {
 public:
  FuzzIncludeHandler(const char* data, std::size_t size) : data_(data), size_(size) {}
  HRESULT Open(shader_asm::IncludeType, const char* fileName, const void*, const void** data, UINT* bytes) override {
    if (fileName[0] == 'x') return E_FAIL;
    ++open_;
    *data = data_;
    *bytes = static_cast<UINT>(size_);
    return S_OK;
  }
  HRESULT Close(const void*) override {
    --open_;
    return S_OK;
  }
  int open() const { return open_; }

 private:
  const char* data_;
  std::size_t size_;
  int open_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::uint8_t mode = data[0];
  const char* text = reinterpret_cast<const char*>(data + 1);
  std::size_t length = size - 1;
  FuzzIncludeHandler handler(text, length);
  shader_asm::ShaderDefine defines[] = {{"FUZZ", "1 + ("}, {nullptr, nullptr}};
  {
    shader_asm::ShaderPreprocessor preprocessor;
    bool useHandler = (mode & 1) != 0;
    if (FAILED(preprocessor.initializeFromMemory(text, length, (mode & 2) != 0 ? "fuzz.vsh" : nullptr, defines,
                                                 useHandler ? &handler : nullptr))) {
      return 0;
    }
    preprocessor.beginBlock((mode & 4) != 0 ? shader_asm::kScanAsmMode : shader_asm::kScanDefault);
    if ((mode & 8) != 0) preprocessor.beginBlock(shader_asm::kScanAsmMode);
    shader_asm::Token token;
    std::size_t count = 0;
    while (SUCCEEDED(preprocessor.nextToken(token)) && token.kind != shader_asm::TokenKind::EndOfFile) {
      ++count;
    }
    preprocessor.endBlock();
    std::string messages = preprocessor.messages().joined();
    if (count > (std::size_t{1} << 24)) __builtin_trap();
  }
  if (handler.open() != 0) __builtin_trap();  // every opened source was closed
  return 0;
}
