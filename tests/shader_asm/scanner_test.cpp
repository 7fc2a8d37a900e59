#include <gtest/gtest.h>

#include <algorithm>

#include "preprocessor_test_support.h"

namespace shader_asm_test {
namespace {

using shader_asm::kScanAsmMode;

PreprocessOptions asmMode() {
  PreprocessOptions options;
  options.flags = kScanAsmMode;
  return options;
}

TEST(Scanner, ShippedShaderLinesInAsmMode) {
  auto run = preprocess(
      "; Hologram vertex shader\n"
      "vs.2.0 ; version\n"
      "dcl_texcoord0 v2\n"
      "mul r2.x, r3.x, c5.x\n"
      "add r3.x, c4.w, r2.x\n",
      asmMode());
  EXPECT_EQ(run.tokens, (Tokens{"ver:FFFE0200", "id:dcl_texcoord0",
                                "id:v2",        "id:mul",
                                "id:r2",        "p:.",
                                "id:x",         "p:,",
                                "id:r3",        "p:.",
                                "id:x",         "p:,",
                                "id:c5",        "p:.",
                                "id:x",         "id:add",
                                "id:r3",        "p:.",
                                "id:x",         "p:,",
                                "id:c4",        "p:.",
                                "id:w",         "p:,",
                                "id:r2",        "p:.",
                                "id:x"}));
  EXPECT_EQ(run.lines.front(), 2u);
  EXPECT_EQ(run.messages, "");
}

TEST(Scanner, VersionTokensNeedAsmModeAndAnAssemblableTarget) {
  EXPECT_EQ(preprocess("ps.2.0 vs.2.sw ps.3.0 vs.2.x ps_2_0", asmMode()).tokens,
            (Tokens{"ver:FFFF0200", "ver:FFFE02FF", "ver:FFFF0300", "ver:FFFE0201", "id:ps_2_0"}));
  // Outside AsmMode "vs.2.0" is an identifier and two floats; tx.1.0 lacks the assemble flag.
  EXPECT_EQ(preprocess("vs.2.0").tokens, (Tokens{"id:vs", "float:0.2", "float:0"}));
  EXPECT_EQ(preprocess("tx.1.0 vs.4.0", asmMode()).tokens,
            (Tokens{"id:tx", "float:0.1", "float:0", "id:vs", "float:0.4", "float:0"}));
}

TEST(Scanner, CommentsAndLineEnds) {
  PreprocessOptions options;
  options.keepLineEnds = true;
  auto run = preprocess("a // line\n\n\n b /* x\n y */ c \\\n d\n; e", options);
  EXPECT_EQ(run.tokens, (Tokens{"id:a", "eol", "id:b", "id:c", "id:d", "eol", "p:;", "id:e"}));
  EXPECT_EQ(run.lines, (std::vector<std::uint32_t>{1, 1, 4, 5, 6, 6, 7, 7}));
  // In AsmMode ';' comments to the end of the line.
  options.flags = kScanAsmMode;
  EXPECT_EQ(preprocess("a ; b c\nd", options).tokens, (Tokens{"id:a", "eol", "id:d"}));
  // A comment that never ends reports 1001 and ends the text.
  auto open = preprocess("a\n/* never\nends");
  EXPECT_EQ(open.tokens, (Tokens{"id:a"}));
  EXPECT_EQ(open.messages, "x.vsh(3): error X1001: comment continues past end of file\n");
}

TEST(Scanner, Floats) {
  EXPECT_EQ(preprocess("1.5 .25 2. 1.5e-3 3.0E2 1.5f 2.0h 0.5F").tokens,
            (Tokens{"float:1.5", "float:0.25", "float:2", "float:0.0015", "float:300", "float:1.5f", "float:2h",
                    "float:0.5f"}));
  // No point, no float; '+' does not start an exponent.
  EXPECT_EQ(preprocess("1e5 1.0e+5").tokens, (Tokens{"int:1", "id:e5", "float:1", "id:e", "p:+", "int:5"}));
}

TEST(Scanner, IntegersAndTruncation) {
  EXPECT_EQ(preprocess("0 017 42 0x1F 0xffffffff 7u 7L 7ul 7LU 'a' '\\n' 0X1").tokens,
            (Tokens{"int:0", "int:15", "int:42", "int:31", "int:4294967295", "int:7ul", "int:7l", "int:7ul", "int:7ul",
                    "int:97", "int:10", "int:0", "id:X1"}));
  auto hex = preprocess("0x123456789");
  EXPECT_EQ(hex.tokens, (Tokens{"int:591751049"}));  // 0x23456789
  EXPECT_EQ(hex.messages, "x.vsh(1): error X1002: hex value truncated to 32bits\n");
  auto octal = preprocess("\n077777777777");
  EXPECT_EQ(octal.messages, "x.vsh(2): error X1003: octal value truncated to 32bits\n");
  auto decimal = preprocess("4294967296");
  EXPECT_EQ(decimal.tokens, (Tokens{"int:0"}));
  EXPECT_EQ(decimal.messages, "x.vsh(1): error X1004: decimal value truncated to 32bits\n");
  EXPECT_EQ(preprocess("4294967295").messages, "");
}

TEST(Scanner, StringsAndEscapes) {
  EXPECT_EQ(preprocess(R"("a\tb\x41\101\q")").tokens, (Tokens{"str:a\tbAAq"}));
  auto unterminated = preprocess("\"abc\ndef");
  EXPECT_EQ(unterminated.tokens, (Tokens{"str:abc", "id:def"}));
  EXPECT_EQ(unterminated.messages, "x.vsh(1): error X1005: string continues past end of line\n");
  EXPECT_EQ(preprocess("\"abc").messages, "x.vsh(1): error X1006: string continues past end of file\n");
  EXPECT_EQ(preprocess("\"abc\\").messages, "x.vsh(1): error X1007: character continues past end of file\n");
  // Scanner errors do not stop scanning.
  EXPECT_EQ(preprocess("\"a\n0x123456789 b").tokens, (Tokens{"str:a", "int:591751049", "id:b"}));
}

TEST(Scanner, Punctuators) {
  EXPECT_EQ(preprocess("## #@ && ++ -- :: == || ... << >> <<= >>= != %= &= *= += -= /= <= >= ^= |= -> ~ <").tokens,
            (Tokens{"p:##", "p:#@", "p:&&",  "p:++",  "p:--", "p:::", "p:==", "p:||", "p:...",
                    "p:<<", "p:>>", "p:<<=", "p:>>=", "p:!=", "p:%=", "p:&=", "p:*=", "p:+=",
                    "p:-=", "p:/=", "p:<=",  "p:>=",  "p:^=", "p:|=", "p:->", "p:~",  "p:<"}));
}

TEST(Scanner, BinaryGarbageEndsWithMessagesAndAResult) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
  garbage += "\"\\";
  auto run = preprocess(garbage, asmMode());
  EXPECT_TRUE(SUCCEEDED(run.result) || run.result == E_FAIL);
  EXPECT_GT(run.tokens.size(), 0u);
}

}  // namespace
}  // namespace shader_asm_test

namespace shader_asm_test {
namespace {

TEST(Scanner, ShippedShaderFiles) {
  PreprocessOptions options;
  options.flags = shader_asm::kScanAsmMode;
  std::string data = std::string(PRISM_SOURCE_DIR) + "/tests/shader_asm/data/";
  auto vertex = preprocessFile(data + "Hologram.vsh", options);
  ASSERT_EQ(vertex.messages, "");
  EXPECT_EQ(vertex.tokens.front(), "ver:FFFE0200");
  EXPECT_EQ(vertex.lines.front(), 3u);  // the comment lines before it are skipped
  auto contains = [](const Tokens& tokens, const Tokens& run) {
    return std::search(tokens.begin(), tokens.end(), run.begin(), run.end()) != tokens.end();
  };
  EXPECT_TRUE(contains(vertex.tokens, {"id:dcl_texcoord0", "id:v2"}));
  EXPECT_TRUE(contains(vertex.tokens, {"p:,", "id:c5", "p:.", "id:x", "id:mov"}));  // the comment after it is gone
  EXPECT_TRUE(contains(vertex.tokens, {"p:,", "id:c4", "p:.", "id:w", "p:,"}));
  auto pixel = preprocessFile(data + "Hologram.psh", options);
  ASSERT_EQ(pixel.messages, "");
  EXPECT_EQ(pixel.tokens.front(), "ver:FFFF0200");
  EXPECT_TRUE(contains(pixel.tokens, {"id:dcl_2d", "id:s0", "id:mov"}));
}

}  // namespace
}  // namespace shader_asm_test
