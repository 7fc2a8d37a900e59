// The C-like preprocessor in front of the shader assembler: sources from files or an include
// handler, directives, conditionals, macros, and the message log of the whole assembly run.
// The assembler reads through nextToken(); directive lines never reach it.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/win/result_codes.h"
#include "platform/win/types.h"
#include "shader_asm/arena.h"
#include "shader_asm/messages.h"
#include "shader_asm/scanner.h"
#include "shader_asm/source_file.h"
#include "shader_asm/token.h"

namespace shader_asm {

enum class IncludeType : std::uint32_t { Local = 0, System = 1 };

// Caller-supplied opener of sources. Open returns a result code (negative = failure).
class IncludeHandler {
 public:
  virtual HRESULT Open(IncludeType type, const char* fileName, const void* parentData, const void** data,
                       UINT* bytes) = 0;
  virtual HRESULT Close(const void* data) = 0;

 protected:
  ~IncludeHandler() = default;
};

// Caller-supplied macro; an array of them ends with an entry whose name is null.
struct ShaderDefine {
  const char* name;
  const char* definition;  // null: empty
};

// Matrix packing set by #pragma pack_matrix.
inline constexpr std::uint32_t kPackMatrixDefault = 0;
inline constexpr std::uint32_t kPackMatrixRowMajor = 1024;
inline constexpr std::uint32_t kPackMatrixColumnMajor = 2048;

class ShaderPreprocessor {
 public:
  ShaderPreprocessor();
  ShaderPreprocessor(const ShaderPreprocessor&) = delete;
  ShaderPreprocessor& operator=(const ShaderPreprocessor&) = delete;
  ~ShaderPreprocessor();

  // Opens the main source and installs the predefined and the caller's macros.
  HRESULT initializeFromFile(const char* fileName, const ShaderDefine* defines, IncludeHandler* handler);
  // The same for text in memory; `name` (may be null) is what messages show.
  HRESULT initializeFromMemory(const char* text, std::size_t length, const char* name, const ShaderDefine* defines,
                               IncludeHandler* handler);

  HRESULT beginBlock(std::uint32_t scanFlags);
  HRESULT endBlock();
  HRESULT nextToken(Token& token);

  SourceLocation currentLocation() const;
  std::string_view mainText() const { return mainText_; }
  const char* mainFileName() const { return mainFileName_; }
  MessageLog& messages() { return log_; }
  const MessageLog& messages() const { return log_; }
  std::uint32_t matrixPacking() const { return matrixPacking_; }
  bool failed() const { return failed_; }

  // Bounds that keep hostile input from exhausting memory or time.
  static constexpr std::size_t kMaxOpenSources = 32;
  static constexpr std::size_t kMaxParserDepth = 500;
  static constexpr std::size_t kMaxErrorText = 255;
  static constexpr std::size_t kMaxPendingTokens = std::size_t{1} << 20;
  static constexpr std::uint64_t kMaxExpandedTokens = std::uint64_t{1} << 20;

 private:
  struct ConditionalFrame {
    bool taken;
    bool parentActive;
    bool elseSeen;
  };
  struct SourceFile {
    ScanState scan;
    MappedFile file;
    bool fromHandler = false;
    const void* handlerData = nullptr;  // handed back to the handler's Close
    const char* fullPath = nullptr;     // null for text from memory or from the handler
    std::string directory;
    std::vector<ConditionalFrame> conditionals;
  };
  struct MacroDefinition {
    bool hasParameters = false;
    std::vector<const char*> parameters;
    std::vector<Token> body;
  };
  struct BlockScope {
    std::uint32_t flags;
    std::uint32_t braceDepth;
  };
  struct ActiveExpansion {
    const char* name;
    std::size_t pendingFloor;  // the expansion lasts while more tokens than this are pending
  };
  enum class DirectiveOutcome { Clean, Error, Skip, Fail };
  class DirectiveParser;
  friend class DirectiveParser;

  HRESULT openSource(const char* name, IncludeType type, const char* nameForMessages, const SourceLocation* where);
  HRESULT openMemorySource(const char* text, std::size_t length, const char* name);
  void closeInnermostSource();
  void installMacros(const ShaderDefine* defines);
  void defineObjectMacro(const char* name, std::string_view bodyText);

  Token scan(std::uint32_t flags);
  bool takePending(Token& token);
  Token processDirective();

  // Macros.
  const MacroDefinition* findMacro(const char* name) const;
  bool isExpanding(const char* name) const;
  // True when `token` named a macro and its expansion was queued.
  bool expandMacro(const Token& token);
  bool followedByParenthesis(const Token& token);
  bool readArguments(std::vector<std::vector<Token>>& arguments);
  Token readArgumentToken();
  Token stringize(const std::vector<Token>& argument, char quote);
  void pasteTokens(std::vector<Token>& tokens, const std::vector<bool>& pasteMarks);
  std::vector<Token> scanText(std::string_view text);
  void queueExpansion(const char* name, std::vector<Token>&& tokens);
  std::vector<Token> storeMacroBody(std::vector<Token>&& body);

  // Conditionals and other directives.
  std::vector<ConditionalFrame>& conditionals();
  void pushConditional(bool value);
  HRESULT includeFile(const Token& nameToken);

  SourceLocation locationOf(const Token& token) const { return {token.file, token.line}; }
  void fail() { failed_ = true; }

  Arena arena_;
  MessageLog log_;
  IncludeHandler* handler_ = nullptr;
  std::vector<std::unique_ptr<SourceFile>> sources_;  // main source first
  std::unordered_map<std::string_view, MacroDefinition> macros_;
  std::deque<Token> pending_;
  std::vector<ActiveExpansion> expansions_;
  std::uint64_t expandedTokens_ = 0;
  std::vector<BlockScope> scopes_;
  std::uint32_t currentFlags_ = kScanDefault;
  bool atStartOfLine_ = true;
  bool active_ = true;
  bool failed_ = false;
  std::uint32_t matrixPacking_ = kPackMatrixDefault;
  std::string_view mainText_;
  const char* mainFileName_ = nullptr;
  HRESULT failure_ = S_OK;
};

}  // namespace shader_asm
