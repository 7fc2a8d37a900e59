// Lane programs against the general interpreter: the same pixel shaders on the same quads, and
// the same vertex shaders on the same vertices, give the same bits, and shaders outside the
// straight-line subset are left to the interpreter.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d9/quad_program.h"
#include "platform/d3d9/shader_arithmetic.h"
#include "shader_asm/shader_assembler.h"
#include "tests/platform/d3d9/assemble_text.h"
#include "tests/platform/d3d9/hologram_shaders.h"

namespace platform::d3d9 {
namespace {

// A sampler whose answer depends on everything it is given.
class MixingSampling final : public ShaderSampling {
 public:
  void sample(DWORD sampler, int lanes, const Vec4* coordinates, const Vec4& ddx, const Vec4& ddy, LodMode mode,
              const float* lod, Vec4* results) override {
    for (int l = 0; l < lanes; ++l) {
      results[l] = {coordinates[l][0] * 0.5f + ddx[0], coordinates[l][1] - ddy[1],
                    static_cast<float>(sampler) + (mode == LodMode::bias ? lod[l] : 0.0f), coordinates[l][3]};
    }
  }
};

class QuadProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (std::size_t i = 0; i < constants.size(); ++i) {
      float f = static_cast<float>(i);
      constants[i] = {f * 0.37f - 3.0f, 1.0f / (f + 1.0f), -f * 0.11f, f == 5 ? 0.0f : 2.5f - f * 0.2f};
    }
    for (int l = 0; l < 4; ++l) {
      float lf = static_cast<float>(l);
      for (int t = 0; t < 8; ++t) {
        float tf = static_cast<float>(t);
        lanes[l].t[static_cast<std::size_t>(t)] = {0.1f * lf + tf, 0.3f - 0.2f * lf, tf * lf - 1.0f, 1.0f + lf};
      }
      lanes[l].v[0] = {0.25f * lf, 0.5f, 1.0f - 0.25f * lf, 0.75f};
      lanes[l].v[1] = {0.1f, 0.2f * lf, 0.3f, 0.4f};
      lanes[l].misc[0] = {lf, 2 * lf, 0, 0};
    }
  }

  // Runs both ways; false when the quad program declines the shader.
  bool compare(const std::string& text) {
    std::vector<DWORD> tokens = assembleText(text);
    ShaderProgram program;
    EXPECT_TRUE(decodeShaderProgram(tokens, &program)) << text;
    bindRegisterOffsets(&program);
    std::array<Vec4, 224> merged{};
    mergeFloatConstants(program, constants.data(), 224, merged.data());
    QuadProgram quad;
    if (!quad.compile(program, merged.data(), 224)) return false;
    // A first run on other values leaves its registers behind; the second must not see them.
    std::array<LaneRegisters, 4> earlier = lanes;
    for (LaneRegisters& lane : earlier) {
      for (Vec4& t : lane.t) t = {t[1] + 7.0f, t[2] - 3.0f, t[3] * 2.0f, t[0] + 0.5f};
    }
    quad.run(earlier.data(), &sampling);
    std::array<LaneRegisters, 4> viaQuad = lanes, viaMachine = lanes;
    quad.run(viaQuad.data(), &sampling);
    ShaderConstants k;
    k.floats = merged.data();
    k.floatCount = 224;
    k.sampling = &sampling;
    ShaderMachine(program, k).run(viaMachine.data(), 4);
    for (int l = 0; l < 4; ++l) {
      for (int o = 0; o < 4; ++o) {
        EXPECT_EQ(std::memcmp(&viaQuad[l].colorOut[o], &viaMachine[l].colorOut[o], sizeof(Vec4)), 0)
            << text << "lane " << l << " oC" << o;
      }
    }
    compareFedFromQuad(quad, program.major < 3);
    return true;
  }

  // A quad program fed straight from a quad's attributes gives what it gives fed from lanes
  // holding the same values.
  void compareFedFromQuad(QuadProgram& quad, bool clampColors) {
    QuadInput input;
    input.x = 6;
    input.y = 10;
    input.frontFacing = false;
    std::array<int, 16> inputSlots;
    for (int v = 0; v < 16; ++v) inputSlots[static_cast<std::size_t>(v)] = v < 2 ? v : (v < 6 ? 10 + v : -1);
    std::array<LaneRegisters, 4> fed = lanes;
    for (int l = 0; l < 4; ++l) {
      auto li = static_cast<std::size_t>(l);
      fed[li].misc[0] = {static_cast<float>(6 + (l & 1)), static_cast<float>(10 + (l >> 1)), 0, 0};
      fed[li].misc[1] = {-1.0f, 0, 0, 0};
      for (int v = 0; v < 16; ++v) {
        int slot = inputSlots[static_cast<std::size_t>(v)];
        if (slot >= 0) {
          input.varyings[static_cast<std::size_t>(slot)][li] = fed[li].v[static_cast<std::size_t>(v)];
        } else {
          fed[li].v[static_cast<std::size_t>(v)] = {0, 0, 0, 1};
        }
      }
      for (int t = 0; t < 8; ++t) {
        input.varyings[static_cast<std::size_t>(kTexCoordSlot + t)][li] = fed[li].t[static_cast<std::size_t>(t)];
      }
    }
    std::array<Vec4, 4> colors{};
    quad.run(fed.data(), &sampling);
    quad.runQuad(input, inputSlots.data(), clampColors, &sampling, &colors);
    for (int l = 0; l < 4; ++l) {
      EXPECT_EQ(std::memcmp(&colors[static_cast<std::size_t>(l)], &fed[static_cast<std::size_t>(l)].colorOut[0],
                            sizeof(Vec4)),
                0)
          << "lane " << l;
    }
  }

  std::array<Vec4, 224> constants{};
  std::array<LaneRegisters, 4> lanes{};
  MixingSampling sampling;
};

TEST_F(QuadProgramTest, StraightLineShadersGiveTheInterpretersBits) {
  EXPECT_TRUE(compare(kHologramPixelShaderText));
  const char* bodies[] = {
      "add r0, c1, t0\nsub r1, -c2, t1\nmad r0, r0, r1.yzwx, c3.w\nmov oC0, r0",
      "mul_sat r0.xy, t0, c4\nmin r0.zw, t1, c5.z\nmax r1, r0, -r0.wzyx\nmov oC0, r1",
      "dp3 r0, t0, c6\ndp4 r1, t1, c7\ndp2add r2, t2, c8, c9.y\nadd r0, r0, r1\nadd oC0, r0, r2",
      "rcp r0.x, c5.w\nrsq r0.y, c2.y\nexp r0.z, t0.y\nlog r0.w, c0.x\nmov oC0, r0",
      "frc r0, t3\nabs r1, c9\nlrp r2, c1.y, r0, r1\ncmp r3, t2, r2, -r2\nmov oC0, r3",
      "pow r0, c3.y, c4.x\nnrm r1, t4\nmul r1.w, r1.w, r0.x\nmov oC0, r1\nmov oC1, r0",
      "dcl_2d s0\ndcl_2d s3\ntexld r0, t0, s0\ntexldp r1, t1, s3\ntexldb r2, t2, s0\n"
      "add r0, r0, r1\nadd oC0, r0, r2",
      "mov r0, v0\nmul r0, r0, v1_abs\nadd r0.xy, -r0_abs, vPos\nmov oC0, r0",
      // Components that read rows the same step writes, in and out of order.
      "mov r0, t0\nadd r0.yzw, r0.zyx, c1\nmul_sat r0.xy, r0.yx, c2\nmad r1, r0.wzyx, r0, r0.x\nmov oC0, r1",
      "mov r0, t1\nlrp r0.xz, r0.z, r0.x, c3\ncmp r0.yw, r0.w, r0.y, -c4\nfrc r0.x, r0.w\nmov oC0, r0",
      // rcp and rsq across the lanes: 0, 1, negatives, several components, and a step whose
      // later components read a row its first one writes.
      "mov r0, t0\nrcp r1.xyz, r0.x\nrsq r1.w, -r0.y\nrcp r0.yz, r0.y\nrsq_sat r2, t1.z\nadd r1, r1, r2\n"
      "add oC0, r1, r0",
      // Registers read before they are written, and outputs written in part, start at zero.
      "add r0, r1, t0\nmov r1, t1\nmul r0.zw, r0, r1\nmov r2.x, t2.y\nadd r2, r2, c1\nmov oC0.xy, r0\n"
      "mov oC1.w, r2.y",
      // Copies read through their source's rows only while those stay unchanged: sources
      // written again while the copy is read, copies of copies, swaps, outputs copied from
      // temporaries, inputs and constants.
      "add r1, t0, c1\nmov r2, r1\nadd r1, r1, c2\nmul oC0, r2, r1",
      "add r1, t0, c1\nmov oC0, r1\nmul r1, r1, c2\nmov oC1, r1",
      "mov r0, t0\nmov r1, r0\nmul r0, r0, c1\nmov r2, r1\nadd r1.x, r1.y, c3\nadd oC0, r0, r2",
      "add r1, t0, c1\nmov r2.xy, r1.yx\nadd r2.x, r2.y, r2.x\nmov r1.y, c3.x\nmov r3, r2\nadd oC0, r3, r1",
      "mov r0.xy, r0.yx\nmov r1, t1\nmov r1.xz, r1.zx\nadd r0, r0, r1\nmov oC0.xy, r0\nmov oC0.zw, t2.x\n"
      "mov oC1, c4",
      "mov r2, t0\nmov r3.x, r2.y\nmov r2.y, c1.x\nmul r2, r2, r3.x\nmov_sat r4, r2\nmov r5, -r4\n"
      "add oC0, r4, r5",
      // Steps on constants alone, worked out once: chained, saturated, copied, written again
      // later, and straight into an output.
      "add r0, c1, c2\nmul_sat r1.xy, r0, c3\nmov r2, r1\nmad r3, c1, c2, r0\nadd r0.x, t0.y, r0.x\n"
      "add r3, r3, r2\nadd oC0, r3, r0\nmul oC1, c4, c5.y",
      // Subtractions, which assemblers write as additions of a negated source, either way round.
      "sub r0, t0, c1\nadd r1, -r0, t1\nsub r2.yw, r1, r0.x\nadd r2.xz, -t2, -r1\nsub_sat r3, r2, -t3\n"
      "add oC0, r3, -r2.wzyx",
  };
  for (const char* body : bodies) {
    std::string version = std::strstr(body, "vPos") ? "ps_3_0\ndcl_texcoord0 v2\n" : "ps_2_0\n";
    std::string declarations = std::strstr(body, "vPos") ? "dcl vPos.xy\ndcl_color0 v0\ndcl_color1 v1\n"
                                                         : "dcl v0\ndcl v1\ndcl t0\ndcl t1\ndcl t2\ndcl t3\ndcl t4\n";
    EXPECT_TRUE(compare(version + declarations + body + "\n")) << body;
  }
}

TEST_F(QuadProgramTest, OnlyInputComponentsThatReachTheColourAreLive) {
  auto liveOf = [](const std::string& text, const SamplerCoordinates& coordinates = kAllSamplerCoordinates) {
    std::vector<DWORD> tokens = assembleText(text);
    ShaderProgram program;
    EXPECT_TRUE(decodeShaderProgram(tokens, &program));
    bindRegisterOffsets(&program);
    std::array<Vec4, 224> constants{};
    QuadProgram quad;
    EXPECT_TRUE(quad.compile(program, constants.data(), 224, coordinates));
    return std::array<int, 3>{quad.textureComponents(0), quad.textureComponents(1), quad.inputComponents(0)};
  };
  // The hologram shader copies t0 and t1 whole but uses t0.xy and t1.x only.
  EXPECT_EQ(liveOf(kHologramPixelShaderText), (std::array<int, 3>{0x3, 0x1, 0}));
  // A later write kills an earlier one's reads; swizzles move them; texld reads all four.
  EXPECT_EQ(liveOf("ps_2_0\ndcl v0\ndcl t0\ndcl t1\nmov r0, t0\nmov r0.yz, v0.xxw\nmov oC0, r0\n"),
            (std::array<int, 3>{0x9, 0, 0x9}));
  EXPECT_EQ(liveOf("ps_2_0\ndcl t0\ndcl t1\ndcl_2d s0\ntexld r0, t1.yxzw, s0\nmov r1.x, t0.w\n"
                   "mov r1.yzw, r0\nmov oC0, r1\n"),
            (std::array<int, 3>{0x8, 0xF, 0}));
  // With its texture known to be 2D, texld reads two coordinates, and w when it projects.
  SamplerCoordinates twoD = kAllSamplerCoordinates;
  twoD[0] = 0x3;
  EXPECT_EQ(liveOf("ps_2_0\ndcl t0\ndcl t1\ndcl_2d s0\ntexld r0, t1.yxzw, s0\ntexldp r1, t0.zyxw, s0\n"
                   "add oC0, r0, r1\n",
                   twoD),
            (std::array<int, 3>{0xE, 0x3, 0}));
}

TEST(FloorLanesTest, EveryLaneGivesTheScalarFloorsBits) {
  const float values[] = {0.0f,
                          -0.0f,
                          0.5f,
                          -0.5f,
                          -1.0f,
                          2.5f,
                          -2.5f,
                          1e-40f,
                          -1e-40f,
                          8388607.5f,
                          -8388607.5f,
                          8388608.0f,
                          -8388609.0f,
                          1e30f,
                          -1e30f,
                          std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity(),
                          std::numeric_limits<float>::quiet_NaN(),
                          2147483648.0f,
                          -2147483904.0f,
                          0.99999994f,
                          -0.99999994f,
                          16777217.0f,
                          3.0f};
  constexpr std::size_t kCount = sizeof values / sizeof values[0];
  // Every value in some lane of a vector, for blocks and for quads; the last vector wraps round
  // to the first values.
  auto check = [&]<typename Floats, typename Ints>() {
    constexpr int kLanes = sizeof(Floats) / sizeof(float);
    for (std::size_t first = 0; first < kCount; first += kLanes) {
      Floats lanes;
      for (int l = 0; l < kLanes; ++l) lanes[l] = values[(first + static_cast<std::size_t>(l)) % kCount];
      const Floats floors = shader_arithmetic::floorExactLanes<Floats, Ints>(lanes);
      for (int l = 0; l < kLanes; ++l) {
        const float expected = shader_arithmetic::floorExact(lanes[l]);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(floors[l]), std::bit_cast<std::uint32_t>(expected)) << lanes[l];
      }
    }
  };
  check.template operator()<BlockFloats, BlockInts>();
  check.template operator()<Floats4, Ints4>();
}

TEST_F(QuadProgramTest, ShadersOutsideTheSubsetAreDeclined) {
  EXPECT_FALSE(compare("ps_2_0\ndcl t0\ntexkill t0\nmov oC0, t0\n"));
  EXPECT_FALSE(compare("ps_2_x\ndcl t0\nsetp_gt p0, t0, c0\n(p0) mov r0, c1\nmov oC0, r0\n"));
  EXPECT_FALSE(compare(
      "ps_3_0\ndefi i0, 2, 0, 1, 0\ndcl_texcoord0 v0\nmov r0, c0\nrep i0\nadd r0, r0, v0\nendrep\nmov oC0, r0\n"));
  EXPECT_FALSE(compare("ps_2_0\ndcl t0\nmov oDepth, t0.x\nmov oC0, t0\n"));
  EXPECT_FALSE(compare("ps_1_4\ntexcrd r0.xyz, t0\nmov r0.w, c0\n"));
}

// Vertex shaders as a batch of vertices: false when the batch program declines the shader.
bool compareVertices(const std::string& text) {
  std::vector<DWORD> tokens = assembleText(text);
  ShaderProgram program;
  EXPECT_TRUE(decodeShaderProgram(tokens, &program)) << text;
  bindRegisterOffsets(&program);
  std::array<Vec4, 256> constants{}, merged{};
  for (std::size_t i = 0; i < constants.size(); ++i) {
    const float f = static_cast<float>(i);
    constants[i] = {f * 0.37f - 3.0f, 1.0f / (f + 1.0f), -f * 0.11f, f == 5 ? 0.0f : 2.5f - f * 0.2f};
  }
  mergeFloatConstants(program, constants.data(), 256, merged.data());
  auto program_ = std::make_unique<LaneProgram<kBatchLanes>>();
  if (!program_->compile(program, merged.data(), 256)) return false;
  // More vertices than a block of lanes holds, and not a whole number of blocks.
  constexpr int kVertices = kBlockLanes * 2 + 5;
  std::vector<LaneRegisters> lanes(kVertices);
  auto input = [](int lane, int v, float shift) {
    const float l = static_cast<float>(lane) + shift, vf = static_cast<float>(v);
    return Vec4{0.25f * l - 2.0f + vf, lane % 7 == 0 ? 0.0f : 1.0f / (l + 0.5f), -vf * l * 0.125f, 1.0f - 0.0625f * l};
  };
  // A first run on other values leaves its registers behind; the second must not see them.
  for (int run = 0; run < 2; ++run) {
    for (int l = 0; l < kVertices; ++l) {
      for (int v = 0; v < program_->inputCount(); ++v) {
        const Vec4 value = input(l, v, run == 0 ? 9.5f : 0.0f);
        for (int c = 0; c < 4; ++c) program_->inputRow(v, c)[l] = value[static_cast<std::size_t>(c)];
      }
    }
    program_->runVertices(kVertices);
  }
  for (int l = 0; l < kVertices; ++l) {
    for (int v = 0; v < 16; ++v) lanes[static_cast<std::size_t>(l)].v[static_cast<std::size_t>(v)] = input(l, v, 0);
  }
  ShaderConstants k;
  k.floats = merged.data();
  k.floatCount = 256;
  for (int first = 0; first < kVertices; first += kMaxLanes) {
    ShaderMachine(program, k).run(lanes.data() + first, std::min(kMaxLanes, kVertices - first));
  }
  auto same = [&](const Vec4& a, const Vec4& b, const char* what, DWORD n, int l) {
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << text << what << n << " lane " << l;
  };
  for (int l = 0; l < kVertices; ++l) {
    const LaneRegisters& lane = lanes[static_cast<std::size_t>(l)];
    for (DWORD n = 0; n < (program.major >= 3 ? 12u : 8u); ++n) {
      same(program_->vertexOutput(D3DSPR_TEXCRDOUT, n, l), program.major >= 3 ? lane.out[n] : lane.textureOut[n],
           program.major >= 3 ? "o" : "oT", n, l);
    }
    if (program.major >= 3) continue;
    for (DWORD n = 0; n < 3; ++n) same(program_->vertexOutput(D3DSPR_RASTOUT, n, l), lane.rasterOut[n], "rast", n, l);
    for (DWORD n = 0; n < 2; ++n) same(program_->vertexOutput(D3DSPR_ATTROUT, n, l), lane.attributeOut[n], "oD", n, l);
  }
  return true;
}

TEST(VertexLanesTest, StraightLineVertexShadersGiveTheInterpretersBits) {
  EXPECT_TRUE(compareVertices(kHologramVertexShaderText));
  const char* shaders[] = {
      // Every output of the 1.x and 2.x registers, written in part or not at all.
      "vs_1_1\ndcl_position v0\ndcl_color v1\nmov oPos, v0\nmov oD0, v1\nmul oD1.xy, v1, c2\nmov oFog, v0.z\n"
      "mov oPts, c3.x\nmov oT3.zw, v0\nmad oT7, v1.wzyx, c4, -v0",
      // The arithmetic: scalar steps across awkward values, products, and registers read before
      // they are written, which start at zero.
      "vs_2_0\ndcl_position v0\ndcl_normal v1\nrcp r0.x, v1.y\nrsq r0.y, v0.z\nexp r0.z, v1.x\nlog r0.w, v0.y\n"
      "pow r1, v0.x, c1.y\nfrc r2, v1\nabs r3, -v0\nnrm r4, v1\nmin r5, r0, r2\nmax r6, r1, -r3\n"
      "add r7, r8, v0\nmul r8, v1, c1\nmov oD1, r8\nmov oPos, r0\nmov oT0, r1\nmov oT1, r2\nmov oT2, r3\nmov oT3, "
      "r4\nmov "
      "oT4, r5\n"
      "mov oT5, r6\nmov oT6, r7\nsub oT7, v0, c5",
      // Copies and constant steps, folded or shared, straight into outputs.
      "vs_2_0\ndcl_position v0\nadd r0, c1, c2\nmov oT0, r0\nmov oT1, v0.yxwz\nmul r1, v0, r0\nmov r2, r1\n"
      "add r1, r1, c3\nmov oPos, r2\nmov oT2, r1\nmov oD0, c7",
      // 3.0's o# registers, the position and a point size among them.
      "vs_3_0\ndcl_position v0\ndcl_texcoord0 v1\ndcl_position o0\ndcl_texcoord0 o1\ndcl_psize o2\n"
      "dcl_texcoord5 o9\nmov o0, v0\nmul o1.xy, v1, c1\nmov o2.x, c2.w\nadd o9, v0, -v1\nmov_sat o10, v1",
  };
  for (const char* shader : shaders) EXPECT_TRUE(compareVertices(shader)) << shader;
}

TEST(VertexLanesTest, VertexShadersOutsideTheSubsetAreDeclined) {
  EXPECT_FALSE(compareVertices("vs_2_0\ndcl_position v0\nmova a0.x, v0.x\nmov oPos, c[a0.x]\n"));
  EXPECT_FALSE(
      compareVertices("vs_2_0\ndefi i0, 2, 0, 1, 0\ndcl_position v0\nmov r0, v0\nrep i0\n"
                      "add r0, r0, c1\nendrep\nmov oPos, r0\n"));
  EXPECT_FALSE(compareVertices("vs_1_1\ndcl_position v0\nslt r0, v0, c1\nmov oPos, r0\n"));
}

}  // namespace
}  // namespace platform::d3d9
