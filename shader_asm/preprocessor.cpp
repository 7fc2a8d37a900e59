#include "shader_asm/preprocessor.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/win/result_codes.h"
#include "shader_asm/source_file.h"

namespace shader_asm {

ShaderPreprocessor::ShaderPreprocessor() = default;

ShaderPreprocessor::~ShaderPreprocessor() {
  while (!sources_.empty()) closeInnermostSource();
}

void ShaderPreprocessor::closeInnermostSource() {
  std::unique_ptr<SourceFile>& source = sources_.back();
  if (source->fromHandler) handler_->Close(source->handlerData);
  sources_.pop_back();
}

HRESULT ShaderPreprocessor::initializeFromFile(const char* fileName, const ShaderDefine* defines,
                                               IncludeHandler* handler) try {
  handler_ = handler;
  if (fileName == nullptr) return D3DERR_INVALIDCALL;
  HRESULT result = openSource(fileName, IncludeType::Local, fileName, nullptr);
  if (FAILED(result)) return result;
  mainFileName_ = sources_.front()->scan.file;
  installMacros(defines);
  return S_OK;
} catch (const std::bad_alloc&) {
  log_.error(nullptr, MessageId::OutOfMemory);
  return E_OUTOFMEMORY;
}

HRESULT ShaderPreprocessor::initializeFromMemory(const char* text, std::size_t length, const char* name,
                                                 const ShaderDefine* defines, IncludeHandler* handler) try {
  handler_ = handler;
  if (text == nullptr && length != 0) return D3DERR_INVALIDCALL;
  HRESULT result = openMemorySource(text, length, name);
  if (FAILED(result)) return result;
  mainFileName_ = sources_.front()->scan.file;
  installMacros(defines);
  return S_OK;
} catch (const std::bad_alloc&) {
  log_.error(nullptr, MessageId::OutOfMemory);
  return E_OUTOFMEMORY;
}

HRESULT ShaderPreprocessor::openMemorySource(const char* text, std::size_t length, const char* name) {
  auto source = std::make_unique<SourceFile>();
  source->scan.position = text;
  source->scan.end = text == nullptr ? nullptr : text + length;
  source->scan.file = name == nullptr ? nullptr : arena_.copy(name);
  mainText_ = std::string_view(text == nullptr ? "" : text, length);
  sources_.push_back(std::move(source));
  return S_OK;
}

// `name` is what the handler or the file system gets; `nameForMessages` what 1507 shows.
HRESULT ShaderPreprocessor::openSource(const char* name, IncludeType type, const char* nameForMessages,
                                       const SourceLocation* where) {
  auto source = std::make_unique<SourceFile>();
  if (handler_ != nullptr) {
    const void* parentData = sources_.empty() ? nullptr : sources_.back()->handlerData;
    const void* data = nullptr;
    UINT bytes = 0;
    HRESULT result = handler_->Open(type, name, parentData, &data, &bytes);
    if (FAILED(result)) {
      log_.error(where, MessageId::FailedToOpenSource, nameForMessages);
      return result;
    }
    source->fromHandler = true;
    source->handlerData = data;
    source->scan.position = static_cast<const char*>(data);
    source->scan.end = data == nullptr ? source->scan.position : source->scan.position + bytes;
    source->scan.file = arena_.copy(name);
  } else {
    std::string full = fullPathOf(name);
    if (full.empty() || !source->file.open(full.c_str())) {
      log_.error(where, MessageId::FailedToOpenSource, nameForMessages);
      return ResultInvalidData;
    }
    source->fullPath = arena_.copy(full);
    source->directory = directoryOf(full);
    source->scan.position = source->file.data();
    source->scan.end = source->file.data() + source->file.size();
    source->scan.file = source->fullPath;
  }
  if (sources_.empty()) mainText_ = std::string_view(source->scan.position, source->scan.end - source->scan.position);
  sources_.push_back(std::move(source));
  return S_OK;
}

void ShaderPreprocessor::installMacros(const ShaderDefine* defines) {
  defineObjectMacro("DIRECT3D", "");
  defineObjectMacro("PRISMASM", "");
  defineObjectMacro("DIRECT3D_VERSION", "0x900");
  defineObjectMacro("PRISMASM_VERSION", "0x900");
  for (const ShaderDefine* define = defines; define != nullptr && define->name != nullptr; ++define) {
    defineObjectMacro(define->name, define->definition == nullptr ? "" : define->definition);
  }
}

void ShaderPreprocessor::defineObjectMacro(const char* name, std::string_view bodyText) {
  const char* text = arena_.copy(bodyText);
  ScanState state{text, text + bodyText.size(), 0, nullptr};
  MacroDefinition macro;
  for (;;) {
    Token token = scanToken(state, currentFlags_, arena_, log_);
    if (token.kind == TokenKind::EndOfFile) break;
    if (token.kind != TokenKind::EndOfLine) macro.body.push_back(token);
  }
  const char* key = arena_.copy(name);
  macros_.insert_or_assign(std::string_view(key), std::move(macro));
}

SourceLocation ShaderPreprocessor::currentLocation() const {
  if (sources_.empty()) return {};
  return {sources_.back()->scan.file, sources_.back()->scan.line};
}

HRESULT ShaderPreprocessor::beginBlock(std::uint32_t scanFlags) {
  scopes_.push_back({scanFlags, 1});
  currentFlags_ = scanFlags;
  return S_OK;
}

HRESULT ShaderPreprocessor::endBlock() {
  if (scopes_.empty()) return D3DERR_INVALIDCALL;
  Token token;
  while (SUCCEEDED(nextToken(token)) && token.kind != TokenKind::EndOfFile) {
  }
  scopes_.pop_back();
  currentFlags_ = scopes_.empty() ? kScanDefault : scopes_.back().flags;
  return S_OK;
}

Token ShaderPreprocessor::scan(std::uint32_t flags) {
  if (sources_.empty()) return Token{};
  return scanToken(sources_.back()->scan, flags, arena_, log_);
}

bool ShaderPreprocessor::takePending(Token& token) {
  while (!expansions_.empty() && expansions_.back().pendingFloor >= pending_.size()) expansions_.pop_back();
  if (pending_.empty()) return false;
  token = pending_.front();
  pending_.pop_front();
  SourceLocation location = currentLocation();
  token.file = location.file;
  token.line = location.line;
  return true;
}

std::vector<ShaderPreprocessor::ConditionalFrame>& ShaderPreprocessor::conditionals() {
  return sources_.back()->conditionals;
}

HRESULT ShaderPreprocessor::nextToken(Token& out) try {
  for (;;) {
    if (failed_ || sources_.empty()) {
      SourceLocation location = currentLocation();
      out = Token{};
      out.file = location.file;
      out.line = location.line;
      return failed_ ? (FAILED(failure_) ? failure_ : E_FAIL) : S_OK;
    }
    if (!scopes_.empty() && scopes_.back().braceDepth == 0) {
      out = Token{};
      SourceLocation location = currentLocation();
      out.file = location.file;
      out.line = location.line;
      return S_OK;
    }
    Token token;
    bool fromPending = takePending(token);
    if (!fromPending) {
      token = scan(currentFlags_);
      if (atStartOfLine_ && token.isPunctuator('#')) {
        token = processDirective();
        if (failed_) continue;
      }
    }
    if (token.kind == TokenKind::EndOfFile) {
      std::vector<ConditionalFrame>& frames = conditionals();
      if (!frames.empty()) {
        SourceLocation location = locationOf(token);
        log_.error(&location, MessageId::UnexpectedEndOfFile);
        active_ = frames.front().parentActive;
        frames.clear();
      }
      if (sources_.size() > 1) {
        closeInnermostSource();
        token.kind = TokenKind::EndOfLine;
        SourceLocation location = currentLocation();
        token.file = location.file;
        token.line = location.line;
      } else {
        atStartOfLine_ = true;
        out = token;
        return S_OK;
      }
    }
    if (token.kind == TokenKind::Identifier && active_ && !token.noExpand) {
      if (isExpanding(token.value.text)) {
        token.noExpand = true;
      } else if (expandMacro(token)) {
        continue;
      } else if (token.value.text[0] != '_') {
        // Not __FILE__ or __LINE__.
      } else if (std::strcmp(token.value.text, "__FILE__") == 0) {
        token.kind = TokenKind::String;
        token.value.text = token.file == nullptr ? "" : token.file;
      } else if (std::strcmp(token.value.text, "__LINE__") == 0) {
        token.kind = TokenKind::Integer;
        token.value.integer = token.line;
      }
    }
    atStartOfLine_ = token.kind == TokenKind::EndOfLine;
    if (!active_) continue;
    if (scopes_.size() >= 2 && token.kind == TokenKind::Punctuator) {
      BlockScope& scope = scopes_.back();
      if (token.isPunctuator('{')) {
        ++scope.braceDepth;
      } else if (token.isPunctuator('}')) {
        if (scope.braceDepth > 0) --scope.braceDepth;
        if (scope.braceDepth == 0) token.kind = TokenKind::EndOfFile;
      }
    }
    out = token;
    return S_OK;
  }
} catch (const std::bad_alloc&) {
  log_.error(nullptr, MessageId::OutOfMemory);
  failed_ = true;
  failure_ = E_OUTOFMEMORY;
  return E_OUTOFMEMORY;
}

// ---- macros ----

const ShaderPreprocessor::MacroDefinition* ShaderPreprocessor::findMacro(const char* name) const {
  auto found = macros_.find(std::string_view(name));
  return found == macros_.end() ? nullptr : &found->second;
}

bool ShaderPreprocessor::isExpanding(const char* name) const {
  for (const ActiveExpansion& expansion : expansions_) {
    if (std::strcmp(expansion.name, name) == 0) return true;
  }
  return false;
}

bool ShaderPreprocessor::followedByParenthesis(const Token& token) {
  const char* after = token.sourceStart + token.sourceLength;
  if (!pending_.empty()) {
    const Token& next = pending_.front();
    return next.isPunctuator('(') && next.sourceStart == after;
  }
  const ScanState& state = sources_.back()->scan;
  return state.position == after && state.position < state.end && *state.position == '(';
}

Token ShaderPreprocessor::readArgumentToken() {
  Token token;
  if (takePending(token)) return token;
  return scan(currentFlags_);
}

// Reads "( a, b, ... )" after a macro name. False after 1515 (end of file inside the call).
bool ShaderPreprocessor::readArguments(std::vector<std::vector<Token>>& arguments) {
  readArgumentToken();  // the '(' that followedByParenthesis saw
  arguments.emplace_back();
  std::size_t depth = 1;
  for (;;) {
    Token token = readArgumentToken();
    if (token.kind == TokenKind::EndOfFile) {
      SourceLocation location = locationOf(token);
      log_.error(&location, MessageId::EndOfFileInMacro);
      return false;
    }
    if (token.kind == TokenKind::Punctuator && token.value.punctuator[1] == '\0') {
      char c = token.value.punctuator[0];
      if (c == '(' || c == '[' || c == '{') {
        ++depth;
      } else if (c == ')' || c == ']' || c == '}') {
        if (--depth == 0) return true;
      } else if (c == ',' && depth == 1) {
        arguments.emplace_back();
        continue;
      }
    }
    arguments.back().push_back(token);
  }
}

std::vector<Token> ShaderPreprocessor::scanText(std::string_view text) {
  const char* copy = arena_.copy(text);
  SourceLocation location = currentLocation();
  ScanState state{copy, copy + text.size(), location.line, location.file};
  std::vector<Token> tokens;
  for (;;) {
    Token token = scanToken(state, currentFlags_, arena_, log_);
    if (token.kind == TokenKind::EndOfFile) break;
    if (token.kind != TokenKind::EndOfLine) tokens.push_back(token);
  }
  return tokens;
}

// '#' (quote '"') and '#@' (quote '\'') applied to an argument.
Token ShaderPreprocessor::stringize(const std::vector<Token>& argument, char quote) {
  std::string text(1, quote);
  const Token* previous = nullptr;
  for (const Token& token : argument) {
    if (token.kind == TokenKind::EndOfLine) continue;
    if (previous != nullptr && previous->sourceStart + previous->sourceLength != token.sourceStart) text += ' ';
    for (std::uint32_t i = 0; i < token.sourceLength; ++i) {
      char c = token.sourceStart[i];
      if (c == '"' || (c == '\\' && token.kind == TokenKind::String)) text += '\\';
      text += c;
    }
    previous = &token;
  }
  text += quote;
  std::vector<Token> scanned = scanText(text);
  if (scanned.empty()) return Token{};
  return scanned.front();
}

void ShaderPreprocessor::pasteTokens(std::vector<Token>& tokens, const std::vector<bool>& pasteMarks) {
  std::vector<Token> result;
  result.reserve(tokens.size());
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (pasteMarks[i] && !result.empty() && i + 1 < tokens.size()) {
      const Token& left = result.back();
      const Token& right = tokens[i + 1];
      std::string text(left.sourceStart, left.sourceLength);
      text.append(right.sourceStart, right.sourceLength);
      std::vector<Token> pasted = scanText(text);
      result.pop_back();
      result.insert(result.end(), pasted.begin(), pasted.end());
      ++i;
    } else {
      result.push_back(tokens[i]);
    }
  }
  tokens = std::move(result);
}

void ShaderPreprocessor::queueExpansion(const char* name, std::vector<Token>&& tokens) {
  expandedTokens_ += tokens.size() + 1;
  if (expandedTokens_ > kMaxExpandedTokens || pending_.size() + tokens.size() > kMaxPendingTokens) {
    SourceLocation location = currentLocation();
    log_.error(&location, MessageId::OutOfMemory);
    failed_ = true;
    failure_ = E_OUTOFMEMORY;
    return;
  }
  expansions_.push_back({name, pending_.size()});
  pending_.insert(pending_.begin(), tokens.begin(), tokens.end());
}

bool ShaderPreprocessor::expandMacro(const Token& token) {
  const MacroDefinition* macro = findMacro(token.value.text);
  if (macro == nullptr) return false;
  auto isPaste = [](const Token& t) {
    return t.kind == TokenKind::Punctuator && std::strcmp(t.value.punctuator, "##") == 0;
  };
  const char* name = macros_.find(std::string_view(token.value.text))->first.data();
  std::vector<Token> result;
  std::vector<bool> pasteMarks;
  if (!macro->hasParameters) {
    result = macro->body;
    for (const Token& t : result) pasteMarks.push_back(isPaste(t));
  } else {
    if (!followedByParenthesis(token)) return false;
    // The definition may be replaced while its arguments are read; keep a copy.
    MacroDefinition definition = *macro;
    std::vector<std::vector<Token>> arguments;
    if (!readArguments(arguments)) return true;
    if (arguments.size() != definition.parameters.size()) {
      SourceLocation location = locationOf(token);
      log_.error(&location, MessageId::MacroArgumentCount, token.value.text);
      return true;
    }
    auto parameterIndex = [&](const Token& t) -> int {
      if (t.kind != TokenKind::Identifier) return -1;
      for (std::size_t i = 0; i < definition.parameters.size(); ++i) {
        if (std::strcmp(definition.parameters[i], t.value.text) == 0) return static_cast<int>(i);
      }
      return -1;
    };
    const std::vector<Token>& body = definition.body;
    for (std::size_t i = 0; i < body.size(); ++i) {
      const Token& t = body[i];
      bool stringizer =
          t.isPunctuator('#') || (t.kind == TokenKind::Punctuator && std::strcmp(t.value.punctuator, "#@") == 0);
      int parameter = i + 1 < body.size() ? parameterIndex(body[i + 1]) : -1;
      if (stringizer && parameter >= 0) {
        result.push_back(stringize(arguments[parameter], t.isPunctuator('#') ? '"' : '\''));
        pasteMarks.push_back(false);
        ++i;
      } else if (int own = parameterIndex(t); own >= 0) {
        result.insert(result.end(), arguments[own].begin(), arguments[own].end());
        pasteMarks.resize(result.size(), false);
      } else {
        result.push_back(t);
        pasteMarks.push_back(isPaste(t));
      }
    }
  }
  if (std::find(pasteMarks.begin(), pasteMarks.end(), true) != pasteMarks.end()) pasteTokens(result, pasteMarks);
  queueExpansion(name, std::move(result));
  return true;
}

// Macro bodies outlive the source they were defined in, so their text moves to the arena.
std::vector<Token> ShaderPreprocessor::storeMacroBody(std::vector<Token>&& body) {
  if (body.empty()) return std::move(body);
  const char* first = body.front().sourceStart;
  const char* last = body.back().sourceStart + body.back().sourceLength;
  const char* copy = arena_.copy(std::string_view(first, static_cast<std::size_t>(last - first)));
  for (Token& token : body) token.sourceStart = copy + (token.sourceStart - first);
  return std::move(body);
}

}  // namespace shader_asm
