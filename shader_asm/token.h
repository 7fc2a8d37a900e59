// One scanned token of shader source and the scan modes.
#pragma once

#include <cstdint>
#include <string>

namespace shader_asm {

enum class TokenKind : std::uint32_t {
  VersionToken = 0,
  Punctuator = 1,
  Integer = 2,
  IntegerL = 3,   // suffix l
  IntegerUL = 4,  // suffix with u
  Float = 5,
  FloatH = 6,
  FloatF = 7,
  FloatL = 8,  // only named in messages
  Identifier = 9,
  String = 10,
  AngleString = 11,
  EndOfLine = 12,
  EndOfFile = 13,
};

// Bits passed with every scan.
enum ScanFlags : std::uint32_t {
  kScanDefault = 1,
  kScanAsmMode = 2,       // ';' comments, version tokens
  kScanRawStrings = 4,    // no escapes in strings and character constants
  kScanAngleStrings = 8,  // <...> is a string
};

struct Token {
  TokenKind kind = TokenKind::EndOfFile;
  union Value {
    std::uint32_t integer;  // integers, version tokens
    double real;            // floats
    const char* text;       // identifiers, strings (NUL-terminated)
    char punctuator[8];     // 1 to 3 characters, NUL-terminated
  } value{};
  const char* file = nullptr;  // null for text from memory
  std::uint32_t line = 0;
  const char* sourceStart = nullptr;  // first character in the source text
  std::uint32_t sourceLength = 0;
  bool noExpand = false;  // a macro name met inside its own expansion

  bool isPunctuator(char c) const {
    return kind == TokenKind::Punctuator && value.punctuator[0] == c && value.punctuator[1] == '\0';
  }
  bool isLineEnd() const { return kind == TokenKind::EndOfLine || kind == TokenKind::EndOfFile; }
  bool isInteger() const {
    return kind == TokenKind::Integer || kind == TokenKind::IntegerL || kind == TokenKind::IntegerUL;
  }
  bool isFloat() const {
    return kind == TokenKind::Float || kind == TokenKind::FloatH || kind == TokenKind::FloatF ||
           kind == TokenKind::FloatL;
  }
};

// How a syntax error names the offending token ("token 'x'", "integer '5'", "end of line", ...).
std::string describeToken(const Token& token);

}  // namespace shader_asm
