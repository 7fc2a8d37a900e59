#include "shader_asm/scanner.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "shader_asm/target_table.h"

namespace shader_asm {
namespace {

constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool isOctalDigit(char c) { return c >= '0' && c <= '7'; }
constexpr bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
constexpr bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool isIdentifierStart(char c) { return isLetter(c) || c == '_'; }
constexpr bool isIdentifierChar(char c) { return isIdentifierStart(c) || isDigit(c); }
constexpr bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }
constexpr unsigned hexValue(char c) {
  return isDigit(c) ? static_cast<unsigned>(c - '0') : static_cast<unsigned>((c | 0x20) - 'a' + 10);
}

constexpr std::string_view kThreeCharPunctuators[] = {"...", "<<=", ">>="};
constexpr std::string_view kTwoCharPunctuators[] = {"##", "#@", "&&", "++", "--", "::", "==", "||", "<<", ">>", "!=",
                                                    "%=", "&=", "*=", "+=", "-=", "/=", "<=", ">=", "^=", "|=", "->"};

// Scanning context for one call.
struct Cursor {
  ScanState& state;
  std::uint32_t flags;
  Arena& arena;
  MessageLog& log;

  bool atEnd(std::size_t ahead = 0) const { return static_cast<std::size_t>(state.end - state.position) <= ahead; }
  char peek(std::size_t ahead = 0) const { return atEnd(ahead) ? '\0' : state.position[ahead]; }
  void error(MessageId id) {
    SourceLocation location{state.file, state.line};
    log.error(&location, id);
  }
};

// Returns the number of newlines crossed.
std::uint32_t skipWhiteSpace(Cursor& cursor) {
  ScanState& state = cursor.state;
  std::uint32_t newlines = 0;
  while (!cursor.atEnd()) {
    char c = *state.position;
    if (isBlank(c)) {
      ++state.position;
    } else if (c == '\n') {
      ++state.position;
      ++state.line;
      ++newlines;
    } else if (c == '\\' && cursor.peek(1) == '\n') {
      state.position += 2;
      ++state.line;
    } else if (c == '\\' && cursor.peek(1) == '\r' && cursor.peek(2) == '\n') {
      state.position += 3;
      ++state.line;
    } else if ((c == '/' && cursor.peek(1) == '/') || (c == ';' && (cursor.flags & kScanAsmMode) != 0)) {
      while (!cursor.atEnd() && *state.position != '\n') ++state.position;
    } else if (c == '/' && cursor.peek(1) == '*') {
      state.position += 2;
      for (;;) {
        if (cursor.atEnd()) {
          cursor.error(MessageId::CommentPastEndOfFile);
          break;
        }
        if (*state.position == '*' && cursor.peek(1) == '/') {
          state.position += 2;
          break;
        }
        if (*state.position == '\n') ++state.line;
        ++state.position;
      }
    } else {
      break;
    }
  }
  return newlines;
}

// Reads one character or escape of a string or character constant. False at the end of text.
bool readCharacter(Cursor& cursor, unsigned& value) {
  ScanState& state = cursor.state;
  char c = *state.position++;
  if (c != '\\' || (cursor.flags & kScanRawStrings) != 0) {
    value = static_cast<unsigned char>(c);
    return true;
  }
  if (cursor.atEnd()) {
    cursor.error(MessageId::CharacterPastEndOfFile);
    value = '\\';
    return false;
  }
  c = *state.position++;
  switch (c) {
    case 'a': value = 7; break;
    case 'b': value = 8; break;
    case 'f': value = 12; break;
    case 'n': value = '\n'; break;
    case 'r': value = '\r'; break;
    case 't': value = '\t'; break;
    case 'v': value = 11; break;
    case 'x':
      value = 0;
      while (!cursor.atEnd() && isHexDigit(*state.position)) value = value * 16 + hexValue(*state.position++);
      break;
    default:
      if (isOctalDigit(c)) {
        value = static_cast<unsigned>(c - '0');
        for (int digits = 1; digits < 3 && !cursor.atEnd() && isOctalDigit(*state.position); ++digits) {
          value = value * 8 + static_cast<unsigned>(*state.position++ - '0');
        }
      } else {
        if (c == '\n') ++state.line;
        value = static_cast<unsigned char>(c);
      }
      break;
  }
  return true;
}

// '"' ... '"' or '<' ... '>'; the opening character is at the cursor.
void scanString(Cursor& cursor, Token& token, char closing) {
  ScanState& state = cursor.state;
  ++state.position;
  std::string text;
  for (;;) {
    if (cursor.atEnd()) {
      cursor.error(MessageId::StringPastEndOfFile);
      break;
    }
    char c = *state.position;
    if (c == closing) {
      ++state.position;
      break;
    }
    if (c == '\n') {
      cursor.error(MessageId::StringPastEndOfLine);
      break;
    }
    unsigned value = 0;
    if (!readCharacter(cursor, value)) break;
    text.push_back(static_cast<char>(value));
  }
  token.kind = closing == '"' ? TokenKind::String : TokenKind::AngleString;
  token.value.text = cursor.arena.copy(text);
}

void scanCharacterConstant(Cursor& cursor, Token& token) {
  ScanState& state = cursor.state;
  ++state.position;
  std::uint32_t value = 0;
  for (;;) {
    if (cursor.atEnd()) {
      cursor.error(MessageId::StringPastEndOfFile);
      break;
    }
    char c = *state.position;
    if (c == '\'') {
      ++state.position;
      break;
    }
    if (c == '\n') {
      cursor.error(MessageId::StringPastEndOfLine);
      break;
    }
    unsigned character = 0;
    if (!readCharacter(cursor, character)) break;
    value = (value << 8) | (character & 0xFF);
  }
  token.kind = TokenKind::Integer;
  token.value.integer = value;
}

// Digits with a '.', or '.' and digits, with an optional exponent. The cursor is at the first
// character; returns false (consuming nothing) when the text is not a float.
bool scanFloat(Cursor& cursor, Token& token) {
  const char* start = cursor.state.position;
  const char* end = cursor.state.end;
  const char* p = start;
  while (p < end && isDigit(*p)) ++p;
  bool leadingDigits = p != start;
  if (p >= end || *p != '.') return false;
  ++p;
  const char* fractionStart = p;
  while (p < end && isDigit(*p)) ++p;
  if (!leadingDigits && p == fractionStart) return false;
  if (p < end && (*p == 'e' || *p == 'E')) {
    const char* exponent = p + 1;
    if (exponent < end && *exponent == '-') ++exponent;
    if (exponent < end && isDigit(*exponent)) {
      p = exponent;
      while (p < end && isDigit(*p)) ++p;
    }
  }
  double value = 0.0;
  if (std::from_chars(start, p, value, std::chars_format::general).ec == std::errc::result_out_of_range) {
    // Like the C runtime: overflow gives infinity, underflow zero.
    std::string copy(start, p);
    value = std::strtod(copy.c_str(), nullptr);
  }
  token.kind = TokenKind::Float;
  if (p < end && (*p == 'f' || *p == 'F')) {
    token.kind = TokenKind::FloatF;
    ++p;
  } else if (p < end && (*p == 'h' || *p == 'H')) {
    token.kind = TokenKind::FloatH;
    ++p;
  }
  token.value.real = value;
  cursor.state.position = p;
  return true;
}

void scanIntegerSuffix(Cursor& cursor, Token& token) {
  bool sawU = false;
  bool sawL = false;
  for (;;) {
    char c = cursor.peek();
    if ((c == 'u' || c == 'U') && !sawU) {
      sawU = true;
    } else if ((c == 'l' || c == 'L') && !sawL) {
      sawL = true;
    } else {
      break;
    }
    ++cursor.state.position;
  }
  token.kind = sawU ? TokenKind::IntegerUL : sawL ? TokenKind::IntegerL : TokenKind::Integer;
}

void scanInteger(Cursor& cursor, Token& token) {
  ScanState& state = cursor.state;
  const char* start = state.position;
  std::uint64_t value = 0;
  bool overflow = false;
  if (*start == '0' && cursor.peek(1) == 'x' && isHexDigit(cursor.peek(2))) {
    state.position += 2;
    while (!cursor.atEnd() && isHexDigit(*state.position)) {
      value = (value * 16 + hexValue(*state.position++)) & 0xFFFFFFFFu;
    }
    if (state.position - start > 10) cursor.error(MessageId::HexTruncated);
  } else if (*start == '0') {
    ++state.position;
    while (!cursor.atEnd() && isOctalDigit(*state.position)) {
      value = value * 8 + static_cast<unsigned>(*state.position++ - '0');
      if (value > 0xFFFFFFFFu) overflow = true;
      value &= 0xFFFFFFFFu;
    }
    if (overflow) cursor.error(MessageId::OctalTruncated);
  } else {
    while (!cursor.atEnd() && isDigit(*state.position)) {
      value = value * 10 + static_cast<unsigned>(*state.position++ - '0');
      if (value > 0xFFFFFFFFu) overflow = true;
      value &= 0xFFFFFFFFu;
    }
    if (overflow) cursor.error(MessageId::DecimalTruncated);
  }
  token.value.integer = static_cast<std::uint32_t>(value);
  scanIntegerSuffix(cursor, token);
}

// "vs.2.0", "ps.2.sw", "vs.2.x": only names of the target table that may start a shader.
bool scanVersion(Cursor& cursor, Token& token) {
  const char* start = cursor.state.position;
  const char* end = cursor.state.end;
  const char* p = start;
  auto number = [&]() {
    const char* first = p;
    unsigned value = 0;
    while (p < end && isDigit(*p) && value <= 255) value = value * 10 + static_cast<unsigned>(*p++ - '0');
    return p != first && value <= 255 && !(p < end && isDigit(*p));
  };
  if (end - p < 5 || !isLetter(p[0]) || !isLetter(p[1]) || p[2] != '.') return false;
  p += 3;
  if (!number() || p >= end || *p != '.') return false;
  ++p;
  if (p < end && isIdentifierStart(*p)) {
    while (p < end && isIdentifierChar(*p)) ++p;
  } else if (!number()) {
    return false;
  }
  if (p - start >= 32) return false;
  const TargetRow* row = findTarget(std::string_view(start, static_cast<std::size_t>(p - start)), kTargetAssemble);
  if (row == nullptr) return false;
  token.kind = TokenKind::VersionToken;
  token.value.integer = row->versionToken;
  cursor.state.position = p;
  return true;
}

void scanPunctuator(Cursor& cursor, Token& token) {
  const char* p = cursor.state.position;
  std::size_t available = static_cast<std::size_t>(cursor.state.end - p);
  std::uint32_t length = 1;
  // Most punctuators (',' '.' '[' ...) can begin no longer one.
  if (std::string_view("#&+-:=|.<>!%*/^").find(*p) == std::string_view::npos) {
    setPunctuator(token, p, 1);
    ++cursor.state.position;
    return;
  }
  for (std::string_view candidate : kThreeCharPunctuators) {
    if (available >= 3 && std::string_view(p, 3) == candidate) length = 3;
  }
  if (length == 1) {
    for (std::string_view candidate : kTwoCharPunctuators) {
      if (available >= 2 && std::string_view(p, 2) == candidate) length = 2;
    }
  }
  setPunctuator(token, p, length);
  cursor.state.position += length;
}

}  // namespace

void setPunctuator(Token& token, const char* text, std::uint32_t length) {
  token.kind = TokenKind::Punctuator;
  std::memset(token.value.punctuator, 0, sizeof token.value.punctuator);
  std::memcpy(token.value.punctuator, text, length);
}

Token scanToken(ScanState& state, std::uint32_t flags, Arena& arena, MessageLog& log) {
  Cursor cursor{state, flags, arena, log};
  Token token;
  token.file = state.file;
  token.line = state.line;
  if (state.position == nullptr) state.position = state.end;
  if (skipWhiteSpace(cursor) > 0) {
    token.kind = TokenKind::EndOfLine;
    token.sourceStart = state.position;
    return token;
  }
  token.line = state.line;
  token.sourceStart = state.position;
  if (cursor.atEnd()) {
    token.kind = TokenKind::EndOfFile;
    return token;
  }
  char c = *state.position;
  if ((isDigit(c) || c == '.') && scanFloat(cursor, token)) {
  } else if (c == '\'') {
    scanCharacterConstant(cursor, token);
  } else if (isDigit(c)) {
    scanInteger(cursor, token);
  } else if (c == '"' || (c == '<' && (flags & kScanAngleStrings) != 0)) {
    scanString(cursor, token, c == '"' ? '"' : '>');
  } else if ((flags & kScanAsmMode) != 0 && isLetter(c) && scanVersion(cursor, token)) {
  } else if (isIdentifierStart(c)) {
    const char* start = state.position;
    while (!cursor.atEnd() && isIdentifierChar(*state.position)) ++state.position;
    token.kind = TokenKind::Identifier;
    token.value.text = arena.copy(std::string_view(start, static_cast<std::size_t>(state.position - start)));
  } else {
    scanPunctuator(cursor, token);
  }
  token.sourceLength = static_cast<std::uint32_t>(state.position - token.sourceStart);
  return token;
}

std::string describeToken(const Token& token) {
  char buffer[96];
  switch (token.kind) {
    case TokenKind::VersionToken: return "version token";
    case TokenKind::Punctuator: return std::string("token '") + token.value.punctuator + "'";
    case TokenKind::Identifier: return std::string("token '") + token.value.text + "'";
    case TokenKind::Integer: std::snprintf(buffer, sizeof buffer, "integer '%u'", token.value.integer); return buffer;
    case TokenKind::IntegerL:
      std::snprintf(buffer, sizeof buffer, "integer '%dl'", static_cast<int>(token.value.integer));
      return buffer;
    case TokenKind::IntegerUL:
      std::snprintf(buffer, sizeof buffer, "integer '%uul'", token.value.integer);
      return buffer;
    case TokenKind::Float: std::snprintf(buffer, sizeof buffer, "float '%g'", token.value.real); return buffer;
    case TokenKind::FloatH: std::snprintf(buffer, sizeof buffer, "float '%gh'", token.value.real); return buffer;
    case TokenKind::FloatF: std::snprintf(buffer, sizeof buffer, "float '%gf'", token.value.real); return buffer;
    case TokenKind::FloatL: std::snprintf(buffer, sizeof buffer, "float '%gl'", token.value.real); return buffer;
    case TokenKind::String: return "string constant";
    case TokenKind::EndOfLine: return "end of line";
    case TokenKind::EndOfFile: return "end of file";
    default: return "token";
  }
}

}  // namespace shader_asm
