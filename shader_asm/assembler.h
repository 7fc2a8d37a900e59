// One assembly run: reads the version statement and the statements through the preprocessor,
// applies the operand rules, encodes, validates, and makes the shader buffer.
#pragma once

#include <string>
#include <vector>

#include "shader_asm/debug_info.h"
#include "shader_asm/encoder.h"
#include "shader_asm/name_decoder.h"
#include "shader_asm/preprocessor.h"
#include "shader_asm/shader_buffer.h"
#include "shader_asm/shader_validator.h"
#include "shader_asm/statement.h"

namespace shader_asm {

class Assembler {
 public:
  Assembler(ShaderPreprocessor& preprocessor, DWORD flags) : pp_(preprocessor), flags_(flags) {}
  Assembler(const Assembler&) = delete;
  Assembler& operator=(const Assembler&) = delete;
  ~Assembler();

  HRESULT run(ShaderBuffer** shader);

  // Deepest nesting of registers inside relative indices.
  static constexpr int kMaxIndexDepth = 16;

 private:
  enum class Terminal : std::uint8_t {
    End,
    Punctuator,
    Other,
    Integer,
    Float,
    Identifier,
    Instruction,
    Entrypoint,
    True,
    False
  };
  struct Lexeme {
    Terminal terminal = Terminal::End;
    char punctuator = 0;
    Token token;
    NameStatus status = NameStatus::NotInstruction;
    DecodedInstruction instruction;
  };
  struct IndexTerms {
    bool present = false;
    std::uint32_t sum = 0;
    int registerTerms = 0;
    RegisterOperand address;  // the first register term
    DWORD addressSwizzle = D3DSP_NOSWIZZLE;
  };

  // Input.
  void advance();
  void accept();
  bool is(char punctuator) const {
    return current_.terminal == Terminal::Punctuator && current_.punctuator == punctuator;
  }
  bool syntaxError();
  void recover();
  SourceLocation locationOf(const Token& token) const { return {token.file, token.line}; }

  // Grammar.
  HRESULT readVersion();
  bool parseStatement();
  bool parseDestination(Operand& operand);
  bool parseSource(Operand& operand);
  bool parseRegister(RegisterOperand& reg, int depth);
  bool parseSelector(Operand& operand);
  bool parseFloat(DWORD& word);
  bool parseInteger(DWORD& word);

  // Operand rules.
  void decodeRegister(const Token& name, const IndexTerms& index, RegisterOperand& reg);
  void applyMask(Operand& operand);
  void applySwizzle(Operand& operand, DWORD& swizzle);
  void applySourceModifiers(Operand& operand);
  void checkStatement(Statement& statement);

  // Output.
  void emit(const Statement& statement);
  HRESULT validatePending(const Token& location);
  void createValidator();
  static HRESULT validatorCallback(const char* file, int line, DWORD type, DWORD code, const char* message,
                                   void* context);

  ShaderPreprocessor& pp_;
  MessageLog& log() { return pp_.messages(); }
  DWORD flags_;
  Lexeme current_;
  HRESULT inputFailure_ = S_OK;
  int quiet_ = 0;  // tokens to accept before the next syntax error is reported
  ShaderVersionIndex version_ = ShaderVersionIndex::vs_1_1;
  bool versionKnown_ = false;
  TokenStream stream_;
  std::size_t validatedWords_ = 0;
  bool building_ = true;  // false after the validator refused an instruction
  std::vector<InstructionRecord> instructions_;
  std::string entryPoint_;
  bool hasEntryPoint_ = false;
  ShaderValidator* validator_ = nullptr;
  SourceLocation validating_;
  const char* parsedEnd_ = nullptr;  // end of the parsed part of the main text
};

}  // namespace shader_asm
