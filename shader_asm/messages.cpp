#include "shader_asm/messages.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace shader_asm {
namespace {

using enum MessageId;

constexpr MessageText kMessageTexts[] = {
    {CommentPastEndOfFile, 1001, "comment continues past end of file"},
    {HexTruncated, 1002, "hex value truncated to 32bits"},
    {OctalTruncated, 1003, "octal value truncated to 32bits"},
    {DecimalTruncated, 1004, "decimal value truncated to 32bits"},
    {StringPastEndOfLine, 1005, "string continues past end of line"},
    {StringPastEndOfFile, 1006, "string continues past end of file"},
    {CharacterPastEndOfFile, 1007, "character continues past end of file"},
    {PreprocessorSyntaxError, 1500, "syntax error : unexpected %s"},
    {TokensAfterDirective, 1501, "unexpected tokens following preprocessor directive"},
    {UnexpectedEndOfFile, 1502, "unexpected end of file"},
    {DivisionByZero, 1503, "division by zero in preprocessor expression"},
    {InvalidCommand, 1504, "invalid preprocessor command '%s'"},
    {IncludeNeedsInterface, 1505, "include interface required to support #include from resource or memory"},
    {TooManyNestedIncludes, 1506, "too many nested #includes"},
    {FailedToOpenSource, 1507, "failed to open source file: '%s'"},
    {UnexpectedElif, 1508, "unexpected #elif"},
    {UnexpectedElse, 1509, "unexpected #else"},
    {UnexpectedEndif, 1510, "unexpected #endif"},
    {DuplicateMacroParameter, 1511, "duplicate macro parameter '%s'"},
    {ElifAfterElse, 1513, "unexpected #elif following #else"},
    {ElseAfterElse, 1514, "unexpected #else following #else"},
    {EndOfFileInMacro, 1515, "unexpected end of file in macro expansion"},
    {MacroArgumentCount, 1516, "not enough actual parameters for macro '%s'"},
    {FunctionalDefineInExpression, 1517, "functional defines in preprocessor expressions not yet implemented"},
    {ErrorDirective, 0, "error: %s"},
    {AssemblerSyntaxError, 2000, "syntax error : unexpected %s"},
    {VersionExpected, 2001, "shader version expected"},
    {UnrecognizedVersion, 2002, "unrecognized shader version"},
    {InvalidMask, 2003, "invalid mask '%s'"},
    {InvalidSwizzle, 2004, "invalid swizzle '%s'"},
    {InvalidRegister, 2005, "invalid register '%s'"},
    {InvalidRegisterIndexed, 2005, "invalid register '%s[%u]'"},
    {InvalidRegisterRelative, 2005, "invalid register '%s[...]'"},
    {OnlyA0xInVs11, 2007, "only a0.x is allowed as a relative address register in vs_1_1"},
    {RelativeDestination, 2008,
     "relative addressing of destination parameters is not supported in this shader version"},
    {OneAddressRegisterInIndex, 2009, "only one address register reference allowed in a relative address expression"},
    {OneAddressRegisterEncoded, 2009,
     "only one address register reference is allowed in a relative address expression"},
    {InvalidComplement, 2010, "invalid complement expression"},
    {NegateAndDivide, 2011, "negate and divide modifiers cannot be combined"},
    {ComplementWithModifiers, 2012, "complement cannot be used with other modifiers"},
    {SubModifiers, 2013, "source modifiers incompatible with SUB instruction"},
    {DestinationSourceModifiers, 2014, "source modifiers are not allowed on destination parameters"},
    {Vs10NoLongerSupported, 2015, "vs_1_0 is no longer supported; using vs_1_1"},
    {Ps10NoLongerSupported, 2015, "ps_1_0 is no longer supported; using ps_1_1"},
    {NotWithModifiers, 2018, "not cannot be used with other modifiers"},
    {PredicateModifiers, 2019, "source modifiers are not allowed on predicates"},
    {RelativePredicate, 2020, "relative addressing of predicates is not supported in this shader version"},
    {PredicatesNotSupported, 2021, "predicates are not supported in this shader version"},
    {ScalarMasked, 2022, "scalar registers cannot be masked"},
    {ScalarSwizzled, 2022, "scalar registers cannot be swizzled"},
    {InvalidInstruction, 2023, "'%s' is not a valid instruction in this shader version"},
    {InvalidInstructionModifiers, 2024, "invalid instruction modifiers '%s'"},
    {CoissueNotSupported, 2027, "instruction coissue is not supported in this shader version"},
    {PredicationNotSupported, 2028, "instruction predication is not supported in this shader version"},
    {ComplementNotSupported, 2029, "complement is not supported in this shader version"},
    {DebugInfoTooLarge, 2030, "debug info exceeds maximum comment size; no debug info emitted"},
    {StackUnderflow, 0, "internal error: stack underflow"},
    {OutOfMemory, 0, "internal error: out of memory"},
    {ProductionFailed, 0, "internal error: production failed"},
    {InstructionSizeMismatch, 0, "internal error: instruction size mismatch"},
    {StackOverflow, 0, "yacc stack overflow"},
    {ValidatorMessage, 5000, "%s"},
};
static_assert(std::size(kMessageTexts) == static_cast<std::size_t>(MessageId::Count));

constexpr bool messageTableInOrder() {
  for (std::size_t i = 0; i < std::size(kMessageTexts); ++i) {
    if (static_cast<std::size_t>(kMessageTexts[i].id) != i) return false;
  }
  return true;
}
static_assert(messageTableInOrder(), "kMessageTexts must list MessageId values in order");

constexpr std::size_t kFormatBufferSize = 4096;

}  // namespace

const MessageText& messageText(MessageId id) { return kMessageTexts[static_cast<std::size_t>(id)]; }

MessageLog::MessageLog() {
#ifdef PRISM_SMALL_LIMITS
  settings_.reserve(1);
#else
  settings_.reserve(16);
#endif
}

void MessageLog::record(const SourceLocation* location, const char* kind, std::uint32_t code, const char* format,
                        va_list arguments) {
  char buffer[kFormatBufferSize];
  constexpr std::size_t kUsable = kMaxLineLength;  // newline included
  std::size_t length = 0;
  auto appendf = [&](const char* fmt, auto... values) {
    if (length + 1 >= kUsable) return;
    int written = std::snprintf(buffer + length, kUsable - length, fmt, values...);
    if (written > 0) length = std::min(length + static_cast<std::size_t>(written), kUsable - 1);
  };
  if (location != nullptr) {
    if (location->file != nullptr) appendf("%s", location->file);
    appendf("(%u): ", location->line == 0 ? 1u : location->line);
  }
  if (code != 0) appendf("%s X%u: ", kind, code);
  if (length + 1 < kUsable) {
    int written = std::vsnprintf(buffer + length, kUsable - length, format, arguments);
    if (written > 0) length = std::min(length + static_cast<std::size_t>(written), kUsable - 1);
  }
  buffer[length++] = '\n';
  messages_.emplace_back(buffer, length);
  totalLength_ += length;
}

void MessageLog::error(const SourceLocation* location, MessageId id, ...) {
  const MessageText& text = messageText(id);
  va_list arguments;
  va_start(arguments, id);
  record(location, "error", text.code, text.format, arguments);
  va_end(arguments);
  ++errorCount_;
}

void MessageLog::warning(const SourceLocation* location, MessageId id, ...) {
  const MessageText& text = messageText(id);
  va_list arguments;
  va_start(arguments, id);
  recordWarning(location, text.code, text.format, arguments);
  va_end(arguments);
}

void MessageLog::errorWithCode(const SourceLocation* location, std::uint32_t code, const char* text) {
  auto call = [&](const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    record(location, "error", code, format, arguments);
    va_end(arguments);
  };
  call("%s", text);
  ++errorCount_;
}

void MessageLog::warningWithCode(const SourceLocation* location, std::uint32_t code, const char* text) {
  auto call = [&](const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    recordWarning(location, code, format, arguments);
    va_end(arguments);
  };
  call("%s", text);
}

void MessageLog::recordWarning(const SourceLocation* location, std::uint32_t code, const char* format,
                               va_list arguments) {
  std::uint32_t& flags = settingFor(code);
  std::uint32_t level = flags & kWarningLevelMask;
  if (level == kWarningAsError) {
    record(location, "error", code, format, arguments);
    ++errorCount_;
    return;
  }
  if (warningLevel_ == 0 || level == 0 || level > warningLevel_) return;
  if ((flags & kWarningOnce) != 0 && (flags & kWarningReported) != 0) return;
  record(location, "warning", code, format, arguments);
  ++warningCount_;
  flags |= kWarningReported;
}

std::uint32_t& MessageLog::settingFor(std::uint32_t code) {
  auto position = std::lower_bound(settings_.begin(), settings_.end(), code,
                                   [](const WarningSetting& setting, std::uint32_t key) { return setting.code < key; });
  if (position == settings_.end() || position->code != code) position = settings_.insert(position, {code, 1});
  return position->flags;
}

std::uint32_t MessageLog::warningFlags(std::uint32_t code) const {
  auto position = std::lower_bound(settings_.begin(), settings_.end(), code,
                                   [](const WarningSetting& setting, std::uint32_t key) { return setting.code < key; });
  return position != settings_.end() && position->code == code ? position->flags : 1;
}

void MessageLog::applyWarningSetting(WarningSpecifier specifier, std::uint32_t code) {
  std::uint32_t& flags = settingFor(code);
  auto setLevel = [&](std::uint32_t level) { flags = (flags & ~kWarningLevelMask) | level; };
  switch (specifier) {
    case WarningSpecifier::Default: flags = (flags & kWarningReported) | 1; break;
    case WarningSpecifier::Once: flags |= kWarningOnce; break;
    case WarningSpecifier::Disable: setLevel(0); break;
    case WarningSpecifier::Error: setLevel(kWarningAsError); break;
    case WarningSpecifier::Level1:
    case WarningSpecifier::Level2:
    case WarningSpecifier::Level3:
    case WarningSpecifier::Level4:
      setLevel(1 + static_cast<std::uint32_t>(specifier) - static_cast<std::uint32_t>(WarningSpecifier::Level1));
      break;
  }
}

std::string MessageLog::joined() const {
  std::string text;
  text.reserve(totalLength_);
  for (const std::string& message : messages_) text += message;
  return text;
}

}  // namespace shader_asm
