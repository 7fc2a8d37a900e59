#include "shader_asm/assembler.h"

#include <bit>
#include <cstring>
#include <new>

#include "platform/win/modules.h"
#include "shader_asm/shader_assembler.h"
#include "shader_asm/target_table.h"

namespace shader_asm {

using namespace shader_tokens;

Assembler::~Assembler() {
  if (validator_ != nullptr) validator_->Release();
}

// ---- input ----

void Assembler::advance() {
  Token token;
  for (;;) {
    HRESULT result = pp_.nextToken(token);
    if (FAILED(result)) {
      inputFailure_ = result;
      token.kind = TokenKind::EndOfFile;
      break;
    }
    if (token.kind != TokenKind::EndOfLine) break;
  }
  std::string_view main = pp_.mainText();
  if (token.sourceStart >= main.data() && token.sourceStart < main.data() + main.size()) {
    const char* end = token.sourceStart + token.sourceLength;
    if (parsedEnd_ == nullptr || end > parsedEnd_) parsedEnd_ = end;
  }
  current_ = Lexeme{};
  current_.token = token;
  switch (token.kind) {
    case TokenKind::EndOfFile: current_.terminal = Terminal::End; break;
    case TokenKind::Punctuator:
      if (token.value.punctuator[1] == '\0') {
        current_.terminal = Terminal::Punctuator;
        current_.punctuator = token.value.punctuator[0];
      } else {
        current_.terminal = Terminal::Other;
      }
      break;
    case TokenKind::Integer:
    case TokenKind::IntegerL:
    case TokenKind::IntegerUL: current_.terminal = Terminal::Integer; break;
    case TokenKind::Float:
    case TokenKind::FloatH:
    case TokenKind::FloatF:
    case TokenKind::FloatL: current_.terminal = Terminal::Float; break;
    case TokenKind::Identifier: {
      std::string_view text = token.value.text;
      if (text == "entrypoint") {
        current_.terminal = Terminal::Entrypoint;
      } else if (text == "true") {
        current_.terminal = Terminal::True;
      } else if (text == "false") {
        current_.terminal = Terminal::False;
      } else {
        current_.terminal = Terminal::Identifier;
        if (versionKnown_) {
          current_.status = decodeInstructionName(text, version_, current_.instruction);
          if (current_.status == NameStatus::Instruction) current_.terminal = Terminal::Instruction;
        }
      }
      break;
    }
    default: current_.terminal = Terminal::Other; break;
  }
}

void Assembler::accept() {
  if (quiet_ > 0) --quiet_;
  advance();
}

// Reports the current token as unexpected (unless still quiet after the last report).
bool Assembler::syntaxError() {
  if (quiet_ == 0) {
    SourceLocation location = locationOf(current_.token);
    log().error(&location, MessageId::AssemblerSyntaxError, describeToken(current_.token).c_str());
    if (current_.terminal == Terminal::Identifier && current_.status == NameStatus::InvalidInVersion) {
      log().error(&location, MessageId::InvalidInstruction, current_.token.value.text);
    } else if (current_.terminal == Terminal::Identifier && current_.status == NameStatus::InvalidModifiers) {
      log().error(&location, MessageId::InvalidInstructionModifiers, current_.token.value.text);
    }
  }
  quiet_ = 3;
  return false;
}

// Skips to a token that can begin a statement.
void Assembler::recover() {
  while (current_.terminal != Terminal::End && current_.terminal != Terminal::Instruction &&
         current_.terminal != Terminal::Entrypoint && !is('+') && !is('(')) {
    advance();
  }
}

// ---- grammar ----

// version: VersionToken | Identifier naming an assemblable target
HRESULT Assembler::readVersion() {
  const Token& token = current_.token;
  SourceLocation location = locationOf(token);
  std::uint32_t versionToken = 0;
  const TargetRow* row = nullptr;
  if (token.kind == TokenKind::VersionToken) {
    versionToken = token.value.integer;
  } else if (token.kind == TokenKind::Identifier && SUCCEEDED(lookupTarget(token.value.text, kTargetAssemble, &row))) {
    versionToken = row->versionToken;
  } else {
    log().error(&location, MessageId::VersionExpected);
    return ResultInvalidData;
  }
  if (versionToken == D3DVS_VERSION(1, 0)) {
    log().warning(&location, MessageId::Vs10NoLongerSupported);
    versionToken = D3DVS_VERSION(1, 1);
  } else if (versionToken == D3DPS_VERSION(1, 0)) {
    log().warning(&location, MessageId::Ps10NoLongerSupported);
    versionToken = D3DPS_VERSION(1, 1);
  }
  if (!versionIndexOf(versionToken, version_)) {
    log().error(&location, MessageId::UnrecognizedVersion);
    return ResultInvalidData;
  }
  versionKnown_ = true;
  stream_.append(versionToken);
  return S_OK;
}

// statement: 'entrypoint' Identifier | [ '+' ] [ '(' source ')' ] instruction operands
bool Assembler::parseStatement() {
  if (current_.terminal == Terminal::Entrypoint) {
    accept();
    if (current_.terminal != Terminal::Identifier) return syntaxError();
    if (!hasEntryPoint_) {
      entryPoint_ = current_.token.value.text;
      hasEntryPoint_ = true;
    }
    accept();
    return true;
  }
  Statement statement;
  if (is('+')) {
    statement.coissue = true;
    accept();
  }
  if (is('(')) {
    accept();
    if (!parseSource(statement.predicate)) return false;
    if (!is(')')) return syntaxError();
    accept();
    statement.predicated = true;
  }
  if (current_.terminal != Terminal::Instruction) return syntaxError();
  statement.location = current_.token;
  statement.instruction = current_.instruction;
  accept();

  const OperandCode code = statement.instruction.operands;
  auto comma = [&]() {
    if (!is(',')) return syntaxError();
    accept();
    return true;
  };
  switch (code.form) {
    case OperandForm::Operands:
      statement.operandCount = code.count;
      statement.hasDestination = code.count >= 1;
      for (std::size_t i = 0; i < code.count; ++i) {
        if (i > 0 && !comma()) return false;
        if (!(i == 0 ? parseDestination(statement.operands[0]) : parseSource(statement.operands[i]))) return false;
      }
      break;
    case OperandForm::OneSource:
    case OperandForm::TwoSources:
      statement.operandCount = code.count;
      for (std::size_t i = 0; i < code.count; ++i) {
        if (i > 0 && !comma()) return false;
        if (!parseSource(statement.operands[i])) return false;
      }
      break;
    case OperandForm::DefineFloats:
    case OperandForm::DefineIntegers:
      statement.operandCount = 1;
      statement.hasDestination = true;
      if (!parseDestination(statement.operands[0])) return false;
      for (DWORD& value : statement.values) {
        if (!comma()) return false;
        if (!(code.form == OperandForm::DefineFloats ? parseFloat(value) : parseInteger(value))) return false;
      }
      break;
    case OperandForm::DefineBoolean:
      statement.operandCount = 1;
      statement.hasDestination = true;
      if (!parseDestination(statement.operands[0]) || !comma()) return false;
      if (current_.terminal != Terminal::True && current_.terminal != Terminal::False) return syntaxError();
      statement.values[0] = current_.terminal == Terminal::True ? 1 : 0;
      accept();
      break;
    case OperandForm::Absent: return syntaxError();
  }
  checkStatement(statement);
  emit(statement);
  return true;
}

// float: [ '+' | '-' ] ( FLOAT | INTEGER )
bool Assembler::parseFloat(DWORD& word) {
  bool negative = false;
  if (is('+') || is('-')) {
    negative = is('-');
    accept();
  }
  double value = 0;
  if (current_.terminal == Terminal::Float) {
    value = current_.token.value.real;
  } else if (current_.terminal == Terminal::Integer) {
    value = static_cast<double>(current_.token.value.integer);
  } else {
    return syntaxError();
  }
  accept();
  word = std::bit_cast<DWORD>(static_cast<float>(negative ? -value : value));
  return true;
}

// integer: [ '+' | '-' ] INTEGER
bool Assembler::parseInteger(DWORD& word) {
  bool negative = false;
  if (is('+') || is('-')) {
    negative = is('-');
    accept();
  }
  if (current_.terminal != Terminal::Integer) return syntaxError();
  word = negative ? 0u - current_.token.value.integer : current_.token.value.integer;
  accept();
  return true;
}

// destination: register [ '.' mask ]
bool Assembler::parseDestination(Operand& operand) {
  operand.location = current_.token;
  if (!parseRegister(operand.reg, 0)) return false;
  return parseSelector(operand);
}

// source: [ '-' | '!' | INTEGER '-' ] register [ '.' swizzle ]
bool Assembler::parseSource(Operand& operand) {
  operand.location = current_.token;
  if (is('-')) {
    operand.prefix = SourcePrefix::Negate;
    accept();
  } else if (is('!')) {
    operand.prefix = SourcePrefix::Not;
    accept();
  } else if (current_.terminal == Terminal::Integer) {
    operand.prefix = SourcePrefix::Complement;
    operand.complementValue = current_.token.value.integer;
    accept();
    if (!is('-')) return syntaxError();
    accept();
  }
  if (!parseRegister(operand.reg, 0)) return false;
  return parseSelector(operand);
}

// [ '.' Identifier ]: the text is checked when the statement is complete.
bool Assembler::parseSelector(Operand& operand) {
  if (!is('.')) return true;
  accept();
  if (current_.token.kind != TokenKind::Identifier) return syntaxError();
  operand.selectorWritten = true;
  operand.selector = current_.token;
  accept();
  return true;
}

// register: Identifier [ '[' term { '+' term } ']' ]; term: INTEGER | register [ '.' swizzle ]
bool Assembler::parseRegister(RegisterOperand& reg, int depth) {
  if (current_.token.kind != TokenKind::Identifier || current_.terminal == Terminal::Entrypoint ||
      current_.terminal == Terminal::True || current_.terminal == Terminal::False) {
    return syntaxError();
  }
  Token name = current_.token;
  accept();
  IndexTerms index;
  if (is('[')) {
    if (depth >= kMaxIndexDepth) {
      SourceLocation location = locationOf(current_.token);
      log().error(&location, MessageId::StackOverflow);
      quiet_ = 3;
      return false;
    }
    accept();
    index.present = true;
    for (;;) {
      if (current_.terminal == Terminal::Integer) {
        index.sum += current_.token.value.integer;
        accept();
      } else {
        Operand term;
        term.location = current_.token;
        if (!parseRegister(term.reg, depth + 1) || !parseSelector(term)) return false;
        if (++index.registerTerms == 2) {
          SourceLocation location = locationOf(term.location);
          log().error(&location, MessageId::OneAddressRegisterInIndex);
        }
        if (index.registerTerms == 1) {
          index.address = term.reg;
          applySwizzle(term, index.addressSwizzle);
        }
      }
      if (!is('+')) break;
      accept();
    }
    if (!is(']')) return syntaxError();
    accept();
  }
  decodeRegister(name, index, reg);
  return true;
}

// ---- operand rules ----

void Assembler::decodeRegister(const Token& name, const IndexTerms& index, RegisterOperand& reg) {
  SourceLocation location = locationOf(name);
  const char* text = name.value.text;
  RegisterName decoded;
  if (!decodeRegisterName(text, version_, decoded)) {
    log().error(&location, MessageId::InvalidRegister, text);
    return;
  }
  const RegisterRow& row = *decoded.row;
  int count = row.counts[column(version_)];
  bool addressed = index.registerTerms > 0;
  reg.row = &row;
  reg.suffixModifier = decoded.modifier;
  std::uint32_t number = decoded.number;
  bool valid = true;
  if (index.present) {
    if (count >= 0) {
      if (addressed) {
        log().error(&location, MessageId::InvalidRegisterRelative, text);
      } else {
        log().error(&location, MessageId::InvalidRegisterIndexed, text, index.sum);
      }
      return;
    }
    number += index.sum;
  } else if (count == 0) {
    valid = !decoded.hasNumber;
  } else {
    valid = decoded.hasNumber;
  }
  std::uint32_t bound =
      count < 0 ? static_cast<std::uint32_t>(-static_cast<std::int64_t>(count)) : static_cast<std::uint32_t>(count);
  if (valid && count != 0 && !addressed && number >= bound) valid = false;
  if (!valid) {
    if (index.present) {
      log().error(&location, MessageId::InvalidRegisterIndexed, text, index.sum);
    } else {
      log().error(&location, MessageId::InvalidRegister, text);
    }
    return;
  }
  if (row.fixedNumber >= 0) number = static_cast<std::uint32_t>(row.fixedNumber);
  if (row.type == D3DSPR_CONST) {
    RegisterAddress address = constantRegister(number);
    reg.type = address.type;
    reg.number = address.number;
  } else {
    reg.type = row.type;
    reg.number = number & D3DSP_REGNUM_MASK;
  }
  if (addressed) {
    reg.relative = true;
    reg.addressType = index.address.type;
    reg.addressNumber = index.address.number;
    reg.addressSwizzle = index.addressSwizzle;
    reg.addressModifier = index.address.suffixModifier;
    reg.addressIndexed = index.address.relative;
  }
}

namespace {

// x=r=0, y=g=1, z=b=2, w=a=3; -1 for anything else.
int componentOf(char c) {
  switch (c) {
    case 'x':
    case 'r': return 0;
    case 'y':
    case 'g': return 1;
    case 'z':
    case 'b': return 2;
    case 'w':
    case 'a': return 3;
    default: return -1;
  }
}

bool isScalar(const Operand& operand) { return operand.reg.row != nullptr && operand.reg.row->scalar; }

}  // namespace

void Assembler::applyMask(Operand& operand) {
  if (!operand.selectorWritten) return;
  SourceLocation location = locationOf(operand.selector);
  const char* text = operand.selector.value.text;
  std::size_t length = std::strlen(text);
  DWORD mask = 0;
  int last = -1;
  bool valid = length >= 1 && length <= 4;
  for (std::size_t i = 0; valid && i < length; ++i) {
    int component = componentOf(text[i]);
    if (component <= last) {  // out of order, repeated, or not a component letter at all
      valid = false;
      break;
    }
    last = component;
    mask |= D3DSP_WRITEMASK_0 << component;
  }
  if (!valid) {
    log().error(&location, MessageId::InvalidMask, text);
    return;
  }
  if (isScalar(operand)) {
    log().error(&location, MessageId::ScalarMasked);
    return;
  }
  operand.mask = mask;
}

// Parses the operand's written swizzle into `swizzle` (unchanged when none was written).
void Assembler::applySwizzle(Operand& operand, DWORD& swizzle) {
  if (!operand.selectorWritten) return;
  SourceLocation location = locationOf(operand.selector);
  const char* text = operand.selector.value.text;
  std::size_t length = std::strlen(text);
  DWORD components[4] = {};
  bool valid = length >= 1 && length <= 4;
  for (std::size_t i = 0; valid && i < 4; ++i) {
    int component = componentOf(text[i < length ? i : length - 1]);
    if (component < 0) valid = false;
    components[i] = static_cast<DWORD>(component);
  }
  if (!valid) {
    log().error(&location, MessageId::InvalidSwizzle, text);
    return;
  }
  if (isScalar(operand)) {
    log().error(&location, MessageId::ScalarSwizzled);
    return;
  }
  swizzle = makeSwizzle(components[0], components[1], components[2], components[3]);
}

void Assembler::applySourceModifiers(Operand& operand) {
  SourceLocation location = locationOf(operand.location);
  DWORD suffix = operand.reg.suffixModifier;
  switch (operand.prefix) {
    case SourcePrefix::None: operand.modifier = suffix; break;
    case SourcePrefix::Negate:
      if (suffix == D3DSPSM_DZ || suffix == D3DSPSM_DW) {
        log().error(&location, MessageId::NegateAndDivide);
        operand.modifier = suffix;
      } else {
        operand.modifier = negated(suffix);
      }
      break;
    case SourcePrefix::Not:
      if (suffix != D3DSPSM_NONE) log().error(&location, MessageId::NotWithModifiers);
      operand.modifier = D3DSPSM_NOT;
      break;
    case SourcePrefix::Complement:
      if (operand.complementValue != 1) {
        log().error(&location, MessageId::InvalidComplement);
      } else if (!isPixelShader1x(version_)) {
        log().error(&location, MessageId::ComplementNotSupported);
      } else if (suffix != D3DSPSM_NONE) {
        log().error(&location, MessageId::ComplementWithModifiers);
      }
      operand.modifier = D3DSPSM_COMP;
      break;
  }
}

void Assembler::checkStatement(Statement& statement) {
  SourceLocation at = locationOf(statement.location);
  if (statement.coissue && !isPixelShader1x(version_)) log().error(&at, MessageId::CoissueNotSupported);
  if (statement.predicated) {
    Operand& predicate = statement.predicate;
    SourceLocation location = locationOf(predicate.location);
    bool allowed = version_ == ShaderVersionIndex::vs_2_x || version_ == ShaderVersionIndex::vs_2_sw ||
                   version_ == ShaderVersionIndex::vs_3_0 || version_ == ShaderVersionIndex::vs_3_sw ||
                   version_ == ShaderVersionIndex::ps_2_x || version_ == ShaderVersionIndex::ps_2_sw ||
                   version_ == ShaderVersionIndex::ps_3_0 || version_ == ShaderVersionIndex::ps_3_sw;
    if (!allowed) {
      log().error(&at, MessageId::PredicationNotSupported);
      log().error(&location, MessageId::PredicatesNotSupported);
    }
    applySwizzle(predicate, predicate.swizzle);
    if (predicate.prefix == SourcePrefix::Negate || predicate.prefix == SourcePrefix::Complement ||
        predicate.reg.suffixModifier != D3DSPSM_NONE) {
      log().error(&location, MessageId::PredicateModifiers);
    }
    predicate.modifier = predicate.prefix == SourcePrefix::Not ? D3DSPSM_NOT : D3DSPSM_NONE;
    if (predicate.reg.relative) log().error(&location, MessageId::RelativePredicate);
  }
  std::size_t first = 0;
  if (statement.hasDestination) {
    Operand& destination = statement.operands[0];
    SourceLocation location = locationOf(destination.location);
    if (destination.reg.suffixModifier != D3DSPSM_NONE) log().error(&location, MessageId::DestinationSourceModifiers);
    if (destination.reg.relative) {
      if (version_ != ShaderVersionIndex::vs_3_0 && version_ != ShaderVersionIndex::vs_3_sw) {
        log().error(&location, MessageId::RelativeDestination);
      } else if (destination.reg.addressIndexed) {
        log().error(&location, MessageId::OneAddressRegisterEncoded);
      }
    }
    applyMask(destination);
    first = 1;
  }
  if (statement.instruction.operands.form == OperandForm::DefineFloats ||
      statement.instruction.operands.form == OperandForm::DefineIntegers ||
      statement.instruction.operands.form == OperandForm::DefineBoolean) {
    return;
  }
  for (std::size_t i = first; i < statement.operandCount; ++i) {
    Operand& source = statement.operands[i];
    SourceLocation location = locationOf(source.location);
    applySwizzle(source, source.swizzle);
    applySourceModifiers(source);
    if (source.reg.relative) {
      const RegisterOperand& reg = source.reg;
      if (version_ == ShaderVersionIndex::vs_1_1 &&
          (reg.addressType != D3DSPR_ADDR || reg.addressNumber != 0 || reg.addressModifier != D3DSPSM_NONE ||
           reg.addressSwizzle != D3DSP_REPLICATERED || reg.addressIndexed)) {
        log().error(&location, MessageId::OnlyA0xInVs11);
      } else if (reg.addressIndexed) {
        log().error(&location, MessageId::OneAddressRegisterEncoded);
      }
    }
  }
  bool subAsAdd = statement.instruction.row->baseOpcode() == D3DSIO_SUB && !isPixelShader1x(version_);
  if (subAsAdd && statement.operandCount == 3) {
    DWORD modifier = statement.operands[2].modifier;
    if (modifier == D3DSPSM_COMP || modifier == D3DSPSM_DZ || modifier == D3DSPSM_DW || modifier == D3DSPSM_NOT) {
      SourceLocation location = locationOf(statement.operands[2].location);
      log().error(&location, MessageId::SubModifiers);
    }
  }
}

// ---- output ----

void Assembler::emit(const Statement& statement) {
  if (!building_) return;
  std::size_t expected = encodedSize(statement, version_);
  std::size_t start = stream_.size();
  std::size_t written = encodeStatement(statement, version_, stream_);
  if (written != expected) {
    SourceLocation location = locationOf(statement.location);
    log().error(&location, MessageId::InstructionSizeMismatch);
  }
  instructions_.push_back({statement.location.file, statement.location.line, static_cast<std::uint32_t>(start)});
  if (FAILED(validatePending(statement.location))) building_ = false;
}

HRESULT Assembler::validatePending(const Token& location) {
  if (validator_ == nullptr) {
    validatedWords_ = stream_.size();
    return S_OK;
  }
  validating_ = locationOf(location);
  HRESULT result = validator_->Instruction(location.file, location.line, stream_.data() + validatedWords_,
                                           static_cast<UINT>(stream_.size() - validatedWords_));
  validatedWords_ = stream_.size();
  return result;
}

HRESULT Assembler::validatorCallback(const char*, int, DWORD type, DWORD code, const char* message, void* context) {
  auto* self = static_cast<Assembler*>(context);
  const char* text = message == nullptr ? "" : message;
  DWORD fullCode = 5000 + code;
  if (type == kValidatorWarning || type == kValidatorWarningAlternate) {
    self->log().warningWithCode(&self->validating_, fullCode, text);
  } else if (type == kValidatorError || type == kValidatorErrorAlternate) {
    self->log().errorWithCode(&self->validating_, fullCode, text);
  }
  return S_OK;
}

void Assembler::createValidator() {
  HMODULE module = GetModuleHandleA("d3d9.dll");
  if (module == nullptr) module = LoadLibraryA("d3d9.dll");
  if (module == nullptr) return;
  FARPROC address = GetProcAddress(module, kShaderValidatorExport);
  if (address == nullptr) return;
  auto create = platform::procedureAs<ShaderValidatorCreateFunction>(address);
  validator_ = create();
}

HRESULT Assembler::run(ShaderBuffer** shader) {
  if ((flags_ & ~(kAssembleDebugInfo | kAssembleSkipValidation)) != 0 || shader == nullptr) {
    return D3DERR_INVALIDCALL;
  }
  *shader = nullptr;
  pp_.beginBlock(kScanAsmMode);
  HRESULT result = [&]() -> HRESULT {
    advance();
    HRESULT versionResult = readVersion();
    if (FAILED(versionResult)) return versionResult;
    Token versionLocation = current_.token;
    if ((flags_ & kAssembleSkipValidation) == 0) createValidator();
    if (validator_ != nullptr) {
      HRESULT begun = validator_->Begin(&Assembler::validatorCallback, this, 0);
      if (FAILED(begun)) return begun;
    }
    advance();
    HRESULT validated = validatePending(versionLocation);
    if (FAILED(validated)) return validated;

    while (current_.terminal != Terminal::End) {
      if (!parseStatement()) recover();
    }
    if (inputFailure_ == E_OUTOFMEMORY) return E_OUTOFMEMORY;

    if ((flags_ & kAssembleDebugInfo) != 0 && building_) {
      std::string_view main = pp_.mainText();
      std::size_t parsed = parsedEnd_ == nullptr ? 0 : static_cast<std::size_t>(parsedEnd_ - main.data());
      DebugInfoInput input{&instructions_, entryPoint_, pp_.mainFileName() == nullptr, main.substr(0, parsed)};
      std::vector<DWORD> comment = buildDebugInfo(input);
      if (comment.empty()) {
        log().warning(nullptr, MessageId::DebugInfoTooLarge);
      } else {
        std::vector<DWORD>& words = stream_.words();
        words.insert(words.begin() + 1, comment.begin(), comment.end());
        validatedWords_ += comment.size();
      }
    }
    if (building_) {
      stream_.append(D3DVS_END_TOKEN);
      if (FAILED(validatePending(current_.token))) building_ = false;
    }
    if (validator_ != nullptr && FAILED(validator_->End())) building_ = false;
    if (log().errorCount() != 0 || !building_) return ResultInvalidData;
    HRESULT created = ShaderBuffer::create(stream_.size() * sizeof(DWORD), shader);
    if (FAILED(created)) return created;
    std::memcpy((*shader)->GetData(), stream_.data(), stream_.size() * sizeof(DWORD));
    return S_OK;
  }();
  if (validator_ != nullptr) {
    validator_->Release();
    validator_ = nullptr;
  }
  pp_.endBlock();
  return result;
}

}  // namespace shader_asm
