#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "assembler_test_support.h"
#include "platform/win/modules.h"
#include "scoped_environment.h"
#include "shader_asm/debug_info.h"
#include "shader_asm/shader_validator.h"
#include "shader_asm/tables.h"

namespace shader_asm_test {
namespace {

using shader_asm::kInstructionTable;
using shader_asm::OperandForm;
using shader_asm::ShaderVersionIndex;
using Words = std::vector<DWORD>;

constexpr const char* kVersionNames[] = {"vs_1_1",  "vs_2_0", "vs_2_x",  "vs_2_sw", "vs_3_0",
                                         "vs_3_sw", "ps_1_1", "ps_1_2",  "ps_1_3",  "ps_1_4",
                                         "ps_2_0",  "ps_2_x", "ps_2_sw", "ps_3_0",  "ps_3_sw"};

TEST(AssemblerOutput, EveryTargetNameSelectsItsVersion) {
  for (std::size_t i = 0; i < std::size(kVersionNames); ++i) {
    std::string underscored = kVersionNames[i];
    std::string dotted = underscored;
    for (char& c : dotted) c = c == '_' ? '.' : c;
    for (const std::string& name : {underscored, dotted}) {
      Assembled out = assemble(name + "\nnop");
      ASSERT_EQ(out.result, S_OK) << name << out.messages;
      EXPECT_EQ(out.words, (Words{shader_asm::kVersionTokens[i], 0, 0x0000FFFF})) << name;
    }
  }
  ShaderVersionIndex index;
  EXPECT_FALSE(shader_asm::versionIndexOf(0xFFFE0100, index));  // 1_0 is mapped to 1_1 before this lookup
  EXPECT_FALSE(shader_asm::versionIndexOf(0x54580100, index));
}

// A statement that uses `row` with operands every version accepts.
std::string statementFor(const shader_asm::InstructionRow& row, ShaderVersionIndex version) {
  std::string name(row.name);
  if (name == "if_c") name = "if_gt";
  if (name == "break_c") name = "break_gt";
  if (name == "setp") name = "setp_gt";
  if (name == "dcl" && shader_asm::isVertexShader(version)) name = "dcl_position";
  shader_asm::OperandCode code = row.operands(version);
  if (code.form == OperandForm::Absent) {
    // Give it the operands of a version that has it, so only the version is wrong.
    for (std::size_t v = 0; v < shader_asm::kShaderVersionCount; ++v) {
      code = row.operands(static_cast<ShaderVersionIndex>(v));
      if (code.form != OperandForm::Absent) break;
    }
  }
  switch (code.form) {
    case OperandForm::Operands: {
      std::string text = name;
      for (std::size_t i = 0; i < code.count; ++i) text += i == 0 ? " r0" : ", r1";
      return text;
    }
    case OperandForm::OneSource: return name + " r0";
    case OperandForm::TwoSources: return name + " r0, r1";
    case OperandForm::DefineFloats: return name + " c0, 1, 2, 3, 4";
    case OperandForm::DefineIntegers: return name + " i0, 1, 2, 3, 4";
    case OperandForm::DefineBoolean: return name + " b0, true";
    default: return name;
  }
}

TEST(AssemblerOutput, EveryInstructionInEveryVersion) {
  for (const shader_asm::InstructionRow& row : kInstructionTable) {
    for (std::size_t v = 0; v < shader_asm::kShaderVersionCount; ++v) {
      auto version = static_cast<ShaderVersionIndex>(v);
      std::string statement = statementFor(row, version);
      Assembled out = assemble(std::string(kVersionNames[v]) + "\n" + statement);
      if (row.operands(version).form == OperandForm::Absent) {
        EXPECT_NE(out.messages.find("X2023"), std::string::npos) << kVersionNames[v] << ": " << statement;
        continue;
      }
      ASSERT_EQ(out.result, S_OK) << kVersionNames[v] << ": " << statement << "\n" << out.messages;
      DWORD expected = row.opcode;
      if (row.name == "sub" && !shader_asm::isPixelShader1x(version)) expected = D3DSIO_ADD;
      EXPECT_EQ(out.words.at(1) & 0x00FFFFFF & ~D3DSHADER_COMPARISON_MASK, expected & ~D3DSHADER_COMPARISON_MASK)
          << kVersionNames[v] << ": " << statement;
      // The length field counts the words after the instruction token, from 2.0 on.
      DWORD length = shader_tokens::instructionLength(out.words.at(1));
      bool hasLength = shader_tokens::versionHasInstructionLength(out.words[0]);
      EXPECT_EQ(length, hasLength ? out.words.size() - 3 : 0u) << kVersionNames[v] << ": " << statement;
    }
  }
}

TEST(AssemblerOutput, FlagsAndBuffers) {
  shader_asm::ShaderBufferPtr shader;
  shader_asm::ShaderBufferPtr errors;
  const char text[] = "vs_2_0\nmov r0, r1";
  for (DWORD flags : {2u, 8u, 0x100u}) {
    EXPECT_EQ(shader_asm::assembleShaderFromMemory(text, sizeof text - 1, nullptr, nullptr, nullptr, flags,
                                                   shader.put(), errors.put()),
              D3DERR_INVALIDCALL);
    EXPECT_FALSE(shader);
  }
  EXPECT_EQ(
      shader_asm::assembleShaderFromMemory(text, sizeof text - 1, nullptr, nullptr, nullptr, 0, nullptr, errors.put()),
      D3DERR_INVALIDCALL);
  // No messages: no error buffer. Warnings only: success and the warnings.
  Assembled clean = assemble(text);
  EXPECT_EQ(clean.result, S_OK);
  EXPECT_FALSE(clean.hasErrorBuffer);
  Assembled warned = assemble("vs_1_0\nmov r0, v0");
  EXPECT_EQ(warned.result, S_OK);
  EXPECT_FALSE(warned.words.empty());
  EXPECT_TRUE(warned.hasErrorBuffer);
  // A warning turned into an error fails the run.
  Assembled promoted = assemble("#pragma warning(error: 2015)\nvs_1_0\nmov r0, v0");
  EXPECT_EQ(promoted.result, ResultInvalidData);
  EXPECT_EQ(promoted.messages, "x.vsh(2): error X2015: vs_1_0 is no longer supported; using vs_1_1\n");
  // The error buffer holds the text and its terminator.
  ASSERT_EQ(
      shader_asm::assembleShaderFromMemory("ps_2_0\nfoo", 10, "y.psh", nullptr, nullptr, 0, shader.put(), errors.put()),
      ResultInvalidData);
  std::string expected = "y.psh(2): error X2000: syntax error : unexpected token 'foo'\n";
  ASSERT_TRUE(errors);
  EXPECT_EQ(errors->GetSize(), expected.size() + 1);
  EXPECT_EQ(std::string(static_cast<const char*>(errors->GetData())), expected);
}

TEST(AssemblerOutput, ShaderBufferInterface) {
  EXPECT_EQ(shader_asm::ShaderBuffer::create(4, nullptr), D3DERR_INVALIDCALL);
  shader_asm::ShaderBufferPtr buffer;
  ASSERT_EQ(shader_asm::ShaderBuffer::create(12, buffer.put()), S_OK);
  EXPECT_EQ(buffer->GetSize(), 12u);
  void* object = nullptr;
  EXPECT_EQ(buffer->QueryInterface(shader_asm::IID_IUnknown, &object), S_OK);
  EXPECT_EQ(object, buffer.get());
  EXPECT_EQ(buffer->Release(), 1u);
  EXPECT_EQ(buffer->QueryInterface(shader_asm::IID_ShaderBuffer, &object), S_OK);
  EXPECT_EQ(buffer->Release(), 1u);
  GUID other = shader_asm::IID_ShaderBuffer;
  other.Data1 ^= 1;
  EXPECT_EQ(buffer->QueryInterface(other, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
}

TEST(AssemblerOutput, AssemblesFiles) {
  prism_test::TemporaryDirectory directory;
  std::string path = directory.write("a.vsh", "vs_2_0\nmov r0, v0\nmov r12, v0\n");
  shader_asm::ShaderBufferPtr shader;
  shader_asm::ShaderBufferPtr errors;
  EXPECT_EQ(shader_asm::assembleShaderFromFile(path.c_str(), nullptr, nullptr, 0, shader.put(), errors.put()),
            ResultInvalidData);
  ASSERT_TRUE(errors);
  EXPECT_EQ(std::string(static_cast<const char*>(errors->GetData())),
            path + "(3): error X2005: invalid register 'r12'\n");
  std::string missing = directory.file("missing.vsh");
  EXPECT_EQ(shader_asm::assembleShaderFromFile(missing.c_str(), nullptr, nullptr, 0, shader.put(), errors.put()),
            ResultInvalidData);
  EXPECT_EQ(std::string(static_cast<const char*>(errors->GetData())),
            "error X1507: failed to open source file: '" + missing + "'\n");
  shader_asm::ShaderDefine defines[] = {{"REG", "r3"}, {nullptr, nullptr}};
  std::string good = directory.write("b.vsh", "vs_2_0\nmov REG, v0\n");
  ASSERT_EQ(shader_asm::assembleShaderFromFile(good.c_str(), defines, nullptr, 0, shader.put(), errors.put()), S_OK);
  EXPECT_FALSE(errors);
  EXPECT_EQ(static_cast<const DWORD*>(shader->GetData())[2], 0x800F0003u);
}

// ---- debug information ----

struct DebugComment {
  std::vector<DWORD> words;  // the whole stream
  std::size_t commentWords = 0;
  const unsigned char* data = nullptr;  // the byte after the four-character code
  DWORD header(std::size_t i) const { return words.at(3 + i); }
  std::string text(DWORD offset) const { return reinterpret_cast<const char*>(data) + offset; }
};

DebugComment debugComment(const Assembled& out) {
  DebugComment comment;
  comment.words = out.words;
  if (out.words.size() < 3 || !shader_tokens::isComment(out.words[1])) return comment;
  comment.commentWords = shader_tokens::commentLength(out.words[1]) + 1;
  comment.data = reinterpret_cast<const unsigned char*>(comment.words.data() + 3);
  return comment;
}

TEST(AssemblerDebugInfo, HeaderFileTableAndInstructionOffsets) {
  Assembled out = assemble("vs_2_0\nentrypoint main\ndcl_position v0\n\nmov r0, v0\n",
                           shader_asm::kAssembleDebugInfo | shader_asm::kAssembleSkipValidation, "dbg.vsh");
  ASSERT_EQ(out.result, S_OK) << out.messages;
  DebugComment comment = debugComment(out);
  ASSERT_GT(comment.commentWords, 0u);
  EXPECT_EQ(out.words[2], shader_tokens::makeFourCC('D', 'B', 'U', 'G'));
  EXPECT_EQ(comment.header(0), 40u);
  EXPECT_EQ(comment.text(comment.header(1)), "Prismcard Shader Assembler");
  EXPECT_EQ(comment.header(2), 0u);  // the source has a name: no embedded text
  ASSERT_EQ(comment.header(3), 1u);
  DWORD fileTable = comment.header(4);
  EXPECT_EQ(fileTable % 4, 0u);
  DWORD nameOffset;
  std::memcpy(&nameOffset, comment.data + fileTable, 4);
  EXPECT_EQ(comment.text(nameOffset), "dbg.vsh");
  ASSERT_EQ(comment.header(5), 2u);
  DWORD records = comment.header(6);
  std::uint16_t lines[2];
  std::uint16_t files[2];
  DWORD offsets[2];
  for (int i = 0; i < 2; ++i) {
    std::memcpy(&lines[i], comment.data + records + 8 * i, 2);
    std::memcpy(&files[i], comment.data + records + 8 * i + 2, 2);
    std::memcpy(&offsets[i], comment.data + records + 8 * i + 4, 4);
  }
  EXPECT_EQ(lines[0], 3);
  EXPECT_EQ(lines[1], 5);
  EXPECT_EQ(files[0], 0);
  EXPECT_EQ(out.words.at(offsets[0] / 4), 0x0200001Fu);
  EXPECT_EQ(out.words.at(offsets[1] / 4), 0x02000001u);
  EXPECT_EQ(offsets[0], (1 + comment.commentWords) * 4);
  EXPECT_EQ(comment.text(comment.header(9)), "main");
  EXPECT_EQ(comment.header(7), 0u);
  EXPECT_EQ(comment.header(8), 0u);
  EXPECT_EQ(out.words.back(), 0x0000FFFFu);
}

TEST(AssemblerDebugInfo, TextFromMemoryIsEmbedded) {
  std::string text = "vs_2_0\nmov r0, v0\n";
  Assembled out = assemble(text, shader_asm::kAssembleDebugInfo | shader_asm::kAssembleSkipValidation, nullptr);
  ASSERT_EQ(out.result, S_OK);
  DebugComment comment = debugComment(out);
  ASSERT_GT(comment.commentWords, 0u);
  EXPECT_EQ(comment.header(3), 0u);  // no file names
  EXPECT_EQ(comment.text(comment.header(2)), "vs_2_0\nmov r0, v0");
  std::uint16_t file;
  std::memcpy(&file, comment.data + comment.header(6) + 2, 2);
  EXPECT_EQ(file, 0xFFFF);
  EXPECT_EQ(comment.header(9), 0u);
  // Flag 0 gives no comment at all.
  EXPECT_EQ(assemble(text, shader_asm::kAssembleSkipValidation, nullptr).words,
            (Words{0xFFFE0200, 0x02000001, 0x800F0000, 0x90E40000, 0x0000FFFF}));
}

TEST(AssemblerDebugInfo, OversizedCommentIsDropped) {
  std::string text = "vs_2_0\n";
  for (int i = 0; i < 3000; ++i) text += "; a comment line that only makes the embedded text long enough\n";
  text += "mov r0, v0\n";
  Assembled out = assemble(text, shader_asm::kAssembleDebugInfo | shader_asm::kAssembleSkipValidation, nullptr);
  EXPECT_EQ(out.result, S_OK);
  EXPECT_EQ(out.messages, "warning X2030: debug info exceeds maximum comment size; no debug info emitted\n");
  EXPECT_EQ(out.words, (Words{0xFFFE0200, 0x02000001, 0x800F0000, 0x90E40000, 0x0000FFFF}));
}

TEST(CommentBuilder, AlignmentSharingAndFill) {
  shader_asm::CommentBuilder builder;
  EXPECT_EQ(builder.append("ab", 2, shader_asm::CommentBuilder::kUnaligned), 0u);
  EXPECT_EQ(builder.append("xyz", shader_asm::CommentBuilder::kTextWithTerminator, 0), 4u);
  EXPECT_EQ(builder.append("ab", 2, shader_asm::CommentBuilder::kUnaligned), 0u);  // copied items are shared
  static const char referenced[] = "ab";
  EXPECT_EQ(
      builder.append(referenced, 2, shader_asm::CommentBuilder::kReferenced | shader_asm::CommentBuilder::kUnaligned),
      8u);
  std::vector<DWORD> words;
  builder.write(0x12345678, words);
  EXPECT_EQ(words, (Words{0x0004FFFE, 0x12345678, 0xABAB6261, 0x007A7978, 0xABAB6261}));
  EXPECT_EQ(builder.totalWords(), words.size());
}

// ---- the platform validator ----

struct FakeValidator : shader_asm::ShaderValidator {
  std::vector<std::vector<DWORD>> calls;
  std::vector<UINT> lines;
  int begins = 0;
  int ends = 0;
  int releases = 0;
  HRESULT beginResult = S_OK;
  HRESULT instructionResult = S_OK;
  std::size_t failOnCall = 1000;
  shader_asm::ShaderValidatorCallback callback = nullptr;
  void* context = nullptr;
  // Messages to send while validating the call with this index: (type, code, text).
  struct Message {
    std::size_t call;
    DWORD type;
    DWORD code;
    const char* text;
  };
  std::vector<Message> messages;

  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return 2; }
  ULONG Release() override {
    ++releases;
    return 1;
  }
  HRESULT Begin(shader_asm::ShaderValidatorCallback cb, void* ctx, DWORD) override {
    ++begins;
    callback = cb;
    context = ctx;
    return beginResult;
  }
  HRESULT Instruction(const char* file, UINT line, const DWORD* words, UINT count) override {
    (void)file;
    calls.emplace_back(words, words + count);
    lines.push_back(line);
    for (const Message& message : messages) {
      if (message.call == calls.size() - 1) {
        callback(file, static_cast<int>(line), message.type, message.code, message.text, context);
      }
    }
    return calls.size() - 1 == failOnCall ? instructionResult : S_OK;
  }
  HRESULT End() override {
    ++ends;
    return S_OK;
  }
};

FakeValidator* gFakeValidator = nullptr;
shader_asm::ShaderValidator* createFakeValidator() { return gFakeValidator; }

class AssemblerValidator : public ::testing::Test {
 protected:
  void SetUp() override {
    gFakeValidator = &validator;
    static const platform::ModuleExport kExports[] = {
        {shader_asm::kShaderValidatorExport, platform::exportAddress(&createFakeValidator)}};
    fakeModule_.emplace("d3d9.dll", kExports);
  }
  void TearDown() override {
    fakeModule_.reset();  // the platform's own d3d9.dll comes back
    gFakeValidator = nullptr;
  }
  FakeValidator validator;
  std::optional<platform::ScopedModuleReplacement> fakeModule_;
};

TEST_F(AssemblerValidator, SeesEveryInstructionAsWritten) {
  Assembled out = assemble("vs_2_0\ndcl_position v0\n\nmov r0, v0\n", 0);
  ASSERT_EQ(out.result, S_OK) << out.messages;
  EXPECT_EQ(validator.begins, 1);
  EXPECT_EQ(validator.ends, 1);
  EXPECT_EQ(validator.releases, 1);
  ASSERT_EQ(validator.calls.size(), 4u);
  EXPECT_EQ(validator.calls[0], (Words{0xFFFE0200}));
  EXPECT_EQ(validator.calls[1], (Words{0x0200001F, 0x80000000, 0x900F0000}));
  EXPECT_EQ(validator.calls[2], (Words{0x02000001, 0x800F0000, 0x90E40000}));
  EXPECT_EQ(validator.calls[3], (Words{0x0000FFFF}));
  EXPECT_EQ(validator.lines[1], 2u);
  EXPECT_EQ(validator.lines[2], 4u);
  // The debug comment is not shown to the validator.
  validator.calls.clear();
  ASSERT_EQ(assemble("vs_2_0\nmov r0, v0\n", shader_asm::kAssembleDebugInfo).result, S_OK);
  EXPECT_EQ(validator.calls.size(), 3u);
  EXPECT_EQ(validator.calls[2], (Words{0x0000FFFF}));
}

TEST_F(AssemblerValidator, MessagesBecomeWarningsAndErrors) {
  validator.messages = {{1, 1, 7, "first warning"},
                        {1, 5, 8, "second warning"},
                        {1, 3, 9, "ignored"},
                        {1, 2, 10, "an error"},
                        {1, 6, 11, "another error"}};
  Assembled out = assemble("vs_2_0\nmov r0, v0\n", 0);
  EXPECT_EQ(out.result, ResultInvalidData);
  EXPECT_EQ(out.messages,
            "x.vsh(2): warning X5007: first warning\n"
            "x.vsh(2): warning X5008: second warning\n"
            "x.vsh(2): error X5010: an error\n"
            "x.vsh(2): error X5011: another error\n");
  validator.calls.clear();
  validator.messages = {{1, 1, 7, "only a warning"}};
  Assembled warned = assemble("vs_2_0\nmov r0, v0\n", 0);
  EXPECT_EQ(warned.result, S_OK);
  EXPECT_EQ(warned.messages, "x.vsh(2): warning X5007: only a warning\n");
}

TEST_F(AssemblerValidator, FailuresAndSkipping) {
  validator.beginResult = E_NOTIMPL;
  EXPECT_EQ(assemble("vs_2_0\nmov r0, v0\n", 0).result, E_NOTIMPL);
  EXPECT_EQ(validator.releases, 1);
  validator = FakeValidator{};
  validator.failOnCall = 0;  // the version token
  validator.instructionResult = E_FAIL;
  EXPECT_EQ(assemble("vs_2_0\nmov r0, v0\n", 0).result, E_FAIL);
  validator = FakeValidator{};
  validator.failOnCall = 1;  // the first instruction: the rest is parsed, not built
  validator.instructionResult = E_FAIL;
  Assembled refused = assemble("vs_2_0\nmov r0, v0\nmov r1, v0\nmov r99, v0\n", 0);
  EXPECT_EQ(refused.result, ResultInvalidData);
  EXPECT_EQ(refused.messages, "x.vsh(4): error X2005: invalid register 'r99'\n");
  EXPECT_EQ(validator.calls.size(), 2u);
  validator = FakeValidator{};
  EXPECT_EQ(assemble("vs_2_0\nmov r0, v0\n", shader_asm::kAssembleSkipValidation).result, S_OK);
  EXPECT_EQ(validator.begins, 0);
  // Without the export the run goes on unvalidated.
  platform::unregisterModule("d3d9.dll");
  EXPECT_EQ(assemble("vs_2_0\nmov r0, v0\n", 0).result, S_OK);
}

}  // namespace
}  // namespace shader_asm_test
