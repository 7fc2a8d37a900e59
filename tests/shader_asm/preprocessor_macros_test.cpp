#include <gtest/gtest.h>

#include "preprocessor_test_support.h"

namespace shader_asm_test {
namespace {

TEST(PreprocessorMacros, ObjectAndFunctionLikeMacros) {
  EXPECT_EQ(preprocess("#define ONE 1\n#define TWO ONE + ONE\nTWO").tokens, (Tokens{"int:1", "p:+", "int:1"}));
  EXPECT_EQ(preprocess("#define ADD(a, b) add a, b\nADD(r0, (c1, c2))").tokens,
            (Tokens{"id:add", "id:r0", "p:,", "p:(", "id:c1", "p:,", "id:c2", "p:)"}));
  // Only a '(' right after the name makes a call; "F (x)" in a definition is an object-like body.
  EXPECT_EQ(preprocess("#define F(x) [x]\nF (1) F(2)").tokens,
            (Tokens{"id:F", "p:(", "int:1", "p:)", "p:[", "int:2", "p:]"}));
  EXPECT_EQ(preprocess("#define F (x)\nF").tokens, (Tokens{"p:(", "id:x", "p:)"}));
  // Nested brackets do not split arguments; an empty argument is an argument.
  EXPECT_EQ(preprocess("#define F(x) <x>\nF([a,b]) F()").tokens,
            (Tokens{"p:<", "p:[", "id:a", "p:,", "id:b", "p:]", "p:>", "p:<", "p:>"}));
}

TEST(PreprocessorMacros, ArgumentCountAndEndOfFile) {
  auto tooMany = preprocess("#define F(x) x\nF(1,2) after");
  EXPECT_EQ(tooMany.messages, "x.vsh(2): error X1516: not enough actual parameters for macro 'F'\n");
  EXPECT_EQ(tooMany.tokens, (Tokens{"id:after"}));
  EXPECT_EQ(preprocess("#define F(x, y) x\nF(1)").messages,
            "x.vsh(2): error X1516: not enough actual parameters for macro 'F'\n");
  EXPECT_EQ(preprocess("#define F(x) x\nF(1, (2").messages,
            "x.vsh(2): error X1515: unexpected end of file in macro expansion\n");
}

TEST(PreprocessorMacros, StringizingAndPasting) {
  EXPECT_EQ(preprocess("#define S(x) #x\nS(a  +b) S(\"q\\n\")").tokens, (Tokens{"str:a +b", "str:\"q\\n\""}));
  EXPECT_EQ(preprocess("#define C(x) #@x\nC(a)").tokens, (Tokens{"int:97"}));
  EXPECT_EQ(preprocess("#define CAT(a, b) a ## b\nCAT(r, 1) CAT(1, 2) CAT(+, =)").tokens,
            (Tokens{"id:r1", "int:12", "p:+="}));
  EXPECT_EQ(preprocess("#define REG r ## 5\nREG").tokens, (Tokens{"id:r5"}));
  // A '#' before something that is not a parameter stays.
  EXPECT_EQ(preprocess("#define H(x) # y x\nH(1)").tokens, (Tokens{"p:#", "id:y", "int:1"}));
}

TEST(PreprocessorMacros, SelfReferenceEnds) {
  EXPECT_EQ(preprocess("#define A A + 1\nA").tokens, (Tokens{"id:A", "p:+", "int:1"}));
  EXPECT_EQ(preprocess("#define A B\n#define B A\nA B").tokens, (Tokens{"id:A", "id:B"}));
  EXPECT_EQ(preprocess("#define F(x) F(x)\nF(F(1))").tokens,
            (Tokens{"id:F", "p:(", "id:F", "p:(", "int:1", "p:)", "p:)"}));
  // The name is expandable again once its expansion has been read.
  EXPECT_EQ(preprocess("#define A 1\n#define B A A\nB A").tokens, (Tokens{"int:1", "int:1", "int:1"}));
}

TEST(PreprocessorMacros, ExponentialExpansionIsBounded) {
  std::string text;
  for (int i = 0; i < 40; ++i)
    text += "#define M" + std::to_string(i + 1) + " M" + std::to_string(i) + " M" + std::to_string(i) + "\n";
  text += "M40\n";
  auto run = preprocess(text);
  EXPECT_EQ(run.result, E_OUTOFMEMORY);
  EXPECT_NE(run.messages.find("internal error: out of memory"), std::string::npos);
}

TEST(PreprocessorMacros, PredefinedNamesAndCallerDefines) {
  shader_asm::ShaderDefine defines[] = {{"SCALE", "2.5"}, {"EMPTY", nullptr}, {"DIRECT3D", "9"}, {nullptr, nullptr}};
  PreprocessOptions options;
  options.defines = defines;
  EXPECT_EQ(preprocess("SCALE EMPTY DIRECT3D PRISMASM DIRECT3D_VERSION PRISMASM_VERSION", options).tokens,
            (Tokens{"float:2.5", "int:9", "int:2304", "int:2304"}));
  options.name = nullptr;
  EXPECT_EQ(preprocess("\n__LINE__ __FILE__", options).tokens, (Tokens{"int:2", "str:"}));
  EXPECT_EQ(preprocess("__FILE__ \n#define __LINE__ 0\n__LINE__").tokens, (Tokens{"str:x.vsh", "int:0"}));
  // Macros are not expanded in inactive regions or inside directives.
  EXPECT_EQ(preprocess("#define X 1\n#if 0\nX\n#endif\n#undef X\nX").tokens, (Tokens{"id:X"}));
}

TEST(PreprocessorMacros, BodiesOutliveTheIncludeThatDefinedThem) {
  MemoryIncludeHandler handler;
  handler.files["main"] = "#include \"defs.h\"\nCAT(r, 7) S(text)";
  handler.files["defs.h"] = "#define CAT(a, b) a ## b\n#define S(x) #x\n";
  shader_asm::ShaderPreprocessor pp;
  ASSERT_EQ(pp.initializeFromFile("main", nullptr, &handler), S_OK);
  handler.scribbleOnClose = true;  // what the closed include held is gone
  PreprocessResult run;
  collect(pp, run, {});
  EXPECT_EQ(run.tokens, (Tokens{"id:r7", "str:text"}));
}

TEST(PreprocessorMacros, InAsmModeASemicolonEndsAMacroBody) {
  PreprocessOptions options;
  options.flags = shader_asm::kScanAsmMode;
  EXPECT_EQ(preprocess("#define M mov ; comment\nM r0", options).tokens, (Tokens{"id:mov", "id:r0"}));
}

}  // namespace
}  // namespace shader_asm_test
