// Every diagnostic of an assembly run (preprocessor, assembler, platform validator) and the
// log that collects them. Message texts live in one table keyed by MessageId; everything that
// reports goes through MessageLog::report.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <vector>

namespace shader_asm {

enum class MessageId : std::uint8_t {
  // Scanner.
  CommentPastEndOfFile,
  HexTruncated,
  OctalTruncated,
  DecimalTruncated,
  StringPastEndOfLine,
  StringPastEndOfFile,
  CharacterPastEndOfFile,
  // Directives.
  PreprocessorSyntaxError,
  TokensAfterDirective,
  UnexpectedEndOfFile,
  DivisionByZero,
  InvalidCommand,
  IncludeNeedsInterface,
  TooManyNestedIncludes,
  FailedToOpenSource,
  UnexpectedElif,
  UnexpectedElse,
  UnexpectedEndif,
  DuplicateMacroParameter,
  ElifAfterElse,
  ElseAfterElse,
  EndOfFileInMacro,
  MacroArgumentCount,
  FunctionalDefineInExpression,
  ErrorDirective,
  // Assembler.
  AssemblerSyntaxError,
  VersionExpected,
  UnrecognizedVersion,
  InvalidMask,
  InvalidSwizzle,
  InvalidRegister,
  InvalidRegisterIndexed,
  InvalidRegisterRelative,
  OnlyA0xInVs11,
  RelativeDestination,
  OneAddressRegisterInIndex,
  OneAddressRegisterEncoded,
  InvalidComplement,
  NegateAndDivide,
  ComplementWithModifiers,
  SubModifiers,
  DestinationSourceModifiers,
  Vs10NoLongerSupported,
  Ps10NoLongerSupported,
  NotWithModifiers,
  PredicateModifiers,
  RelativePredicate,
  PredicatesNotSupported,
  ScalarMasked,
  ScalarSwizzled,
  InvalidInstruction,
  InvalidInstructionModifiers,
  CoissueNotSupported,
  PredicationNotSupported,
  ComplementNotSupported,
  DebugInfoTooLarge,
  // Internal failures.
  StackUnderflow,
  OutOfMemory,
  ProductionFailed,
  InstructionSizeMismatch,
  StackOverflow,
  // Validator messages carry their own text.
  ValidatorMessage,
  Count,
};

struct MessageText {
  MessageId id;
  std::uint32_t code;  // 0: reported without a code
  const char* format;  // printf format
};

// The text table, in MessageId order.
const MessageText& messageText(MessageId id);

struct SourceLocation {
  const char* file = nullptr;  // may be null (text from memory)
  std::uint32_t line = 0;
};

// Warning setting bits.
inline constexpr std::uint32_t kWarningLevelMask = 0x0F;
inline constexpr std::uint32_t kWarningAsError = 15;
inline constexpr std::uint32_t kWarningOnce = 0x10;
inline constexpr std::uint32_t kWarningReported = 0x20;

enum class WarningSpecifier { Once, Error, Disable, Default, Level1, Level2, Level3, Level4 };

class MessageLog {
 public:
  MessageLog();

  // Formats `id`'s text with the arguments and records it as an error.
  void error(const SourceLocation* location, MessageId id, ...);
  // Records a warning subject to the warning settings; may become an error.
  void warning(const SourceLocation* location, MessageId id, ...);
  // Validator and other callers with their own code and text.
  void errorWithCode(const SourceLocation* location, std::uint32_t code, const char* text);
  void warningWithCode(const SourceLocation* location, std::uint32_t code, const char* text);

  void applyWarningSetting(WarningSpecifier specifier, std::uint32_t code);
  std::uint32_t warningFlags(std::uint32_t code) const;
  void setWarningLevel(std::uint32_t level) { warningLevel_ = level; }

  std::uint32_t errorCount() const { return errorCount_; }
  std::uint32_t warningCount() const { return warningCount_; }
  bool empty() const { return messages_.empty(); }
  // All messages in the order they were reported, joined.
  std::string joined() const;

  // Longest message line kept, newline included.
  static constexpr std::size_t kMaxLineLength = 4094;

 private:
  void record(const SourceLocation* location, const char* kind, std::uint32_t code, const char* format,
              va_list arguments);
  void recordWarning(const SourceLocation* location, std::uint32_t code, const char* format, va_list arguments);
  std::uint32_t& settingFor(std::uint32_t code);

  struct WarningSetting {
    std::uint32_t code;
    std::uint32_t flags;
  };
  std::vector<std::string> messages_;  // in report order
  std::size_t totalLength_ = 0;
  std::uint32_t errorCount_ = 0;
  std::uint32_t warningCount_ = 0;
  std::uint32_t warningLevel_ = 1;
  std::vector<WarningSetting> settings_;  // ascending code order
};

}  // namespace shader_asm
