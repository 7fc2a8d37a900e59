// Directive lines: #define, #undef, #line, #include, #error, conditionals, #pragma, and the
// #if expression evaluator.
#include <cstring>
#include <iterator>
#include <string_view>

#include "platform/win/result_codes.h"
#include "shader_asm/preprocessor.h"
#include "shader_asm/source_file.h"

namespace shader_asm {

class ShaderPreprocessor::DirectiveParser {
 public:
  DirectiveParser(ShaderPreprocessor& preprocessor, bool activeBefore)
      : pp_(preprocessor),
        activeBefore_(activeBefore),
        rawFlags_(preprocessor.currentFlags_ | kScanRawStrings),
        plainFlags_(preprocessor.currentFlags_) {}

  // Parses the directive after its '#' and returns the token that ends its line.
  Token run();

 private:
  using Handler = DirectiveOutcome (DirectiveParser::*)();
  struct DirectiveRow {
    std::string_view name;
    Handler handler;
    bool inInactiveRegions;  // recognised while the region is inactive
  };
  static const DirectiveRow kDirectives[12];

  DirectiveOutcome define();
  DirectiveOutcome undef();
  DirectiveOutcome line();
  DirectiveOutcome include();
  DirectiveOutcome error();
  DirectiveOutcome ifDirective();
  DirectiveOutcome ifdef();
  DirectiveOutcome ifndef();
  DirectiveOutcome elif ();
  DirectiveOutcome elseDirective();
  DirectiveOutcome endif();
  DirectiveOutcome pragma();
  DirectiveOutcome pragmaPackMatrix();
  DirectiveOutcome pragmaWarning();
  DirectiveOutcome definedTest(bool wantDefined);

  Token finish(DirectiveOutcome outcome);
  void advance(std::uint32_t flags) { current_ = pp_.scan(flags); }
  void advance() { advance(rawFlags_); }
  void syntaxError();
  bool enter();
  void leave() { --depth_; }
  std::uint32_t evaluate();
  std::uint32_t conditional();
  std::uint32_t binary(int minimumPriority);
  std::uint32_t unary();
  std::uint32_t primary();
  std::uint32_t identifierValue(const Token& token);
  bool nextCharIsParenthesis(const Token& token) const;

  ShaderPreprocessor& pp_;
  bool activeBefore_;
  std::uint32_t rawFlags_;
  std::uint32_t plainFlags_;
  Token name_;
  Token current_;
  bool syntaxError_ = false;
  std::size_t depth_ = 0;
};

const ShaderPreprocessor::DirectiveParser::DirectiveRow ShaderPreprocessor::DirectiveParser::kDirectives[12] = {
    {"define", &DirectiveParser::define, false}, {"undef", &DirectiveParser::undef, false},
    {"line", &DirectiveParser::line, false},     {"include", &DirectiveParser::include, false},
    {"error", &DirectiveParser::error, false},   {"if", &DirectiveParser::ifDirective, true},
    {"ifdef", &DirectiveParser::ifdef, true},    {"ifndef", &DirectiveParser::ifndef, true},
    {"elif", &DirectiveParser::elif, true},      {"else", &DirectiveParser::elseDirective, true},
    {"endif", &DirectiveParser::endif, true},    {"pragma", &DirectiveParser::pragma, false},
};

Token ShaderPreprocessor::processDirective() {
  DirectiveParser parser(*this, active_);
  return parser.run();
}

Token ShaderPreprocessor::DirectiveParser::run() {
  advance();
  name_ = current_;
  if (name_.kind == TokenKind::Identifier) {
    for (const DirectiveRow& row : kDirectives) {
      if (row.name != name_.value.text) continue;
      if (!activeBefore_ && !row.inInactiveRegions) return finish(DirectiveOutcome::Skip);
      return finish((this->*row.handler)());
    }
  }
  if (!activeBefore_) return finish(DirectiveOutcome::Skip);
  if (name_.isLineEnd()) {
    syntaxError();
  } else {
    SourceLocation location = pp_.locationOf(name_);
    std::string text = name_.kind == TokenKind::Identifier ? std::string(name_.value.text)
                                                           : std::string(name_.sourceStart, name_.sourceLength);
    pp_.log_.error(&location, MessageId::InvalidCommand, text.c_str());
  }
  return finish(DirectiveOutcome::Error);
}

Token ShaderPreprocessor::DirectiveParser::finish(DirectiveOutcome outcome) {
  if (pp_.failed_) return current_;
  if (outcome == DirectiveOutcome::Clean && !current_.isLineEnd()) {
    if (activeBefore_ || pp_.active_) {
      SourceLocation location = pp_.locationOf(current_);
      pp_.log_.error(&location, MessageId::TokensAfterDirective);
    }
    outcome = DirectiveOutcome::Error;
  }
  while (!current_.isLineEnd()) advance();
  if (outcome == DirectiveOutcome::Error) pp_.pending_.clear();
  return current_;
}

void ShaderPreprocessor::DirectiveParser::syntaxError() {
  if (syntaxError_) return;
  syntaxError_ = true;
  if (!activeBefore_) return;
  SourceLocation location = pp_.locationOf(current_);
  pp_.log_.error(&location, MessageId::PreprocessorSyntaxError, describeToken(current_).c_str());
}

bool ShaderPreprocessor::DirectiveParser::nextCharIsParenthesis(const Token& token) const {
  const ScanState& state = pp_.sources_.back()->scan;
  const char* after = token.sourceStart + token.sourceLength;
  return state.position == after && state.position < state.end && *state.position == '(';
}

// define: 'define' Identifier [ '(' Identifier { ',' Identifier } ')' ] { token }
ShaderPreprocessor::DirectiveOutcome ShaderPreprocessor::DirectiveParser::define() {
  advance();
  if (current_.kind != TokenKind::Identifier) {
    syntaxError();
    return DirectiveOutcome::Error;
  }
  Token name = current_;
  MacroDefinition macro;
  if (nextCharIsParenthesis(name)) {
    macro.hasParameters = true;
    advance(plainFlags_);  // '('
    for (;;) {
      advance(plainFlags_);
      if (current_.kind != TokenKind::Identifier) {
        syntaxError();
        return DirectiveOutcome::Error;
      }
      for (const char* parameter : macro.parameters) {
        if (std::strcmp(parameter, current_.value.text) == 0) {
          SourceLocation location = pp_.locationOf(current_);
          pp_.log_.error(&location, MessageId::DuplicateMacroParameter, current_.value.text);
          break;
        }
      }
      macro.parameters.push_back(current_.value.text);
      advance(plainFlags_);
      if (current_.isPunctuator(',')) continue;
      if (current_.isPunctuator(')')) break;
      syntaxError();
      return DirectiveOutcome::Error;
    }
  }
  std::vector<Token> body;
  for (advance(plainFlags_); !current_.isLineEnd(); advance(plainFlags_)) body.push_back(current_);
  macro.body = pp_.storeMacroBody(std::move(body));
  pp_.macros_.insert_or_assign(std::string_view(name.value.text), std::move(macro));
  return DirectiveOutcome::Clean;
}

// undef: 'undef' Identifier
ShaderPreprocessor::DirectiveOutcome ShaderPreprocessor::DirectiveParser::undef() {
  advance();
  if (current_.kind != TokenKind::Identifier) {
    syntaxError();
    return DirectiveOutcome::Error;
  }
  pp_.macros_.erase(std::string_view(current_.value.text));
  advance();
  return DirectiveOutcome::Clean;
}

// line: 'line' Integer [ String ]
ShaderPreprocessor::DirectiveOutcome ShaderPreprocessor::DirectiveParser::line() {
  advance();
  if (!current_.isInteger()) {
    syntaxError();
    return DirectiveOutcome::Error;
  }
  std::uint32_t number = current_.value.integer;
  ScanState& state = pp_.sources_.back()->scan;
  std::uint32_t lineBefore = state.line;
  advance();
  if (current_.kind == TokenKind::String) {
    state.file = current_.value.text;
    lineBefore = state.line;
    advance();
  }
  // The next line gets `number`, however many line ends the closing token crossed.
  state.line = number - 1 + (state.line - lineBefore);
  return DirectiveOutcome::Clean;
}

// include: 'include' ( String | AngleString )
ShaderPreprocessor::DirectiveOutcome ShaderPreprocessor::DirectiveParser::include() {
  advance(rawFlags_ | kScanAngleStrings);
  if (current_.kind != TokenKind::String && current_.kind != TokenKind::AngleString) {
    syntaxError();
    return DirectiveOutcome::Error;
  }
  Token name = current_;
  advance();
  if (!current_.isLineEnd()) return DirectiveOutcome::Clean;  // finish reports the extra tokens
  HRESULT result = pp_.includeFile(name);
  if (FAILED(result)) return DirectiveOutcome::Fail;
  // The including file's end, if it came with this line, is met again after the include.
  current_.kind = TokenKind::EndOfLine;
  return DirectiveOutcome::Clean;
}

// error: 'error' rest-of-line
ShaderPreprocessor::DirectiveOutcome ShaderPreprocessor::DirectiveParser::error() {
  ScanState& state = pp_.sources_.back()->scan;
  std::uint32_t line = name_.line;
  while (state.position < state.end && (*state.position == ' ' || *state.position == '\t')) ++state.position;
  std::string text;
  while (state.position < state.end && *state.position != '\n') {
    char c = *state.position;
    std::size_t left = static_cast<std::size_t>(state.end - state.position);
    if (c == '\\' && left >= 2 && state.position[1] == '\n') {
      state.position += 2;
      ++state.line;
      continue;
    }
    if (c == '\\' && left >= 3 && state.position[1] == '\r' && state.position[2] == '\n') {
      state.position += 3;
      ++state.line;
      continue;
    }
    ++state.position;
    if (c != '\r' && text.size() < kMaxErrorText) text += c;
  }
  SourceLocation location{name_.file, line};
  pp_.log_.error(&location, MessageId::ErrorDirective, text.c_str());
  pp_.fail();
  advance();
  return DirectiveOutcome::Fail;
}

// if: 'if' expression
ShaderPreprocessor::DirectiveOutcome ShaderPreprocessor::DirectiveParser::ifDirective() {
  if (!activeBefore_) {
    pp_.pushConditional(false);
    return DirectiveOutcome::Skip;
  }
  std::uint32_t value = evaluate();
  pp_.pushConditional(!syntaxError_ && value != 0);
  return syntaxError_ ? DirectiveOutcome::Error : DirectiveOutcome::Clean;
}

ShaderPreprocessor::DirectiveOutcome ShaderPreprocessor::DirectiveParser::definedTest(bool wantDefined) {
  if (!activeBefore_) {
    pp_.pushConditional(false);
    return DirectiveOutcome::Skip;
  }
  advance();
  if (current_.kind != TokenKind::Identifier) {
    syntaxError();
    pp_.pushConditional(false);
    return DirectiveOutcome::Error;
  }
  bool defined = pp_.findMacro(current_.value.text) != nullptr;
  pp_.pushConditional(defined == wantDefined);
  advance();
  return DirectiveOutcome::Clean;
}

// ifdef: 'ifdef' Identifier
ShaderPreprocessor::DirectiveOutcome ShaderPreprocessor::DirectiveParser::ifdef() { return definedTest(true); }
// ifndef: 'ifndef' Identifier
ShaderPreprocessor::DirectiveOutcome ShaderPreprocessor::DirectiveParser::ifndef() { return definedTest(false); }

// elif: 'elif' expression
ShaderPreprocessor::DirectiveOutcome ShaderPreprocessor::DirectiveParser::elif () {
  std::vector<ConditionalFrame>& frames = pp_.conditionals();
  SourceLocation location = pp_.locationOf(name_);
  if (frames.empty()) {
    pp_.log_.error(&location, MessageId::UnexpectedElif);
    return DirectiveOutcome::Error;
  }
  ConditionalFrame& frame = frames.back();
  if (frame.elseSeen) {
    pp_.log_.error(&location, MessageId::ElifAfterElse);
    return DirectiveOutcome::Error;
  }
  if (!activeBefore_ && (frame.taken || !frame.parentActive)) return DirectiveOutcome::Skip;
  std::uint32_t value = evaluate();
  bool holds = !syntaxError_ && value != 0;
  pp_.active_ = holds && !frame.taken && frame.parentActive;
  if (holds) frame.taken = true;
  return syntaxError_ ? DirectiveOutcome::Error : DirectiveOutcome::Clean;
}

// else: 'else'
ShaderPreprocessor::DirectiveOutcome ShaderPreprocessor::DirectiveParser::elseDirective() {
  std::vector<ConditionalFrame>& frames = pp_.conditionals();
  SourceLocation location = pp_.locationOf(name_);
  advance();
  if (frames.empty()) {
    pp_.log_.error(&location, MessageId::UnexpectedElse);
    return DirectiveOutcome::Error;
  }
  ConditionalFrame& frame = frames.back();
  if (frame.elseSeen) {
    pp_.log_.error(&location, MessageId::ElseAfterElse);
    return DirectiveOutcome::Error;
  }
  pp_.active_ = !frame.taken && frame.parentActive;
  frame.taken = true;
  frame.elseSeen = true;
  return DirectiveOutcome::Clean;
}

// endif: 'endif'
ShaderPreprocessor::DirectiveOutcome ShaderPreprocessor::DirectiveParser::endif() {
  std::vector<ConditionalFrame>& frames = pp_.conditionals();
  SourceLocation location = pp_.locationOf(name_);
  advance();
  if (frames.empty()) {
    pp_.log_.error(&location, MessageId::UnexpectedEndif);
    return DirectiveOutcome::Error;
  }
  pp_.active_ = frames.back().parentActive;
  frames.pop_back();
  return DirectiveOutcome::Clean;
}

// pragma: 'pragma' ( pack_matrix | warning ) ...; anything else is ignored.
ShaderPreprocessor::DirectiveOutcome ShaderPreprocessor::DirectiveParser::pragma() {
  advance(plainFlags_);
  if (current_.kind != TokenKind::Identifier) return DirectiveOutcome::Skip;
  if (std::strcmp(current_.value.text, "pack_matrix") == 0) return pragmaPackMatrix();
  if (std::strcmp(current_.value.text, "warning") == 0) return pragmaWarning();
  return DirectiveOutcome::Skip;
}

// pack_matrix '(' [ row_major | column_major ] ')'
ShaderPreprocessor::DirectiveOutcome ShaderPreprocessor::DirectiveParser::pragmaPackMatrix() {
  advance(plainFlags_);
  if (!current_.isPunctuator('(')) return DirectiveOutcome::Skip;
  advance(plainFlags_);
  std::uint32_t packing = kPackMatrixDefault;
  if (current_.kind == TokenKind::Identifier) {
    if (std::strcmp(current_.value.text, "row_major") == 0) {
      packing = kPackMatrixRowMajor;
    } else if (std::strcmp(current_.value.text, "column_major") == 0) {
      packing = kPackMatrixColumnMajor;
    } else {
      return DirectiveOutcome::Skip;
    }
    advance(plainFlags_);
  }
  if (!current_.isPunctuator(')')) return DirectiveOutcome::Skip;
  advance(plainFlags_);
  if (!current_.isLineEnd()) return DirectiveOutcome::Skip;
  pp_.matrixPacking_ = packing;
  return DirectiveOutcome::Clean;
}

// warning '(' group { ';' group } ')' with group: specifier ':' number { number }
ShaderPreprocessor::DirectiveOutcome ShaderPreprocessor::DirectiveParser::pragmaWarning() {
  struct SpecifierName {
    std::string_view name;
    WarningSpecifier specifier;
  };
  static constexpr SpecifierName kSpecifiers[] = {{"once", WarningSpecifier::Once},
                                                  {"error", WarningSpecifier::Error},
                                                  {"disable", WarningSpecifier::Disable},
                                                  {"default", WarningSpecifier::Default}};
  struct Setting {
    WarningSpecifier specifier;
    std::uint32_t code;
  };
  std::vector<Setting> settings;
  advance(plainFlags_);
  if (!current_.isPunctuator('(')) return DirectiveOutcome::Skip;
  for (;;) {
    advance(plainFlags_);
    WarningSpecifier specifier;
    if (current_.kind == TokenKind::Identifier) {
      const SpecifierName* found = nullptr;
      for (const SpecifierName& entry : kSpecifiers) {
        if (entry.name == current_.value.text) found = &entry;
      }
      if (found == nullptr) return DirectiveOutcome::Skip;
      specifier = found->specifier;
    } else if (current_.isInteger() && current_.value.integer >= 1 && current_.value.integer <= 4) {
      specifier = static_cast<WarningSpecifier>(static_cast<int>(WarningSpecifier::Level1) +
                                                static_cast<int>(current_.value.integer) - 1);
    } else {
      return DirectiveOutcome::Skip;
    }
    advance(plainFlags_);
    if (!current_.isPunctuator(':')) return DirectiveOutcome::Skip;
    advance(plainFlags_);
    if (!current_.isInteger()) return DirectiveOutcome::Skip;
    while (current_.isInteger()) {
      settings.push_back({specifier, current_.value.integer});
      advance(plainFlags_);
    }
    if (current_.isPunctuator(';')) continue;
    if (current_.isPunctuator(')')) break;
    return DirectiveOutcome::Skip;
  }
  advance(plainFlags_);
  if (!current_.isLineEnd()) return DirectiveOutcome::Skip;
  for (const Setting& setting : settings) pp_.log_.applyWarningSetting(setting.specifier, setting.code);
  return DirectiveOutcome::Clean;
}

// ---- expressions ----
// Values are unsigned 32-bit; macros are not expanded.

namespace {

enum class BinaryOperator {
  Or,
  And,
  Equal,
  NotEqual,
  Less,
  Greater,
  LessEqual,
  GreaterEqual,
  Add,
  Subtract,
  Multiply,
  Divide
};
struct BinaryOperatorRow {
  std::string_view text;
  BinaryOperator op;
  int priority;  // higher binds tighter
};
constexpr BinaryOperatorRow kBinaryOperators[] = {
    {"||", BinaryOperator::Or, 1},        {"&&", BinaryOperator::And, 2},          {"==", BinaryOperator::Equal, 3},
    {"!=", BinaryOperator::NotEqual, 3},  {"<", BinaryOperator::Less, 4},          {">", BinaryOperator::Greater, 4},
    {"<=", BinaryOperator::LessEqual, 4}, {">=", BinaryOperator::GreaterEqual, 4}, {"+", BinaryOperator::Add, 5},
    {"-", BinaryOperator::Subtract, 5},   {"*", BinaryOperator::Multiply, 6},      {"/", BinaryOperator::Divide, 6},
};

const BinaryOperatorRow* binaryOperatorOf(const Token& token) {
  if (token.kind != TokenKind::Punctuator) return nullptr;
  for (const BinaryOperatorRow& row : kBinaryOperators) {
    if (row.text == token.value.punctuator) return &row;
  }
  return nullptr;
}

}  // namespace

bool ShaderPreprocessor::DirectiveParser::enter() {
  if (syntaxError_) return false;
  if (++depth_ > kMaxParserDepth) {
    --depth_;
    syntaxError_ = true;
    SourceLocation location = pp_.locationOf(current_);
    pp_.log_.error(&location, MessageId::StackOverflow);
    return false;
  }
  return true;
}

std::uint32_t ShaderPreprocessor::DirectiveParser::evaluate() {
  advance();
  return conditional();
}

// conditional: binary [ '?' conditional ':' conditional ]
std::uint32_t ShaderPreprocessor::DirectiveParser::conditional() {
  if (!enter()) return 0;
  std::uint32_t value = binary(1);
  if (!syntaxError_ && current_.isPunctuator('?')) {
    advance();
    std::uint32_t whenTrue = conditional();
    if (!syntaxError_ && !current_.isPunctuator(':')) syntaxError();
    if (!syntaxError_) advance();
    std::uint32_t whenFalse = conditional();
    value = value != 0 ? whenTrue : whenFalse;
  }
  leave();
  return syntaxError_ ? 0 : value;
}

// binary: unary { operator binary-of-higher-priority }
std::uint32_t ShaderPreprocessor::DirectiveParser::binary(int minimumPriority) {
  std::uint32_t left = unary();
  for (;;) {
    if (syntaxError_) return 0;
    const BinaryOperatorRow* row = binaryOperatorOf(current_);
    if (row == nullptr || row->priority < minimumPriority) return left;
    Token operatorToken = current_;
    advance();
    if (!enter()) return 0;
    std::uint32_t right = binary(row->priority + 1);
    leave();
    if (syntaxError_) return 0;
    switch (row->op) {
      case BinaryOperator::Or: left = (left != 0 || right != 0) ? 1 : 0; break;
      case BinaryOperator::And: left = (left != 0 && right != 0) ? 1 : 0; break;
      case BinaryOperator::Equal: left = left == right; break;
      case BinaryOperator::NotEqual: left = left != right; break;
      case BinaryOperator::Less: left = left < right; break;
      case BinaryOperator::Greater: left = left > right; break;
      case BinaryOperator::LessEqual: left = left <= right; break;
      case BinaryOperator::GreaterEqual: left = left >= right; break;
      case BinaryOperator::Add: left += right; break;
      case BinaryOperator::Subtract: left -= right; break;
      case BinaryOperator::Multiply: left *= right; break;
      case BinaryOperator::Divide:
        if (right == 0) {
          SourceLocation location = pp_.locationOf(operatorToken);
          pp_.log_.error(&location, MessageId::DivisionByZero);
          left = 0;
        } else {
          left /= right;
        }
        break;
    }
  }
}

// unary: ( '!' | '-' | '+' ) unary | primary
std::uint32_t ShaderPreprocessor::DirectiveParser::unary() {
  if (syntaxError_) return 0;
  if (current_.isPunctuator('!') || current_.isPunctuator('-') || current_.isPunctuator('+')) {
    char op = current_.value.punctuator[0];
    advance();
    if (!enter()) return 0;
    std::uint32_t operand = unary();
    leave();
    if (op == '!') return operand == 0 ? 1 : 0;
    if (op == '-') return 0u - operand;
    return operand;
  }
  return primary();
}

// primary: integer | 'defined' '(' Identifier ')' | '(' conditional ')' | Identifier
std::uint32_t ShaderPreprocessor::DirectiveParser::primary() {
  if (syntaxError_) return 0;
  if (current_.isInteger()) {
    std::uint32_t value = current_.value.integer;
    advance();
    return value;
  }
  if (current_.kind == TokenKind::Identifier && std::strcmp(current_.value.text, "defined") == 0) {
    advance();
    if (!current_.isPunctuator('(')) return syntaxError(), 0;
    advance();
    if (current_.kind != TokenKind::Identifier) return syntaxError(), 0;
    std::uint32_t value = pp_.findMacro(current_.value.text) != nullptr ? 1 : 0;
    advance();
    if (!current_.isPunctuator(')')) return syntaxError(), 0;
    advance();
    return value;
  }
  if (current_.kind == TokenKind::Identifier) {
    std::uint32_t value = identifierValue(current_);
    advance();
    return value;
  }
  if (current_.isPunctuator('(')) {
    advance();
    std::uint32_t value = conditional();
    if (syntaxError_) return 0;
    if (!current_.isPunctuator(')')) return syntaxError(), 0;
    advance();
    return value;
  }
  syntaxError();
  return 0;
}

std::uint32_t ShaderPreprocessor::DirectiveParser::identifierValue(const Token& token) {
  const MacroDefinition* macro = pp_.findMacro(token.value.text);
  if (macro == nullptr) return 0;
  if (macro->hasParameters) {
    SourceLocation location = pp_.locationOf(token);
    pp_.log_.error(&location, MessageId::FunctionalDefineInExpression);
    return 1;
  }
  if (macro->body.empty()) return 0;
  if (macro->body.size() == 1 && macro->body.front().isInteger()) return macro->body.front().value.integer;
  return 1;
}

// ---- conditionals and includes ----

void ShaderPreprocessor::pushConditional(bool value) {
  conditionals().push_back({value, active_, false});
  active_ = active_ && value;
}

HRESULT ShaderPreprocessor::includeFile(const Token& nameToken) {
  SourceLocation location = locationOf(nameToken);
  const SourceFile& including = *sources_.back();
  if (handler_ == nullptr && including.fullPath == nullptr) {
    log_.error(&location, MessageId::IncludeNeedsInterface);
    failure_ = E_FAIL;
    fail();
    return E_FAIL;
  }
  if (sources_.size() >= kMaxOpenSources) {
    log_.error(&location, MessageId::TooManyNestedIncludes);
    failure_ = E_FAIL;
    fail();
    return E_FAIL;
  }
  IncludeType type = nameToken.kind == TokenKind::AngleString ? IncludeType::System : IncludeType::Local;
  const char* name = nameToken.value.text;
  HRESULT result;
  if (handler_ != nullptr) {
    result = openSource(name, type, name, &location);
  } else {
    std::string full = fullPathOf(name);
    if (full != name) full = fullPathOf((including.directory + name).c_str());
    result = full.empty() ? ResultInvalidData : S_OK;
    if (full.empty()) {
      log_.error(&location, MessageId::FailedToOpenSource, name);
    } else {
      result = openSource(full.c_str(), type, name, &location);
    }
  }
  if (FAILED(result)) {
    failure_ = E_FAIL;
    fail();
  }
  return result;
}

}  // namespace shader_asm
