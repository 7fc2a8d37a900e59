#include "shader_asm/name_decoder.h"

#include <array>

namespace shader_asm {
namespace {

constexpr std::size_t kMaxNamePart = 15;
constexpr std::size_t kMaxNameParts = 8;

// Splits at '_'; false when a part is too long or there are too many parts.
bool splitName(std::string_view name, std::array<std::string_view, kMaxNameParts>& parts, std::size_t& count) {
  count = 0;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = name.find('_', start);
    std::string_view part = name.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (part.size() > kMaxNamePart || count == kMaxNameParts) return false;
    parts[count++] = part;
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

constexpr NamedValue kShifts[] = {{"x2", 1},          {"x4", 2},          {"x8", 3},
                                  {"d2", 0xFFFFFFFF}, {"d4", 0xFFFFFFFE}, {"d8", 0xFFFFFFFD}};

// "texcoord3" -> usage 5, index 3. Index 0-15, digits optional.
bool parseUsage(std::string_view part, std::uint32_t& usage, std::uint32_t& index) {
  std::size_t digits = part.size();
  while (digits > 0 && part[digits - 1] >= '0' && part[digits - 1] <= '9') --digits;
  const NamedValue* named = findNamed(kDeclarationUsages, part.substr(0, digits));
  if (named == nullptr) return false;
  std::string_view number = part.substr(digits);
  if (number.size() > 2) return false;
  index = 0;
  for (char c : number) index = index * 10 + static_cast<std::uint32_t>(c - '0');
  if (index > 15) return false;
  usage = named->value;
  return true;
}

bool isOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  for (std::string_view candidate : names) {
    if (name == candidate) return true;
  }
  return false;
}

}  // namespace

NameStatus decodeInstructionName(std::string_view name, ShaderVersionIndex version, DecodedInstruction& decoded) {
  std::array<std::string_view, kMaxNameParts> parts;
  std::size_t count = 0;
  if (!splitName(name, parts, count)) {
    // Too many parts still names an instruction when the first part is one.
    if (name.substr(0, name.find('_')).size() > kMaxNamePart) return NameStatus::NotInstruction;
    int row = findInstruction(name.substr(0, name.find('_')));
    if (row < 0) return NameStatus::NotInstruction;
    return kInstructionTable[row].operands(version).form == OperandForm::Absent ? NameStatus::InvalidInVersion
                                                                                : NameStatus::InvalidModifiers;
  }
  int rowIndex = findInstruction(parts[0]);
  if (rowIndex < 0) return NameStatus::NotInstruction;
  decoded = DecodedInstruction{};
  decoded.row = &kInstructionTable[rowIndex];
  decoded.operands = decoded.row->operands(version);
  if (decoded.operands.form == OperandForm::Absent) return NameStatus::InvalidInVersion;

  std::string_view base = decoded.row->name;
  bool takesOperands = decoded.operands.form == OperandForm::Operands && decoded.operands.count >= 1;
  bool isDcl = base == "dcl";
  bool hasDeclarationKind = false;
  bool hasComparison = false;
  for (std::size_t i = 1; i < count; ++i) {
    std::string_view part = parts[i];
    std::uint32_t usage = 0;
    std::uint32_t usageIndex = 0;
    const NamedValue* named = nullptr;
    if (part == "sat" && !decoded.saturate && takesOperands && (!isVertexShader(version) || isVersion3(version))) {
      decoded.saturate = true;
    } else if (part == "centroid" && !decoded.centroid && isOneOf(base, {"dcl", "texld", "dsx", "dsy"}) &&
               (version == ShaderVersionIndex::ps_3_0 || version == ShaderVersionIndex::ps_3_sw)) {
      decoded.centroid = true;
    } else if (takesOperands && isPixelShader1x(version) && decoded.shift == 0 && !decoded.saturate) {
      // While a shift may still come, nothing else may.
      named = findNamed(kShifts, part);
      if (named == nullptr) return NameStatus::InvalidModifiers;
      decoded.shift = static_cast<int>(named->value);
    } else if ((named = findNamed(kSamplerKinds, part)) != nullptr && isDcl && !hasDeclarationKind &&
               (version == ShaderVersionIndex::vs_3_0 || version == ShaderVersionIndex::vs_3_sw ||
                isPixelShader2OrLater(version))) {
      decoded.hasSamplerKind = true;
      decoded.samplerKind = named->value;
      hasDeclarationKind = true;
    } else if (part == "pp" && !decoded.partialPrecision && takesOperands && isPixelShader2OrLater(version)) {
      decoded.partialPrecision = true;
    } else if (isDcl && !hasDeclarationKind &&
               (version == ShaderVersionIndex::ps_3_0 || version == ShaderVersionIndex::ps_3_sw) &&
               parseUsage(part, usage, usageIndex) && (usage != 0 || usageIndex != 0)) {
      decoded.hasUsage = true;
      decoded.usage = usage;
      decoded.usageIndex = usageIndex;
      hasDeclarationKind = true;
    } else if ((named = findNamed(kComparisons, part)) != nullptr && !hasComparison &&
               isOneOf(base, {"if", "break", "setp"})) {
      decoded.comparison = named->value;
      hasComparison = true;
    } else if (isDcl && !hasDeclarationKind && isVertexShader(version) && parseUsage(part, usage, usageIndex)) {
      decoded.hasUsage = true;
      decoded.usage = usage;
      decoded.usageIndex = usageIndex;
      hasDeclarationKind = true;
    } else {
      return NameStatus::InvalidModifiers;
    }
  }
  if (isDcl && isVertexShader(version) && !decoded.hasUsage && !decoded.hasSamplerKind)
    return NameStatus::InvalidModifiers;
  if (base == "setp" && !hasComparison) return NameStatus::InvalidModifiers;
  if (hasComparison && base != "setp") {
    decoded.row = &kInstructionTable[base == "if" ? 84 : 85];
    decoded.operands = decoded.row->operands(version);
    if (decoded.operands.form == OperandForm::Absent) return NameStatus::InvalidInVersion;
  }
  return NameStatus::Instruction;
}

bool decodeRegisterName(std::string_view name, ShaderVersionIndex version, RegisterName& decoded) {
  decoded = RegisterName{};
  std::size_t underscore = name.find('_');
  std::string_view first = name.substr(0, underscore);
  std::size_t digits = 0;
  while (digits < first.size() && (first[digits] < '0' || first[digits] > '9')) ++digits;
  std::string_view letters = first.substr(0, digits);
  std::string_view number = first.substr(digits);
  for (char c : number) {
    if (c < '0' || c > '9') return false;
  }
  if (number.size() > 9) return false;
  decoded.row = findRegister(letters);
  if (decoded.row == nullptr || decoded.row->counts[column(version)] == NA) return false;
  decoded.hasNumber = !number.empty();
  for (char c : number) decoded.number = decoded.number * 10 + static_cast<std::uint32_t>(c - '0');
  if (underscore == std::string_view::npos) return true;
  std::string_view suffix = name.substr(underscore + 1);
  struct Suffix {
    std::string_view name;
    DWORD modifier;
  };
  static constexpr Suffix kPixelShader1xSuffixes[] = {{"bias", D3DSPSM_BIAS}, {"bx2", D3DSPSM_SIGN}, {"x2", D3DSPSM_X2},
                                                      {"dz", D3DSPSM_DZ},     {"db", D3DSPSM_DZ},    {"dw", D3DSPSM_DW},
                                                      {"da", D3DSPSM_DW}};
  if (isPixelShader1x(version)) {
    for (const Suffix& entry : kPixelShader1xSuffixes) {
      if (entry.name == suffix) {
        decoded.modifier = entry.modifier;
        return true;
      }
    }
  } else if (isVersion3(version) && suffix == "abs") {
    decoded.modifier = D3DSPSM_ABS;
    return true;
  }
  return false;
}

}  // namespace shader_asm
