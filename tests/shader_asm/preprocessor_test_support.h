// Runs the preprocessor over a text and renders its tokens as short strings for comparison.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "shader_asm/preprocessor.h"

namespace shader_asm_test {

using shader_asm::Token;
using shader_asm::TokenKind;

inline std::string show(const Token& token) {
  char buffer[64];
  switch (token.kind) {
    case TokenKind::VersionToken: std::snprintf(buffer, sizeof buffer, "ver:%08X", token.value.integer); return buffer;
    case TokenKind::Punctuator: return std::string("p:") + token.value.punctuator;
    case TokenKind::Integer:
    case TokenKind::IntegerL:
    case TokenKind::IntegerUL: {
      const char* suffix = token.kind == TokenKind::Integer ? "" : token.kind == TokenKind::IntegerL ? "l" : "ul";
      return "int:" + std::to_string(token.value.integer) + suffix;
    }
    case TokenKind::Float:
    case TokenKind::FloatH:
    case TokenKind::FloatF: {
      const char* suffix = token.kind == TokenKind::Float ? "" : token.kind == TokenKind::FloatH ? "h" : "f";
      std::snprintf(buffer, sizeof buffer, "float:%g%s", token.value.real, suffix);
      return buffer;
    }
    case TokenKind::Identifier: return std::string("id:") + token.value.text;
    case TokenKind::String: return std::string("str:") + token.value.text;
    case TokenKind::AngleString: return std::string("astr:") + token.value.text;
    case TokenKind::EndOfLine: return "eol";
    default: return "eof";
  }
}

struct PreprocessResult {
  HRESULT initResult = S_OK;
  HRESULT result = S_OK;            // of the last nextToken
  std::vector<std::string> tokens;  // without end-of-line tokens unless asked
  std::vector<std::uint32_t> lines;
  std::string messages;
  std::uint32_t errors = 0;
  std::uint32_t packing = 0;
};

struct PreprocessOptions {
  std::uint32_t flags = shader_asm::kScanDefault;
  const char* name = "x.vsh";
  shader_asm::IncludeHandler* handler = nullptr;
  const shader_asm::ShaderDefine* defines = nullptr;
  bool keepLineEnds = false;
};

inline void collect(shader_asm::ShaderPreprocessor& pp, PreprocessResult& run, const PreprocessOptions& options) {
  if (options.flags != shader_asm::kScanDefault) pp.beginBlock(options.flags);
  for (int guard = 0; guard < 4000000; ++guard) {
    Token token;
    run.result = pp.nextToken(token);
    if (FAILED(run.result) || token.kind == TokenKind::EndOfFile) break;
    if (token.kind == TokenKind::EndOfLine && !options.keepLineEnds) continue;
    run.tokens.push_back(show(token));
    run.lines.push_back(token.line);
  }
  run.messages = pp.messages().joined();
  run.errors = pp.messages().errorCount();
  run.packing = pp.matrixPacking();
}

inline PreprocessResult preprocess(std::string_view text, const PreprocessOptions& options = {}) {
  shader_asm::ShaderPreprocessor pp;
  PreprocessResult run;
  run.initResult = pp.initializeFromMemory(text.data(), text.size(), options.name, options.defines, options.handler);
  if (SUCCEEDED(run.initResult)) collect(pp, run, options);
  return run;
}

inline PreprocessResult preprocessFile(const std::string& path, const PreprocessOptions& options = {}) {
  shader_asm::ShaderPreprocessor pp;
  PreprocessResult run;
  run.initResult = pp.initializeFromFile(path.c_str(), options.defines, options.handler);
  if (SUCCEEDED(run.initResult)) collect(pp, run, options);
  run.messages = pp.messages().joined();
  return run;
}

using Tokens = std::vector<std::string>;

// An include handler over named texts held in memory; records what it was asked.
class MemoryIncludeHandler : public shader_asm::IncludeHandler {
 public:
  std::map<std::string, std::string> files;
  std::vector<std::string> opened;
  std::vector<shader_asm::IncludeType> types;
  std::vector<const void*> parents;
  int closes = 0;
  bool scribbleOnClose = false;

  HRESULT Open(shader_asm::IncludeType type, const char* fileName, const void* parentData, const void** data,
               UINT* bytes) override {
    opened.push_back(fileName);
    types.push_back(type);
    parents.push_back(parentData);
    auto found = files.find(fileName);
    if (found == files.end()) return E_FAIL;
    *data = found->second.data();
    *bytes = static_cast<UINT>(found->second.size());
    return S_OK;
  }
  HRESULT Close(const void* data) override {
    ++closes;
    for (auto& [name, text] : files) {
      if (scribbleOnClose && text.data() == data) text.assign(text.size(), '#');
    }
    return S_OK;
  }
};

}  // namespace shader_asm_test
