// Turns statements into Direct3D 9 shader tokens.
#pragma once

#include <cstdint>
#include <vector>

#include "shader_asm/statement.h"
#include "shader_asm/tables.h"

namespace shader_asm {

// A growable array of 32-bit words.
class TokenStream {
 public:
  TokenStream();
  void append(DWORD word) { words_.push_back(word); }
  std::size_t size() const { return words_.size(); }
  const DWORD* data() const { return words_.data(); }
  std::vector<DWORD>& words() { return words_; }
  const std::vector<DWORD>& words() const { return words_; }

 private:
  std::vector<DWORD> words_;
};

// Number of words `statement` encodes to (instruction token included).
std::size_t encodedSize(const Statement& statement, ShaderVersionIndex version);
// Appends the statement's words; returns the number appended.
std::size_t encodeStatement(const Statement& statement, ShaderVersionIndex version, TokenStream& stream);

}  // namespace shader_asm
