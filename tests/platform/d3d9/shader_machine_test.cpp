// The interpreter's arithmetic, modifiers, addressing and flow control, one small program per
// case, run on one lane (vertex) or a 2x2 quad (pixel) with r0 or oC0 read back.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "platform/d3d9/shader_machine.h"
#include "tests/platform/d3d9/assemble_text.h"
#include "tests/platform/d3d9/shader_token_builder.h"

namespace platform::d3d9 {
namespace {

constexpr DWORD kVs20 = D3DVS_VERSION(2, 0);
constexpr DWORD kVs2x = D3DVS_VERSION(2, 1);
constexpr DWORD kVs30 = D3DVS_VERSION(3, 0);
constexpr DWORD kPs20 = D3DPS_VERSION(2, 0);
constexpr DWORD kPs2x = D3DPS_VERSION(2, 1);

DWORD r(DWORD n, DWORD mask = D3DSP_WRITEMASK_ALL, DWORD modifiers = 0) { return dst(D3DSPR_TEMP, n, mask, modifiers); }
DWORD rs(DWORD n, DWORD swizzle = D3DSP_NOSWIZZLE, DWORD modifier = D3DSPSM_NONE) {
  return src(D3DSPR_TEMP, n, swizzle, modifier);
}
DWORD c(DWORD n, DWORD swizzle = D3DSP_NOSWIZZLE, DWORD modifier = D3DSPSM_NONE) {
  return src(D3DSPR_CONST, n, swizzle, modifier);
}

class ShaderMachineTest : public ::testing::Test {
 protected:
  // Runs a program on one lane and returns r0.
  // The API constants merged with the program's definitions, as the device gives them.
  ShaderConstants constantsFor(const ShaderProgram& program) {
    mergeFloatConstants(program, api.data(), 256, merged.data());
    mergeIntegerConstants(program, ints.data(), mergedInts.data());
    mergeBoolConstants(program, bools.data(), mergedBools.data());
    ShaderConstants constants;
    constants.floats = merged.data();
    constants.floatCount = 256;
    constants.integers = mergedInts.data();
    constants.bools = mergedBools.data();
    return constants;
  }
  Vec4 run(const std::vector<DWORD>& tokens) {
    ShaderProgram program;
    EXPECT_TRUE(decodeShaderProgram(tokens, &program));
    const ShaderConstants constants = constantsFor(program);
    // The plain path, then the fast path with register offsets bound: both must agree.
    lane = {};
    ShaderMachine(program, constants).run(&lane, 1);
    Vec4 plain = lane.r[0];
    bindRegisterOffsets(&program);
    lane = {};
    ShaderMachine(program, constants).run(&lane, 1);
    for (std::size_t c = 0; c < 4; ++c) {
      EXPECT_TRUE(plain[c] == lane.r[0][c] || (plain[c] != plain[c] && lane.r[0][c] != lane.r[0][c]))
          << "fast and plain paths differ in component " << c;
    }
    return lane.r[0];
  }
  // One instruction writing r0 from constants c0.. (set into `api` by the caller).
  Vec4 one(DWORD op, std::initializer_list<DWORD> sources, DWORD version = kVs20, DWORD mask = D3DSP_WRITEMASK_ALL) {
    ShaderTokens t(version);
    std::vector<DWORD> parameters{r(0, mask)};
    parameters.insert(parameters.end(), sources);
    t.op(D3DSIO_MOV, {r(0), c(100)});
    std::vector<DWORD> tokens = t.end();
    tokens.pop_back();
    tokens.push_back(shader_tokens::makeInstruction(op, 0, static_cast<DWORD>(parameters.size())));
    tokens.insert(tokens.end(), parameters.begin(), parameters.end());
    tokens.push_back(D3DVS_END_TOKEN);
    return run(tokens);
  }

  std::array<Vec4, 256> api{};
  std::array<Vec4, 256> merged{};
  std::array<std::array<int, 4>, 16> ints{};
  std::array<std::array<int, 4>, 16> mergedInts{};
  std::array<BOOL, 16> bools{};
  std::array<BOOL, 16> mergedBools{};
  LaneRegisters lane;
};

void expectVec(const Vec4& actual, const Vec4& expected, const char* what) {
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(actual[static_cast<std::size_t>(i)], expected[static_cast<std::size_t>(i)])
        << what << " component " << i;
  }
}

TEST_F(ShaderMachineTest, ComponentwiseArithmetic) {
  api[0] = {1, -2, 3, 0.5f};
  api[1] = {4, 5, -6, 2};
  api[2] = {0.25f, 0.5f, 0.75f, 1};
  expectVec(one(D3DSIO_ADD, {c(0), c(1)}), {5, 3, -3, 2.5f}, "add");
  expectVec(one(D3DSIO_SUB, {c(0), c(1)}), {-3, -7, 9, -1.5f}, "sub");
  expectVec(one(D3DSIO_MUL, {c(0), c(1)}), {4, -10, -18, 1}, "mul");
  expectVec(one(D3DSIO_MAD, {c(0), c(1), c(2)}), {4.25f, -9.5f, -17.25f, 2}, "mad");
  expectVec(one(D3DSIO_MIN, {c(0), c(1)}), {1, -2, -6, 0.5f}, "min");
  expectVec(one(D3DSIO_MAX, {c(0), c(1)}), {4, 5, 3, 2}, "max");
  expectVec(one(D3DSIO_SLT, {c(0), c(1)}), {1, 1, 0, 1}, "slt");
  expectVec(one(D3DSIO_SGE, {c(0), c(1)}), {0, 0, 1, 0}, "sge");
  expectVec(one(D3DSIO_ABS, {c(0)}), {1, 2, 3, 0.5f}, "abs");
  expectVec(one(D3DSIO_LRP, {c(2), c(0), c(1)}), {3.25f, 1.5f, 0.75f, 0.5f}, "lrp");
  expectVec(one(D3DSIO_SGN, {c(0), r(1), r(2)}), {1, -1, 1, 1}, "sgn");
  api[3] = {-1.25f, 2.5f, 0, -0.0f};
  expectVec(one(D3DSIO_FRC, {c(3)}), {0.75f, 0.5f, 0, 0}, "frc");
  expectVec(one(D3DSIO_DP3, {c(0), c(1)}), {-24, -24, -24, -24}, "dp3");
  expectVec(one(D3DSIO_DP4, {c(0), c(1)}), {-23, -23, -23, -23}, "dp4");
  expectVec(one(D3DSIO_CRS, {c(0), c(1)}, kVs20, D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_1 | D3DSP_WRITEMASK_2),
            {-3, 18, 13, 0}, "crs");
}

TEST_F(ShaderMachineTest, ScalarInstructionsAndTheirSpecialCases) {
  api[0] = {0, 1, 4, -8};
  auto scalar = [&](DWORD op, DWORD component) { return one(op, {c(0, replicate(component))})[0]; };
  EXPECT_EQ(scalar(D3DSIO_RCP, 0), FLT_MAX);
  EXPECT_EQ(scalar(D3DSIO_RCP, 1), 1.0f);
  EXPECT_EQ(scalar(D3DSIO_RCP, 2), 0.25f);
  EXPECT_EQ(scalar(D3DSIO_RSQ, 0), FLT_MAX);
  EXPECT_EQ(scalar(D3DSIO_RSQ, 1), 1.0f);
  EXPECT_EQ(scalar(D3DSIO_RSQ, 2), 0.5f);
  EXPECT_EQ(scalar(D3DSIO_LOG, 0), -FLT_MAX);
  EXPECT_EQ(scalar(D3DSIO_LOG, 2), 2.0f);
  EXPECT_EQ(scalar(D3DSIO_LOG, 3), 3.0f);  // of the absolute value
  EXPECT_EQ(scalar(D3DSIO_EXP, 2), 16.0f);
  EXPECT_EQ(scalar(D3DSIO_EXPP, 2), 16.0f);
  EXPECT_EQ(scalar(D3DSIO_LOGP, 3), 3.0f);
  api[1] = {-2, 3, 0, 0};
  EXPECT_EQ(one(D3DSIO_POW, {c(1, replicate(0)), c(1, replicate(1))})[0], 8.0f);
  // Results replicate to every written component.
  expectVec(one(D3DSIO_RCP, {c(0, replicate(2))}), {0.25f, 0.25f, 0.25f, 0.25f}, "rcp replicated");
}

TEST_F(ShaderMachineTest, VersionOneExpAndLogGiveTheirFourComponentForms) {
  api[0] = {2.75f, 0, 0, 0};
  expectVec(one(D3DSIO_EXPP, {c(0, replicate(0))}, D3DVS_VERSION(1, 1)), {4, 0.75f, std::exp2(2.75f), 1}, "expp 1.1");
  api[0] = {12, 0, 0, 0};
  expectVec(one(D3DSIO_LOGP, {c(0, replicate(0))}, D3DVS_VERSION(1, 1)), {3, 1.5f, std::log2(12.0f), 1}, "logp 1.1");
}

TEST_F(ShaderMachineTest, LitDstNrmAndSincos) {
  api[0] = {0.5f, 0.25f, 0, 2};
  expectVec(one(D3DSIO_LIT, {c(0)}), {1, 0.5f, 0.0625f, 1}, "lit");
  api[0] = {-0.5f, 0.25f, 0, 2};
  expectVec(one(D3DSIO_LIT, {c(0)}), {1, 0, 0, 1}, "lit with x <= 0");
  api[0] = {0.5f, -0.25f, 0, 2};
  expectVec(one(D3DSIO_LIT, {c(0)}), {1, 0.5f, 0, 1}, "lit with y <= 0");
  api[0] = {9, 2, 3, 9};
  api[1] = {9, 4, 9, 5};
  expectVec(one(D3DSIO_DST, {c(0), c(1)}), {1, 8, 3, 5}, "dst");
  api[0] = {3, 4, 0, 2};
  expectVec(one(D3DSIO_NRM, {c(0)}), {0.6f, 0.8f, 0, 0.4f}, "nrm");
  api[0] = {0, 0, 0, 0};
  expectVec(one(D3DSIO_NRM, {c(0)}), {0, 0, 0, 0}, "nrm of zero");
  api[0] = {0, 0, 0, 0};
  Vec4 both = one(D3DSIO_SINCOS, {c(0, replicate(0))}, kVs30, D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_1);
  EXPECT_EQ(both[0], 1.0f);
  EXPECT_EQ(both[1], 0.0f);
  // Components outside the mask keep what r0 held (c100 was copied in first).
  api[100] = {7, 7, 7, 7};
  api[0] = {static_cast<float>(M_PI / 2), 0, 0, 0};
  Vec4 sine = one(D3DSIO_SINCOS, {c(0, replicate(0))}, kVs30, D3DSP_WRITEMASK_1);
  EXPECT_EQ(sine[0], 7.0f);
  EXPECT_FLOAT_EQ(sine[1], 1.0f);
  EXPECT_EQ(sine[3], 7.0f);
}

TEST_F(ShaderMachineTest, MatrixInstructionsReadConsecutiveRows) {
  api[0] = {1, 2, 3, 4};
  for (int row = 0; row < 4; ++row) api[static_cast<std::size_t>(10 + row)] = {1.0f * row, 1, 0, 0.5f};
  expectVec(one(D3DSIO_M4x4, {c(0), c(10)}), {4, 5, 6, 7}, "m4x4");
  Vec4 m3x3 = one(D3DSIO_M3x3, {c(0), c(10)}, kVs20, D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_1 | D3DSP_WRITEMASK_2);
  EXPECT_EQ(m3x3[0], 2.0f);
  EXPECT_EQ(m3x3[1], 3.0f);
  EXPECT_EQ(m3x3[2], 4.0f);
  Vec4 m4x3 = one(D3DSIO_M4x3, {c(0), c(10)}, kVs20, D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_1 | D3DSP_WRITEMASK_2);
  EXPECT_EQ(m4x3[2], 6.0f);
  Vec4 m3x2 = one(D3DSIO_M3x2, {c(0), c(10)}, kVs20, D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_1);
  EXPECT_EQ(m3x2[1], 3.0f);
}

TEST_F(ShaderMachineTest, SourceModifiersSwizzlesMasksAndSaturate) {
  api[0] = {0.25f, -0.5f, 2, 1};
  expectVec(one(D3DSIO_MOV, {c(0, shader_tokens::makeSwizzle(3, 2, 1, 0), D3DSPSM_NEG)}), {-1, -2, 0.5f, -0.25f},
            "negated swizzle");
  expectVec(one(D3DSIO_MOV, {c(0, D3DSP_NOSWIZZLE, D3DSPSM_ABSNEG)}, kPs2x), {-0.25f, -0.5f, -2, -1}, "-abs");
  expectVec(one(D3DSIO_MOV, {c(0, D3DSP_NOSWIZZLE, D3DSPSM_BIAS)}, D3DPS_VERSION(1, 4)), {-0.25f, -1, 1.5f, 0.5f},
            "bias");
  expectVec(one(D3DSIO_MOV, {c(0, D3DSP_NOSWIZZLE, D3DSPSM_SIGN)}, D3DPS_VERSION(1, 4)), {-0.5f, -2, 3, 1}, "bx2");
  expectVec(one(D3DSIO_MOV, {c(0, D3DSP_NOSWIZZLE, D3DSPSM_COMP)}, D3DPS_VERSION(1, 4)), {0.75f, 1.5f, -1, 0}, "1-x");
  expectVec(one(D3DSIO_MOV, {c(0, D3DSP_NOSWIZZLE, D3DSPSM_X2NEG)}, D3DPS_VERSION(1, 4)), {-0.5f, 1, -4, -2}, "-x2");
  // _sat clamps after the shift; 1.x pixel arithmetic is held to +-8.
  ShaderTokens t(kPs20);
  t.op(D3DSIO_MOV, {r(0, D3DSP_WRITEMASK_ALL, D3DSPDM_SATURATE), c(0)});
  expectVec(run(t.end()), {0.25f, 0, 1, 1}, "sat");
  ShaderTokens shifted(D3DPS_VERSION(1, 4));
  shifted.op(D3DSIO_MOV, {shader_tokens::makeDestination(D3DSPR_TEMP, 0, D3DSP_WRITEMASK_ALL, 0, 2), c(0)});
  expectVec(run(shifted.end()), {1, -2, 8, 4}, "x4 shift");
  api[100] = {9, 9, 9, 9};
  Vec4 masked = one(D3DSIO_MOV, {c(0)}, kVs20, D3DSP_WRITEMASK_1 | D3DSP_WRITEMASK_3);
  expectVec(masked, {9, -0.5f, 9, 1}, "write mask");
}

TEST_F(ShaderMachineTest, DefinitionsOverrideApiConstants) {
  api[5] = {1, 1, 1, 1};
  ShaderTokens t(kVs20);
  t.def(5, 2, 3, 4, 5).op(D3DSIO_MOV, {r(0), c(5)});
  expectVec(run(t.end()), {2, 3, 4, 5}, "def");
}

TEST_F(ShaderMachineTest, MovaRoundsToNearestAndRelativeReadsOutsideTheFileGiveZero) {
  for (int i = 0; i < 8; ++i) api[static_cast<std::size_t>(20 + i)] = {static_cast<float>(i), 0, 0, 0};
  auto relative = [&](float address) {
    api[0] = {address, 0, 0, 0};
    ShaderTokens t(kVs20);
    t.op(D3DSIO_MOVA, {dst(D3DSPR_ADDR, 0, D3DSP_WRITEMASK_0), c(0, replicate(0))})
        .op(D3DSIO_MOV, {r(0), srcRelative(D3DSPR_CONST, 22), addressToken(D3DSPR_ADDR, 0)});
    return run(t.end());
  };
  EXPECT_EQ(relative(1.4f)[0], 3.0f);
  EXPECT_EQ(relative(1.5f)[0], 4.0f);
  EXPECT_EQ(relative(-1.5f)[0], 1.0f);
  EXPECT_EQ(relative(-0.6f)[0], 1.0f);
  expectVec(relative(-100), {0, 0, 0, 0}, "below the file");
  expectVec(relative(1000), {0, 0, 0, 0}, "above the file");
  // In 1.1 a mov into a0 converts the same way and relative reads use a0.x implicitly.
  api[0] = {2.6f, 0, 0, 0};
  ShaderTokens old(D3DVS_VERSION(1, 1));
  old.op(D3DSIO_MOV, {dst(D3DSPR_ADDR, 0, D3DSP_WRITEMASK_0), c(0, replicate(0))})
      .op(D3DSIO_MOV, {r(0), srcRelative(D3DSPR_CONST, 20)});
  EXPECT_EQ(run(old.end())[0], 3.0f);
}

TEST_F(ShaderMachineTest, StaticBranchesLoopsAndRepeats) {
  api[1] = {1, 0, 0, 0};
  api[2] = {10, 0, 0, 0};
  for (int i = 0; i < 12; ++i) api[static_cast<std::size_t>(30 + i)] = {static_cast<float>(1 << i), 0, 0, 0};
  ints[0] = {3, 1, 2, 0};  // aL = 1, 3, 5
  ints[1] = {4, 0, 0, 0};
  bools[0] = TRUE;
  ShaderTokens t(kVs20);
  t.op(D3DSIO_MOV, {r(0), c(3)})  // c3 is zero
      .op(D3DSIO_LOOP, {src(D3DSPR_LOOP, 0), src(D3DSPR_CONSTINT, 0)})
      .op(D3DSIO_ADD, {r(0, D3DSP_WRITEMASK_0), rs(0), srcRelative(D3DSPR_CONST, 30), addressToken(D3DSPR_LOOP, 0)})
      .op(D3DSIO_ENDLOOP, {})
      .op(D3DSIO_REP, {src(D3DSPR_CONSTINT, 1)})
      .op(D3DSIO_ADD, {r(0, D3DSP_WRITEMASK_1), rs(0), c(1, replicate(0))})
      .op(D3DSIO_ENDREP, {})
      .op(D3DSIO_IF, {src(D3DSPR_CONSTBOOL, 0)})
      .op(D3DSIO_ADD, {r(0, D3DSP_WRITEMASK_2), rs(0), c(2, replicate(0))})
      .op(D3DSIO_ELSE, {})
      .op(D3DSIO_ADD, {r(0, D3DSP_WRITEMASK_3), rs(0), c(2, replicate(0))})
      .op(D3DSIO_ENDIF, {});
  expectVec(run(t.end()), {2 + 8 + 32, 4, 10, 0}, "loop, rep, if");
  bools[0] = FALSE;
  ints[0] = {0, 1, 2, 0};  // no iterations
  expectVec(run(t.end()), {0, 4, 0, 10}, "empty loop, else");
}

TEST_F(ShaderMachineTest, DynamicBreaksCallsAndPredicates) {
  api[1] = {1, 0, 0, 0};
  api[2] = {5, 0, 0, 0};
  ints[0] = {100, 0, 0, 0};
  bools[1] = TRUE;
  ShaderTokens t(kVs2x);
  t.op(D3DSIO_MOV, {r(0), c(3)})
      .op(D3DSIO_REP, {src(D3DSPR_CONSTINT, 0)})
      .op(D3DSIO_ADD, {r(0, D3DSP_WRITEMASK_0), rs(0), c(1, replicate(0))})
      .op(D3DSIO_BREAKC, {rs(0, replicate(0)), c(2, replicate(0))}, D3DSPC_GE)
      .op(D3DSIO_ENDREP, {})
      .op(D3DSIO_CALL, {src(D3DSPR_LABEL, 1)})
      .op(D3DSIO_CALLNZ, {src(D3DSPR_LABEL, 2), src(D3DSPR_CONSTBOOL, 1)})
      .op(D3DSIO_CALLNZ, {src(D3DSPR_LABEL, 2), src(D3DSPR_CONSTBOOL, 2)})
      .op(D3DSIO_SETP, {dst(D3DSPR_PREDICATE, 0), c(4), c(5)}, D3DSPC_GT)
      .op(D3DSIO_MOV, {r(0, D3DSP_WRITEMASK_3), src(D3DSPR_PREDICATE, 0), c(6)}, 0, true)
      .op(D3DSIO_RET, {})
      .op(D3DSIO_LABEL, {src(D3DSPR_LABEL, 1)})
      .op(D3DSIO_ADD, {r(0, D3DSP_WRITEMASK_1), rs(0), c(2, replicate(0))})
      .op(D3DSIO_RET, {})
      .op(D3DSIO_LABEL, {src(D3DSPR_LABEL, 2)})
      .op(D3DSIO_ADD, {r(0, D3DSP_WRITEMASK_2), rs(0), c(1, replicate(0))})
      .op(D3DSIO_RET, {});
  api[4] = {0, 0, 0, 2};
  api[5] = {0, 0, 0, 1};
  api[6] = {0, 0, 0, 42};
  expectVec(run(t.end()), {5, 5, 1, 42}, "break_ge, call, callnz, predicated mov");
  api[4] = {0, 0, 0, 0};
  EXPECT_EQ(run(t.end())[3], 0.0f) << "predicate false leaves the component";
}

TEST_F(ShaderMachineTest, VertexLanesRunTogetherAsEachRunsAlone) {
  // Vertices run side by side take their own ways through breaks, branches, predicates and
  // relative reads, and end where each would alone.
  std::vector<DWORD> tokens = assembleText(
      "vs_3_0\n"
      "defi i0, 6, 0, 1, 0\n"
      "def c0, 1, 0.5, 2, 0\n"
      "def c2, 10, 20, 30, 40\n"
      "def c3, -1, -2, -3, -4\n"
      "def c4, 7, 8, 9, 10\n"
      "dcl_position v0\n"
      "dcl_texcoord0 v1\n"
      "dcl_position o0\n"
      "dcl_texcoord0 o1\n"
      "mov r0, c0.w\n"
      "loop aL, i0\n"
      "  add r0.x, r0.x, c0.x\n"
      "  break_gt r0.x, v0.x\n"
      "endloop\n"
      "if_gt v0.y, c0.y\n"
      "  mul r0.y, v0.y, c0.z\n"
      "else\n"
      "  mov r0.y, -v0.y\n"
      "endif\n"
      "setp_lt p0, v0.zwzw, c0.y\n"
      "(p0) add r0.zw, r0, c0.x\n"
      "mova a0.x, v1.x\n"
      "mov r1, c[a0.x + 2]\n"
      "callnz l0, p0.x\n"
      "mov o0, r0\n"
      "mov o1, r1\n"
      "ret\n"
      "label l0\n"
      "add r0, r0, c0.y\n"
      "ret\n");
  ShaderProgram program;
  ASSERT_TRUE(decodeShaderProgram(tokens, &program));
  bindRegisterOffsets(&program);
  const ShaderConstants constants = constantsFor(program);
  std::array<LaneRegisters, kMaxLanes> together{};
  const Vec4 positions[] = {{0.5f, 1, 0, 1}, {3.5f, 0.25f, 1, 0}, {10, 0.5f, 0.25f, 0.75f}, {2, -3, -1, 2}};
  const Vec4 coordinates[] = {{0, 0, 0, 0}, {1.2f, 0, 0, 0}, {2.7f, 0, 0, 0}, {-0.4f, 0, 0, 0}};
  for (std::size_t l = 0; l < together.size(); ++l) {
    together[l].v[0] = positions[l];
    together[l].v[1] = coordinates[l];
  }
  std::array<LaneRegisters, kMaxLanes> alone = together;
  ShaderMachine(program, constants).run(together.data(), kMaxLanes);
  for (std::size_t l = 0; l < alone.size(); ++l) {
    ShaderMachine(program, constants).run(&alone[l], 1);
    for (std::size_t o = 0; o < 2; ++o) {
      for (std::size_t c = 0; c < 4; ++c) {
        EXPECT_EQ(together[l].out[o][c], alone[l].out[o][c]) << "lane " << l << " o" << o << " component " << c;
      }
    }
  }
  // The lanes did take different ways.
  EXPECT_NE(together[0].out[0][0], together[2].out[0][0]);
  EXPECT_NE(together[0].out[1][0], together[2].out[1][0]);
}

TEST_F(ShaderMachineTest, RunawayProgramsStop) {
  // 255 x 255 x 255 x 255 iterations would never end; the step limit ends the run.
  ints[0] = {255, 0, 1, 0};
  ShaderTokens t(kVs20);
  for (int depth = 0; depth < 4; ++depth) t.op(D3DSIO_REP, {src(D3DSPR_CONSTINT, 0)});
  t.op(D3DSIO_ADD, {r(0), rs(0), c(1)});
  for (int depth = 0; depth < 4; ++depth) t.op(D3DSIO_ENDREP, {});
  api[1] = {1, 1, 1, 1};
  Vec4 result = run(t.end());
  EXPECT_GT(result[0], 1000.0f);
  EXPECT_LT(result[0], 1e6f);
}

// Pixel quads: derivatives between lanes, dynamic branches per lane, texkill.
class PixelQuadTest : public ShaderMachineTest {
 protected:
  std::array<LaneRegisters, 4> quad(const std::vector<DWORD>& tokens) {
    ShaderProgram program;
    EXPECT_TRUE(decodeShaderProgram(tokens, &program));
    mergeFloatConstants(program, api.data(), 256, merged.data());
    ShaderConstants constants;
    constants.floats = merged.data();
    constants.floatCount = 224;
    constants.integers = ints.data();
    constants.bools = bools.data();
    ShaderMachine(program, constants).run(lanes.data(), 4);
    return lanes;
  }
  std::array<LaneRegisters, 4> lanes{};
};

TEST_F(PixelQuadTest, DerivativesBranchesAndTexkillActPerLane) {
  for (int l = 0; l < 4; ++l) {
    lanes[static_cast<std::size_t>(l)].t[0] = {static_cast<float>(l & 1) * 3, static_cast<float>(l >> 1) * 5,
                                               l == 3 ? -1.0f : 1.0f, 0};
  }
  api[0] = {0.5f, 0, 0, 0};
  api[1] = {1, 1, 1, 1};
  api[2] = {2, 2, 2, 2};
  ShaderTokens t(D3DPS_VERSION(3, 0));
  DWORD t0 = src(D3DSPR_TEXTURE, 0);
  t.op(D3DSIO_DSX, {r(1), t0})
      .op(D3DSIO_DSY, {r(2), t0})
      .op(D3DSIO_IFC, {src(D3DSPR_TEXTURE, 0, replicate(0)), c(0, replicate(0))}, D3DSPC_GT)
      .op(D3DSIO_MOV, {r(3), c(1)})
      .op(D3DSIO_ELSE, {})
      .op(D3DSIO_MOV, {r(3), c(2)})
      .op(D3DSIO_ENDIF, {})
      .op(D3DSIO_TEXKILL, {dst(D3DSPR_TEXTURE, 0)});
  // ps_3_0 has no t registers, so the inputs are read through v0 instead.
  std::vector<DWORD> tokens = t.end();
  for (DWORD& token : tokens) {
    if (token == t0) token = src(D3DSPR_INPUT, 0);
    if (token == src(D3DSPR_TEXTURE, 0, replicate(0))) token = src(D3DSPR_INPUT, 0, replicate(0));
    if (token == dst(D3DSPR_TEXTURE, 0)) token = dst(D3DSPR_INPUT, 0);
  }
  for (int l = 0; l < 4; ++l) lanes[static_cast<std::size_t>(l)].v[0] = lanes[static_cast<std::size_t>(l)].t[0];
  quad(tokens);
  for (int l = 0; l < 4; ++l) {
    const LaneRegisters& lane = lanes[static_cast<std::size_t>(l)];
    EXPECT_EQ(lane.r[1][0], 3.0f) << "ddx lane " << l;
    EXPECT_EQ(lane.r[2][1], 5.0f) << "ddy lane " << l;
    EXPECT_EQ(lane.r[3][0], (l & 1) ? 1.0f : 2.0f) << "branch lane " << l;
    EXPECT_EQ(lane.killed, l == 3) << "texkill lane " << l;
  }
}

TEST_F(PixelQuadTest, CompareSelectAndDotProductAdd) {
  api[0] = {-1, 0, 0.5f, 0.75f};
  api[1] = {1, 2, 3, 4};
  api[2] = {5, 6, 7, 8};
  expectVec(one(D3DSIO_CMP, {c(0), c(1), c(2)}, kPs20), {5, 2, 3, 4}, "cmp");
  expectVec(one(D3DSIO_CND, {c(0), c(1), c(2)}, D3DPS_VERSION(1, 4)), {5, 6, 7, 4}, "cnd");
  expectVec(one(D3DSIO_DP2ADD, {c(1), c(2), c(0, replicate(3))}, kPs20), {17.75f, 17.75f, 17.75f, 17.75f}, "dp2add");
}

}  // namespace
}  // namespace platform::d3d9

namespace platform::d3d9 {
namespace {

// Answers a texture read with the coordinates it was given and the sampler number in w.
class EchoSampling final : public ShaderSampling {
 public:
  void sample(DWORD sampler, int lanes, const Vec4* coordinates, const Vec4&, const Vec4&, LodMode, const float*,
              Vec4* results) override {
    for (int l = 0; l < lanes; ++l)
      results[l] = {coordinates[l][0], coordinates[l][1], coordinates[l][2], static_cast<float>(sampler)};
  }
};

class LegacyPixelTest : public ::testing::Test {
 protected:
  // Runs a ps_1_x program on one lane whose t# start as `coordinates`; returns the lane.
  LaneRegisters run(const std::vector<DWORD>& tokens, const std::array<Vec4, 8>& coordinates) {
    ShaderProgram program;
    EXPECT_TRUE(decodeShaderProgram(tokens, &program));
    bindRegisterOffsets(&program);
    mergeFloatConstants(program, api.data(), 8, merged.data());
    ShaderConstants constants;
    constants.floats = merged.data();
    constants.floatCount = 8;
    constants.sampling = &echo;
    constants.bumpEnvironment = &bump;
    LaneRegisters lane{};
    lane.t = coordinates;
    ShaderMachine(program, constants).run(&lane, 1);
    return lane;
  }
  DWORD t(DWORD n) { return dst(D3DSPR_TEXTURE, n); }
  DWORD ts(DWORD n) { return src(D3DSPR_TEXTURE, n); }

  std::array<Vec4, 8> api{};
  std::array<Vec4, 8> merged{};
  std::array<std::array<float, 6>, 8> bump{};
  EchoSampling echo;
};

TEST_F(LegacyPixelTest, TextureAddressingInstructions) {
  std::array<Vec4, 8> coords{};
  coords[0] = {0.5f, 0.25f, 2, 1};
  coords[1] = {1, 0, 0, 0};
  coords[2] = {0, 1, 0, 0};
  coords[3] = {0, 0, 1, 0};
  // texcoord saturates the coordinates; tex samples stage n at set n.
  ShaderTokens a(D3DPS_VERSION(1, 1));
  a.op(D3DSIO_TEXCOORD, {t(0)}).op(D3DSIO_TEX, {t(1)});
  LaneRegisters lane = run(a.end(), coords);
  EXPECT_EQ(lane.t[0], (Vec4{0.5f, 0.25f, 1, 1}));
  EXPECT_EQ(lane.t[1], (Vec4{1, 0, 0, 1}));
  // texbem: (u, v) of stage 1 moved by the bump matrix times t0's (du, dv).
  bump[1] = {2, 0, 0, 3, 0, 0};
  coords[0] = {0.1f, 0.2f, 0, 0};
  coords[1] = {0.5f, 0.5f, 0, 0};
  ShaderTokens b(D3DPS_VERSION(1, 1));
  b.op(D3DSIO_TEXCOORD, {t(0)}).op(D3DSIO_TEXBEM, {t(1), ts(0)});
  lane = run(b.end(), coords);
  EXPECT_FLOAT_EQ(lane.t[1][0], 0.7f);
  EXPECT_FLOAT_EQ(lane.t[1][1], 1.1f);
  EXPECT_EQ(lane.t[1][3], 1.0f);  // sampled on stage 1
  // texm3x2pad / texm3x2tex: (u, v) = (t1.xyz . t0, t2.xyz . t0) sampled on stage 2.
  coords = {};
  coords[0] = {0.25f, 0.5f, 0.75f, 0};
  coords[1] = {1, 0, 0, 0};
  coords[2] = {0, 0, 1, 0};
  ShaderTokens c(D3DPS_VERSION(1, 1));
  c.op(D3DSIO_TEXCOORD, {t(0)}).op(D3DSIO_TEXM3x2PAD, {t(1), ts(0)}).op(D3DSIO_TEXM3x2TEX, {t(2), ts(0)});
  lane = run(c.end(), coords);
  EXPECT_EQ(lane.t[2], (Vec4{0.25f, 0.75f, 0, 2}));
  // texm3x3pad x2 / texm3x3tex: a 3-vector from three rows, sampled on stage 3.
  coords[3] = {0, 1, 0, 0};
  ShaderTokens d(D3DPS_VERSION(1, 1));
  d.op(D3DSIO_TEXCOORD, {t(0)})
      .op(D3DSIO_TEXM3x3PAD, {t(1), ts(0)})
      .op(D3DSIO_TEXM3x3PAD, {t(2), ts(0)})
      .op(D3DSIO_TEXM3x3TEX, {t(3), ts(0)});
  lane = run(d.end(), coords);
  EXPECT_EQ(lane.t[3], (Vec4{0.25f, 0.75f, 0.5f, 3}));
  // texreg2ar reads (alpha, red) of its source as coordinates; texdp3 gives the dot product.
  coords[0] = {0.1f, 0.2f, 0.3f, 0.4f};
  ShaderTokens e(D3DPS_VERSION(1, 2));
  e.op(D3DSIO_TEXCOORD, {t(0)}).op(D3DSIO_TEXREG2AR, {t(1), ts(0)});
  lane = run(e.end(), coords);
  EXPECT_FLOAT_EQ(lane.t[1][0], 1.0f);  // texcoord set w to 1
  EXPECT_FLOAT_EQ(lane.t[1][1], 0.1f);
  coords[1] = {1, 2, 3, 0};
  ShaderTokens f(D3DPS_VERSION(1, 2));
  f.op(D3DSIO_TEXCOORD, {t(0)}).op(D3DSIO_TEXDP3, {t(1), ts(0)});
  lane = run(f.end(), coords);
  EXPECT_FLOAT_EQ(lane.t[1][0], 0.1f + 0.4f + 0.9f);
}

TEST_F(LegacyPixelTest, RangeLimitAndTexkillOnCoordinates) {
  api[0] = {6, -6, 0.5f, 1};
  ShaderTokens a(D3DPS_VERSION(1, 4));
  a.op(D3DSIO_ADD, {dst(D3DSPR_TEMP, 0), src(D3DSPR_CONST, 0), src(D3DSPR_CONST, 0)});
  std::array<Vec4, 8> coords{};
  LaneRegisters lane = run(a.end(), coords);
  EXPECT_EQ(lane.r[0], (Vec4{8, -8, 1, 2}));  // held to +-8
  coords[2] = {0.5f, -0.1f, 0.5f, 0};
  ShaderTokens b(D3DPS_VERSION(1, 1));
  b.op(D3DSIO_TEXKILL, {t(2)}).op(D3DSIO_TEXKILL, {t(1)});
  EXPECT_TRUE(run(b.end(), coords).killed);
  coords[2] = {0.5f, 0.1f, 0.5f, -4};  // w does not count
  EXPECT_FALSE(run(b.end(), coords).killed);
}

}  // namespace
}  // namespace platform::d3d9
