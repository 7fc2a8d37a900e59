#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assembler_test_support.h"
#include "scoped_environment.h"
#include "shader_asm/disassembler.h"

namespace shader_asm_test {
namespace {

using Words = std::vector<DWORD>;

std::string disassemble(const Words& words, std::string* error = nullptr) {
  std::string text;
  std::string message;
  HRESULT result = shader_asm::disassembleShader(words.data(), words.size(), text, message);
  if (error != nullptr) *error = message;
  return SUCCEEDED(result) ? text : "failed";
}

TEST(Disassembler, ReadableText) {
  EXPECT_EQ(disassemble({0xFFFE0200, 0x0200001F, 0x80000005, 0x900F0002, 0x03000009, 0xC0010000, 0x90E40000, 0xA0E40000,
                         0x02000001, 0xE00F0001, 0x80000002, 0x0000FFFF}),
            "vs_2_0\ndcl_texcoord v2\ndp4 oPos.x, v0, c0\nmov oT1, r2.x\n");
  Assembled out =
      assemble("ps_1_1\n+ mov_x2_sat r0.a, -t0_bx2.w\nsub r0, 1-r1, c0", shader_asm::kAssembleSkipValidation);
  EXPECT_EQ(disassemble(out.words), "ps_1_1\n+ mov_x2_sat r0.w, -t0_bx2.w\nsub r0, 1-r1, c0\n");
  EXPECT_EQ(disassemble(assemble("vs_2_0\nmov r0, c[a0.x + 2]\ndef c3, 1.0e20, -0.5, 3.25, 0").words),
            "vs_2_0\nmov r0, c[a0.x + 2]\ndef c3, 1.00000002e20, -0.5, 3.25, 0\n");
}

TEST(Disassembler, CommentsBecomeCommentLines) {
  Assembled out =
      assemble("vs_2_0\nmov r0, v0\n", shader_asm::kAssembleDebugInfo | shader_asm::kAssembleSkipValidation, "c.vsh");
  std::string text = disassemble(out.words);
  EXPECT_EQ(text.rfind("vs_2_0\n; comment, ", 0), 0u) << text;
  EXPECT_NE(text.find("\nmov r0, v0\n"), std::string::npos);
  // Assembling the text again gives the same words without the comment.
  EXPECT_EQ(assemble(text).words, (Words{0xFFFE0200, 0x02000001, 0x800F0000, 0x90E40000, 0x0000FFFF}));
}

TEST(Disassembler, MalformedStreamsAreRefused) {
  struct Case {
    Words words;
    const char* error;
  };
  const Case cases[] = {
      {{}, "word 0: stream ends inside the version token"},
      {{0xFFFE0100, 0x0000FFFF}, "word 0: 0xFFFE0100 is not a shader version"},
      {{0xFFFE0200}, "word 0: stream ends inside the program (no end token)"},
      {{0xFFFE0200, 0x02000001, 0x800F0000}, "word 2: stream ends inside a source"},
      {{0xFFFE0200, 0x0000003F, 0x0000FFFF}, "word 1: opcode 63 is not an instruction of vs_2_0"},
      {{0xFFFF0101, 0x00000006, 0x0000FFFF}, "word 1: opcode 6 is not an instruction of ps_1_1"},
      {{0xFFFE0200, 0x0005FFFE, 1, 0x0000FFFF}, "word 1: comment runs past the end of the stream"},
      {{0xFFFE0200, 0x0000FFFF, 0}, "word 1: words after the end token"},
      {{0xFFFE0200, 0x03000001, 0x800F0000, 0x80E40000, 0x0000FFFF},
       "word 3: instruction length 3 does not match its operands"},
      {{0xFFFE0101, 0x02000001, 0x800F0000, 0x80E40000, 0x0000FFFF}, "word 3: instruction length field set before 2.0"},
      {{0xFFFE0200, 0x02000001, 0x000F0000, 0x80E40000, 0x0000FFFF}, "word 2: parameter token without bit 31"},
      {{0xFFFE0200, 0x02000001, 0x800F0800, 0x80E40000, 0x0000FFFF}, "word 2: register type 8 is not in vs_2_0"},
      {{0xFFFE0201, 0x02070029, 0x80E40000, 0x80E40001, 0x0000FFFF}, "word 1: invalid comparison"},
      {{0xFFFE0200, 0x02000001, 0x800F0000, 0x8EE40000, 0x0000FFFF}, "word 3: unknown source modifier 14"},
      {{0xFFFE0200, 0x80000001, 0x0000FFFF}, "word 1: 0x80000001 is not an instruction token"},
      {{0xFFFE0300, 0x03000001, 0x800F0000, 0xA0E42000, 0xB0E42000, 0x0000FFFF},
       "word 4: an address register cannot itself be indexed"},
  };
  for (const Case& test : cases) {
    std::string error;
    EXPECT_EQ(disassemble(test.words, &error), "failed");
    EXPECT_EQ(error, test.error);
  }
  std::string text;
  std::string error;
  EXPECT_EQ(shader_asm::disassembleShader(nullptr, 5, text, error), ResultInvalidData);
}

// ---- the command-line tool ----

class PrismasmTool : public ::testing::Test {
 protected:
  int run(const std::string& arguments, std::string* output = nullptr, std::string* messages = nullptr) {
    std::string out = directory.file("stdout.txt");
    std::string err = directory.file("stderr.txt");
    int status = std::system((std::string(PRISMASM_PATH) + " " + arguments + " >" + out + " 2>" + err).c_str());
    if (output != nullptr) *output = read(out);
    if (messages != nullptr) *messages = read(err);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  static std::string read(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
  }
  prism_test::TemporaryDirectory directory;
};

TEST_F(PrismasmTool, AssemblesToFilesAndHex) {
  std::string source = directory.write("shader.vsh", "vs_2_0\n#include \"inc/body.h\"\n");
  directory.write("inc/body.h", "mov r0, SRC\n");
  EXPECT_EQ(run("-D SRC=v1 " + source), 0);
  EXPECT_EQ(read(directory.file("shader.bin")),
            std::string("\x00\x02\xFE\xFF\x01\x00\x00\x02\x00\x00\x0F\x80\x01\x00\xE4\x90\xFF\xFF\x00\x00", 20));
  std::string output;
  EXPECT_EQ(run("-DSRC=c1 --hex --no-validate " + source, &output), 0);
  EXPECT_EQ(output, "0xFFFE0200\n0x02000001\n0x800F0000\n0xA0E40001\n0x0000FFFF\n");
  EXPECT_EQ(run("--debug-info -D SRC=v0 -o " + directory.file("d.bin") + " " + source), 0);
  std::string disassembly;
  EXPECT_EQ(run("--disassemble " + directory.file("d.bin"), &disassembly), 0);
  EXPECT_NE(disassembly.find("; comment"), std::string::npos);
  EXPECT_NE(disassembly.find("mov r0, v0\n"), std::string::npos);
}

TEST_F(PrismasmTool, ErrorsAndUsage) {
  std::string messages;
  std::string bad = directory.write("bad.psh", "ps_2_0\nmov r99, r0\n");
  EXPECT_EQ(run(bad, nullptr, &messages), 1);
  EXPECT_EQ(messages, bad + "(2): error X2005: invalid register 'r99'\n");
  EXPECT_EQ(run(directory.file("missing.psh"), nullptr, &messages), 1);
  EXPECT_EQ(messages, "error X1507: failed to open source file: '" + directory.file("missing.psh") + "'\n");
  EXPECT_EQ(run("", nullptr, &messages), 2);
  EXPECT_EQ(run("--frobnicate x.vsh"), 2);
  EXPECT_EQ(run("a.vsh b.vsh"), 2);
  std::string help;
  EXPECT_EQ(run("--help", &help), 0);
  EXPECT_NE(help.find("usage: prismasm"), std::string::npos);
  std::string odd = directory.write("odd.bin", "abcde");
  EXPECT_EQ(run("--disassemble " + odd, nullptr, &messages), 1);
  EXPECT_EQ(messages, odd + ": error: the size (5 bytes) is not a whole number of 32-bit words\n");
}

}  // namespace
}  // namespace shader_asm_test

namespace shader_asm_test {
namespace {

// The shipped shaders and the fuzz seeds: each one that assembles must come back the same
// through the disassembler (assemble() checks that on every success).
TEST(DisassemblerRoundTrip, TestCorpus) {
  std::vector<std::filesystem::path> files;
  for (const char* folder : {"/tests/shader_asm/data", "/fuzz/shader_asm/corpus/assembler"}) {
    for (const auto& entry : std::filesystem::directory_iterator(std::string(PRISM_SOURCE_DIR) + folder)) {
      files.push_back(entry.path());
    }
  }
  int assembled = 0;
  for (const auto& path : files) {
    std::ifstream stream(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (path.string().find("/corpus/") != std::string::npos) text.erase(0, 1);  // the fuzzer's mode byte
    SCOPED_TRACE(path.string());
    if (assemble(text).result == S_OK) ++assembled;
  }
  EXPECT_GE(assembled, 5);
}

}  // namespace
}  // namespace shader_asm_test
