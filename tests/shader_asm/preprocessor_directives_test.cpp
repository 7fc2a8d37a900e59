#include <gtest/gtest.h>

#include "platform/win/files.h"
#include "preprocessor_test_support.h"
#include "scoped_environment.h"

namespace shader_asm_test {
namespace {

TEST(PreprocessorDirectives, DefineUndefAndLineDirectives) {
  auto run = preprocess("#define A 1 2\nA\n#undef A\n#undef NEVER\nA\n");
  EXPECT_EQ(run.tokens, (Tokens{"int:1", "int:2", "id:A"}));
  EXPECT_EQ(run.messages, "");
  // A redefinition replaces silently.
  EXPECT_EQ(preprocess("#define A 1\n#define A 2\nA").tokens, (Tokens{"int:2"}));
  // #line sets the next line's number and, with a string, the file name in messages.
  auto line = preprocess("#line 10 \"other.vsh\"\n\n#endif\n#line 20\n#endif");
  EXPECT_EQ(line.messages,
            "other.vsh(11): error X1510: unexpected #endif\nother.vsh(20): error X1510: unexpected #endif\n");
}

TEST(PreprocessorDirectives, MalformedDirectives) {
  EXPECT_EQ(preprocess("#\n").messages, "x.vsh(1): error X1500: syntax error : unexpected end of line\n");
  EXPECT_EQ(preprocess("#frobnicate 1\nok").messages,
            "x.vsh(1): error X1504: invalid preprocessor command 'frobnicate'\n");
  EXPECT_EQ(preprocess("#define 5 x").messages, "x.vsh(1): error X1500: syntax error : unexpected integer '5'\n");
  EXPECT_EQ(preprocess("#define F() 1").messages, "x.vsh(1): error X1500: syntax error : unexpected token ')'\n");
  EXPECT_EQ(preprocess("#define F(a,) 1").messages, "x.vsh(1): error X1500: syntax error : unexpected token ')'\n");
  EXPECT_EQ(preprocess("#undef \"s\"").messages, "x.vsh(1): error X1500: syntax error : unexpected string constant\n");
  EXPECT_EQ(preprocess("#line x").messages, "x.vsh(1): error X1500: syntax error : unexpected token 'x'\n");
  auto trailing = preprocess("#undef A B\nnext");
  EXPECT_EQ(trailing.messages, "x.vsh(1): error X1501: unexpected tokens following preprocessor directive\n");
  EXPECT_EQ(trailing.tokens, (Tokens{"id:next"}));
  auto duplicate = preprocess("#define F(a, a) a\nF(1, 2)");
  EXPECT_EQ(duplicate.messages, "x.vsh(1): error X1511: duplicate macro parameter 'a'\n");
  EXPECT_EQ(duplicate.tokens, (Tokens{"int:1"}));
  // Unknown directives and malformed lines in inactive regions are skipped silently.
  EXPECT_EQ(preprocess("#if 0\n#frobnicate\n#\n#define 5\n#endif").messages, "");
}

TEST(PreprocessorDirectives, ErrorDirectiveFailsTheRun) {
  auto run = preprocess("a\n#error   stop \\\nhere\r\nb");
  EXPECT_EQ(run.messages, "x.vsh(2): error: stop here\n");
  EXPECT_EQ(run.result, E_FAIL);
  EXPECT_EQ(run.tokens, (Tokens{"id:a"}));
  // The text is cut at 255 characters.
  auto longText = preprocess("#error " + std::string(1000, 'e'));
  EXPECT_EQ(longText.messages, "x.vsh(1): error: " + std::string(255, 'e') + "\n");
  EXPECT_EQ(preprocess("#if 0\n#error no\n#endif\nok").tokens, (Tokens{"id:ok"}));
}

TEST(PreprocessorDirectives, Pragmas) {
  EXPECT_EQ(preprocess("#pragma pack_matrix(row_major)").packing, shader_asm::kPackMatrixRowMajor);
  EXPECT_EQ(preprocess("#pragma pack_matrix(column_major)").packing, shader_asm::kPackMatrixColumnMajor);
  EXPECT_EQ(preprocess("#pragma pack_matrix(row_major)\n#pragma pack_matrix()").packing, 0u);
  // Unknown and malformed pragmas are ignored without a message.
  auto ignored = preprocess("#pragma pack_matrix(diagonal)\n#pragma once\n#pragma warning(bogus: 1)\nx");
  EXPECT_EQ(ignored.packing, 0u);
  EXPECT_EQ(ignored.messages, "");
  EXPECT_EQ(ignored.tokens, (Tokens{"id:x"}));
}

TEST(PreprocessorExpressions, IdentifiersAndMacroValues) {
  EXPECT_EQ(preprocess("#if FOO\nyes\n#endif").tokens, Tokens{});
  EXPECT_EQ(preprocess("#define FOO 3\n#if FOO == 3\nyes\n#endif").tokens, (Tokens{"id:yes"}));
  EXPECT_EQ(preprocess("#define FOO 1+1\n#if FOO == 1\nyes\n#endif").tokens, (Tokens{"id:yes"}));
  EXPECT_EQ(preprocess("#define FOO\n#if FOO\nyes\n#endif").tokens, Tokens{});
  EXPECT_EQ(preprocess("#define FOO 7ul\n#if FOO == 7\nyes\n#endif").tokens, (Tokens{"id:yes"}));
  auto functional = preprocess("#define FOO(x) x\n#if FOO\nyes\n#endif");
  EXPECT_EQ(functional.messages,
            "x.vsh(2): error X1517: functional defines in preprocessor expressions not yet implemented\n");
  EXPECT_EQ(functional.tokens, (Tokens{"id:yes"}));
  EXPECT_EQ(preprocess("#if defined(DIRECT3D) && defined(PRISMASM) && !defined(NOPE)\nyes\n#endif").tokens,
            (Tokens{"id:yes"}));
  EXPECT_EQ(preprocess("#if defined FOO\n#endif").messages,
            "x.vsh(1): error X1500: syntax error : unexpected token 'FOO'\n");
}

TEST(PreprocessorExpressions, ArithmeticIsUnsigned32Bit) {
  auto check = [](const std::string& expression) {
    return preprocess("#if " + expression + "\nyes\n#else\nno\n#endif").tokens.at(0);
  };
  EXPECT_EQ(check("-1 > 0"), "id:yes");
  EXPECT_EQ(check("1 + 2 * 3 == 7"), "id:yes");
  EXPECT_EQ(check("(1 + 2) * 3 == 9"), "id:yes");
  EXPECT_EQ(check("7 / 2 == 3"), "id:yes");
  EXPECT_EQ(check("0 ? 1 : 2 == 2"), "id:yes");
  EXPECT_EQ(check("1 ? 0 : 1"), "id:no");
  EXPECT_EQ(check("(2 && 3) == 1"), "id:yes");
  EXPECT_EQ(check("0 || !5"), "id:no");
  EXPECT_EQ(check("4294967295 + 1 == 0"), "id:yes");
  EXPECT_EQ(check("+3 - 5 == -2"), "id:yes");
  EXPECT_EQ(check("1 >= 1 && 1 <= 1 && 2 != 3 && 1 < 2"), "id:yes");
  EXPECT_EQ(check("DIRECT3D_VERSION == 0x900 && PRISMASM_VERSION == 2304"), "id:yes");
  auto divide = preprocess("#if 1 / 0\n#endif");
  EXPECT_EQ(divide.messages, "x.vsh(1): error X1503: division by zero in preprocessor expression\n");
  EXPECT_EQ(preprocess("#if 1.5\n#endif").messages, "x.vsh(1): error X1500: syntax error : unexpected float '1.5'\n");
  EXPECT_EQ(preprocess("#if 1 <<\n#endif").messages,
            "x.vsh(1): error X1501: unexpected tokens following preprocessor directive\n");
  EXPECT_EQ(preprocess("#if (1\n#endif").messages, "x.vsh(1): error X1500: syntax error : unexpected end of line\n");
}

TEST(PreprocessorExpressions, DeepNestingOverflowsTheParserStackSafely) {
  auto run = preprocess("#if " + std::string(5000, '(') + "1" + std::string(5000, ')') + "\nyes\n#endif\nafter");
  EXPECT_EQ(run.messages, "x.vsh(1): yacc stack overflow\n");
  EXPECT_EQ(run.tokens, (Tokens{"id:after"}));
  EXPECT_EQ(preprocess("#if " + std::string(100000, '!') + "1\n#endif").messages, "x.vsh(1): yacc stack overflow\n");
}

TEST(PreprocessorConditionals, GroupsSelectOneBranch) {
  const char* text =
      "#if 0\na\n#elif 1\nb\n#elif 1\nc\n#else\nd\n#endif\n"
      "#ifdef DIRECT3D\ne\n#endif\n#ifndef DIRECT3D\nf\n#else\ng\n#endif\n"
      "#if 0\n#if 1\nh\n#else\ni\n#endif\n#elif 0\n#else\nj\n#endif\n";
  auto run = preprocess(text);
  EXPECT_EQ(run.tokens, (Tokens{"id:b", "id:e", "id:g", "id:j"}));
  EXPECT_EQ(run.messages, "");
  // An #elif whose group was taken or whose parent is inactive is not even parsed.
  EXPECT_EQ(preprocess("#if 1\n#elif 0\n#elif (\n#endif\n#if 0\n#if 0\n#elif 1/0\n#endif\n#endif").messages, "");
  // In the taken branch the next #elif line is still parsed.
  EXPECT_EQ(preprocess("#if 1\n#elif (\n#endif").messages,
            "x.vsh(2): error X1500: syntax error : unexpected end of line\n");
}

TEST(PreprocessorConditionals, MisplacedDirectives) {
  EXPECT_EQ(preprocess("#elif 1").messages, "x.vsh(1): error X1508: unexpected #elif\n");
  EXPECT_EQ(preprocess("#else").messages, "x.vsh(1): error X1509: unexpected #else\n");
  EXPECT_EQ(preprocess("\n\n\n\n\n\n#endif").messages, "x.vsh(7): error X1510: unexpected #endif\n");
  EXPECT_EQ(preprocess("#if 1\n#else\n#elif 1\n#endif").messages,
            "x.vsh(3): error X1513: unexpected #elif following #else\n");
  EXPECT_EQ(preprocess("#if 1\n#else\n#else\n#endif").messages,
            "x.vsh(3): error X1514: unexpected #else following #else\n");
  auto unclosed = preprocess("#if 1\na\n");
  EXPECT_EQ(unclosed.messages, "x.vsh(3): error X1502: unexpected end of file\n");
  EXPECT_EQ(unclosed.tokens, (Tokens{"id:a"}));
}

class PreprocessorIncludes : public ::testing::Test {
 protected:
  prism_test::TemporaryDirectory directory;
};

TEST_F(PreprocessorIncludes, FilesResolveAgainstTheIncludingFile) {
  directory.write("sub/inner.h", "inner __FILE__ __LINE__\n#define FROM_INNER 5\n");
  directory.write("sub/outer.h", "#include <inner.h>\nouter\n");
  std::string main = directory.write("main.vsh", "#include \"sub/outer.h\"\nFROM_INNER __LINE__\n");
  auto run = preprocessFile(main);
  std::string innerPath = (directory.path() / "sub/inner.h").string();
  EXPECT_EQ(run.tokens, (Tokens{"id:inner", "str:" + innerPath, "int:1", "id:outer", "int:5", "int:2"}));
  EXPECT_EQ(run.messages, "");
}

TEST_F(PreprocessorIncludes, FailuresFailTheRun) {
  std::string main = directory.write("main.vsh", "a\n#include \"missing.h\"\nb");
  auto missing = preprocessFile(main);
  EXPECT_EQ(missing.messages, main + "(2): error X1507: failed to open source file: 'missing.h'\n");
  EXPECT_EQ(missing.result, E_FAIL);
  EXPECT_EQ(missing.tokens, (Tokens{"id:a"}));
  auto noFile = preprocessFile(directory.file("absent.vsh"));
  EXPECT_EQ(noFile.initResult, ResultInvalidData);
  EXPECT_EQ(noFile.messages, "error X1507: failed to open source file: '" + directory.file("absent.vsh") + "'\n");
  auto memory = preprocess("#include \"a.h\"\nb");
  EXPECT_EQ(memory.messages,
            "x.vsh(1): error X1505: include interface required to support #include from resource or memory\n");
  EXPECT_EQ(memory.result, E_FAIL);
  // An unclosed group inside an include is reported at its end; the includer goes on.
  directory.write("open.h", "#if 1\n");
  auto unclosed = preprocessFile(directory.write("m2.vsh", "#include \"open.h\"\nafter"));
  EXPECT_EQ(unclosed.messages, directory.file("open.h") + "(2): error X1502: unexpected end of file\n");
  EXPECT_EQ(unclosed.tokens, (Tokens{"id:after"}));
  // An empty file is an empty text.
  EXPECT_EQ(preprocessFile(directory.write("empty.vsh", "")).tokens, Tokens{});
}

TEST_F(PreprocessorIncludes, NestingDepthIsLimitedTo32Sources) {
  directory.write("self.h", "x\n#include \"self.h\"\n");
  auto run = preprocessFile(directory.write("main.vsh", "#include \"self.h\"\n"));
  EXPECT_EQ(run.tokens.size(), 31u);
  EXPECT_EQ(run.messages, directory.file("self.h") + "(2): error X1506: too many nested #includes\n");
  EXPECT_EQ(run.result, E_FAIL);
}

TEST(PreprocessorIncludeHandler, OpensEverySourceThroughTheHandler) {
  MemoryIncludeHandler handler;
  handler.files["main"] = "#include \"a.h\"\nmain __FILE__";
  handler.files["a.h"] = "#include <b.h>\na __FILE__";
  handler.files["b.h"] = "b";
  shader_asm::ShaderPreprocessor pp;
  ASSERT_EQ(pp.initializeFromFile("main", nullptr, &handler), S_OK);
  PreprocessResult run;
  collect(pp, run, {});
  EXPECT_EQ(run.tokens, (Tokens{"id:b", "id:a", "str:a.h", "id:main", "str:main"}));
  EXPECT_EQ(handler.opened, (std::vector<std::string>{"main", "a.h", "b.h"}));
  EXPECT_EQ(handler.types,
            (std::vector<shader_asm::IncludeType>{shader_asm::IncludeType::Local, shader_asm::IncludeType::Local,
                                                  shader_asm::IncludeType::System}));
  EXPECT_EQ(handler.parents[0], nullptr);
  EXPECT_EQ(handler.parents[1], handler.files["main"].data());
  EXPECT_EQ(handler.parents[2], handler.files["a.h"].data());
  EXPECT_EQ(handler.closes, 2);  // the main source closes with the preprocessor

  MemoryIncludeHandler failing;
  shader_asm::ShaderPreprocessor failed;
  EXPECT_EQ(failed.initializeFromFile("nothing", nullptr, &failing), E_FAIL);
  EXPECT_EQ(failed.messages().joined(), "error X1507: failed to open source file: 'nothing'\n");
}

TEST(PreprocessorBlocks, BracesEndAnInnerScope) {
  shader_asm::ShaderPreprocessor pp;
  std::string text = "a { b { c } d } e";
  ASSERT_EQ(pp.initializeFromMemory(text.data(), text.size(), nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(pp.endBlock(), D3DERR_INVALIDCALL);
  pp.beginBlock(shader_asm::kScanAsmMode);
  shader_asm::Token token;
  ASSERT_EQ(pp.nextToken(token), S_OK);
  EXPECT_EQ(show(token), "id:a");
  ASSERT_EQ(pp.nextToken(token), S_OK);
  EXPECT_EQ(show(token), "p:{");  // with one scope braces are ordinary tokens
  pp.beginBlock(shader_asm::kScanAsmMode);
  Tokens inner;
  for (;;) {
    ASSERT_EQ(pp.nextToken(token), S_OK);
    if (token.kind == TokenKind::EndOfFile) break;
    inner.push_back(show(token));
  }
  EXPECT_EQ(inner, (Tokens{"id:b", "p:{", "id:c", "p:}", "id:d"}));
  EXPECT_EQ(pp.endBlock(), S_OK);
  ASSERT_EQ(pp.nextToken(token), S_OK);
  EXPECT_EQ(show(token), "id:e");
}

}  // namespace
}  // namespace shader_asm_test
