#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/d3d9/shader_tokens.h"
#include "tests/platform/d3d9/device_fixture.h"

namespace platform::d3d9 {
namespace {

using namespace shader_tokens;
using Words = std::vector<DWORD>;

constexpr DWORD kEnd = D3DVS_END_TOKEN;

// The hologram's vertex shader in outline: declarations, a matrix transform, a copy.
Words vertexShader20() {
  return {D3DVS_VERSION(2, 0),
          makeInstruction(D3DSIO_DCL, 0, 2),
          makeUsageDeclaration(D3DDECLUSAGE_POSITION, 0),
          makeDestination(D3DSPR_INPUT, 0),
          makeInstruction(D3DSIO_DCL, 0, 2),
          makeUsageDeclaration(D3DDECLUSAGE_TEXCOORD, 0),
          makeDestination(D3DSPR_INPUT, 2),
          makeInstruction(D3DSIO_M4x4, 0, 3),
          makeDestination(D3DSPR_RASTOUT, D3DSRO_POSITION),
          makeSource(D3DSPR_INPUT, 0),
          makeSource(D3DSPR_CONST, 0),
          makeInstruction(D3DSIO_MOV, 0, 2),
          makeDestination(D3DSPR_TEXCRDOUT, 0),
          makeSource(D3DSPR_INPUT, 2),
          kEnd};
}

Words pixelShader20() {
  return {D3DPS_VERSION(2, 0),
          makeInstruction(D3DSIO_DEF, 0, 5),
          makeDestination(D3DSPR_CONST, 1),
          0x3F800000,
          0,
          0,
          0x3F800000,
          makeInstruction(D3DSIO_DCL, 0, 2),
          makeUsageDeclaration(0, 0),
          makeDestination(D3DSPR_TEXTURE, 0),
          makeInstruction(D3DSIO_DCL, 0, 2),
          makeSamplerDeclaration(D3DSTT_2D),
          makeDestination(D3DSPR_SAMPLER, 0),
          makeInstruction(D3DSIO_TEX, 0, 3),
          makeDestination(D3DSPR_TEMP, 0),
          makeSource(D3DSPR_TEXTURE, 0),
          makeSource(D3DSPR_SAMPLER, 0),
          makeInstruction(D3DSIO_MOV, 0, 2),
          makeDestination(D3DSPR_COLOROUT, 0),
          makeSource(D3DSPR_TEMP, 0),
          kEnd};
}

// The program's own two shaders, instruction for instruction.
constexpr DWORD kX = D3DSP_WRITEMASK_0, kY = D3DSP_WRITEMASK_1, kZ = D3DSP_WRITEMASK_2, kW = D3DSP_WRITEMASK_3;
constexpr DWORD kAll = D3DSP_WRITEMASK_ALL;
constexpr DWORD kXs = D3DSP_REPLICATERED, kYs = D3DSP_REPLICATEGREEN, kWs = D3DSP_REPLICATEALPHA;

Words op(DWORD opcode, DWORD destType, DWORD destNumber, DWORD mask,
         std::initializer_list<std::pair<DWORD, DWORD>> sources, std::initializer_list<DWORD> swizzles) {
  Words words{makeInstruction(opcode, 0, static_cast<DWORD>(1 + sources.size())),
              makeDestination(destType, destNumber, mask)};
  auto swizzle = swizzles.begin();
  for (auto [type, number] : sources) words.push_back(makeSource(type, number, *swizzle++));
  return words;
}

Words dcl(DWORD declaration, DWORD type, DWORD number) {
  return {makeInstruction(D3DSIO_DCL, 0, 2), declaration, makeDestination(type, number)};
}

Words hologramVertexShader() {
  constexpr DWORD v = D3DSPR_INPUT, c = D3DSPR_CONST, r = D3DSPR_TEMP;
  constexpr DWORD n = D3DSP_NOSWIZZLE;
  Words words{D3DVS_VERSION(2, 0)};
  for (const Words& part : {
           dcl(makeUsageDeclaration(D3DDECLUSAGE_POSITION, 0), v, 0),
           dcl(makeUsageDeclaration(D3DDECLUSAGE_NORMAL, 0), v, 1),
           dcl(makeUsageDeclaration(D3DDECLUSAGE_TEXCOORD, 0), v, 2),
           op(D3DSIO_DP4, D3DSPR_RASTOUT, 0, kX, {{v, 0}, {c, 0}}, {n, n}),
           op(D3DSIO_DP4, D3DSPR_RASTOUT, 0, kY, {{v, 0}, {c, 1}}, {n, n}),
           op(D3DSIO_DP4, D3DSPR_RASTOUT, 0, kZ, {{v, 0}, {c, 2}}, {n, n}),
           op(D3DSIO_DP4, D3DSPR_RASTOUT, 0, kW, {{v, 0}, {c, 3}}, {n, n}),
           op(D3DSIO_SUB, r, 2, kAll, {{c, 6}, {v, 0}}, {n, n}),
           op(D3DSIO_NRM, r, 3, kAll, {{r, 2}}, {n}),
           op(D3DSIO_DP3, r, 2, kX, {{v, 1}, {r, 3}}, {n, n}),
           op(D3DSIO_ADD, r, 3, kX, {{c, 4}, {r, 2}}, {kWs, kXs}),
           op(D3DSIO_MUL, r, 2, kX, {{r, 3}, {c, 5}}, {kXs, kXs}),
           op(D3DSIO_MOV, D3DSPR_TEXCRDOUT, 1, kAll, {{r, 2}}, {kXs}),
           op(D3DSIO_MOV, D3DSPR_TEXCRDOUT, 0, kAll, {{v, 2}}, {n}),
       }) {
    words.insert(words.end(), part.begin(), part.end());
  }
  words.push_back(D3DVS_END_TOKEN);
  return words;
}

Words hologramPixelShader() {
  constexpr DWORD t = D3DSPR_TEXTURE, c = D3DSPR_CONST, r = D3DSPR_TEMP;
  constexpr DWORD n = D3DSP_NOSWIZZLE;
  Words words{D3DPS_VERSION(2, 0)};
  for (const Words& part : {
           dcl(makeUsageDeclaration(0, 0), D3DSPR_INPUT, 0),
           dcl(makeUsageDeclaration(0, 0), t, 0),
           dcl(makeUsageDeclaration(0, 0), t, 1),
           dcl(makeSamplerDeclaration(D3DSTT_2D), D3DSPR_SAMPLER, 0),
           op(D3DSIO_MOV, r, 1, kAll, {{t, 0}}, {n}),
           op(D3DSIO_MOV, r, 2, kAll, {{t, 1}}, {n}),
           op(D3DSIO_RCP, r, 3, kX, {{c, 0}}, {kXs}),
           op(D3DSIO_MUL, r, 4, kX, {{r, 2}, {c, 0}}, {kXs, kXs}),
           op(D3DSIO_MUL, r, 4, kX, {{r, 4}, {c, 0}}, {kXs, kXs}),
           op(D3DSIO_FRC, r, 5, kX, {{r, 4}}, {kXs}),
           op(D3DSIO_SUB, r, 5, kX, {{r, 4}, {r, 5}}, {kXs, kXs}),
           op(D3DSIO_MUL, r, 5, kX, {{r, 5}, {r, 3}}, {kXs, kXs}),
           op(D3DSIO_FRC, r, 5, kX, {{r, 5}}, {kXs}),
           op(D3DSIO_MUL, r, 1, kX, {{r, 1}, {r, 3}}, {kXs, kXs}),
           op(D3DSIO_MUL, r, 1, kY, {{r, 1}, {r, 3}}, {kYs, kXs}),
           op(D3DSIO_ADD, r, 5, kX, {{r, 5}, {r, 1}}, {kXs, kXs}),
           op(D3DSIO_MUL, r, 4, kW, {{c, 0}, {r, 2}}, {kXs, kXs}),
           op(D3DSIO_FRC, r, 4, kZ, {{r, 4}}, {kWs}),
           op(D3DSIO_SUB, r, 4, kY, {{r, 4}, {r, 4}}, {kWs, D3DSP_REPLICATEBLUE}),
           op(D3DSIO_MUL, r, 4, kY, {{r, 3}, {r, 4}}, {kXs, kYs}),
           op(D3DSIO_ADD, r, 4, kY, {{r, 4}, {r, 1}}, {kYs, kYs}),
           op(D3DSIO_MOV, r, 3, kY, {{r, 4}}, {kYs}),
           op(D3DSIO_MOV, r, 3, kX, {{r, 5}}, {kXs}),
           op(D3DSIO_TEX, r, 0, kAll, {{r, 3}, {D3DSPR_SAMPLER, 0}}, {n, n}),
           op(D3DSIO_MOV, D3DSPR_COLOROUT, 0, kAll, {{r, 0}}, {n}),
       }) {
    words.insert(words.end(), part.begin(), part.end());
  }
  words.push_back(D3DPS_END_TOKEN);
  return words;
}

using ShaderCreationTest = DeviceTest;

TEST_F(ShaderCreationTest, TheProgramsHologramShadersAreAccepted) {
  ComPtr<IDirect3DVertexShader9> vertex;
  ComPtr<IDirect3DPixelShader9> pixel;
  Words vs = hologramVertexShader();
  Words ps = hologramPixelShader();
  EXPECT_EQ(device->CreateVertexShader(vs.data(), vertex.put()), D3D_OK);
  EXPECT_EQ(device->CreatePixelShader(ps.data(), pixel.put()), D3D_OK);
}

TEST_F(ShaderCreationTest, WellFormedStreamsOfEachVersionFamily) {
  ComPtr<IDirect3DVertexShader9> vertex;
  Words vs = vertexShader20();
  ASSERT_EQ(device->CreateVertexShader(vs.data(), vertex.put()), D3D_OK);
  UINT size = 0;
  ASSERT_EQ(vertex->GetFunction(nullptr, &size), D3D_OK);
  EXPECT_EQ(size, vs.size() * 4);
  Words copy(vs.size());
  ASSERT_EQ(vertex->GetFunction(copy.data(), &size), D3D_OK);
  EXPECT_EQ(copy, vs);

  ComPtr<IDirect3DPixelShader9> pixel;
  Words ps = pixelShader20();
  ASSERT_EQ(device->CreatePixelShader(ps.data(), pixel.put()), D3D_OK);

  // 1.x streams carry no lengths; a comment is skipped whole.
  Words vs11 = {D3DVS_VERSION(1, 1),
                makeComment(2),
                0x12345678,
                0x80000000,
                makeInstruction(D3DSIO_DCL),
                makeUsageDeclaration(D3DDECLUSAGE_POSITION, 0),
                makeDestination(D3DSPR_INPUT, 0),
                makeInstruction(D3DSIO_MOV),
                makeDestination(D3DSPR_RASTOUT, 0),
                makeSource(D3DSPR_INPUT, 0),
                kEnd};
  EXPECT_EQ(device->CreateVertexShader(vs11.data(), vertex.put()), D3D_OK);
  Words ps14 = {D3DPS_VERSION(1, 4),
                makeInstruction(D3DSIO_TEX),
                makeDestination(D3DSPR_TEMP, 0),
                makeSource(D3DSPR_TEXTURE, 0),
                makeInstruction(D3DSIO_MOV),
                makeDestination(D3DSPR_TEMP, 0),
                makeSource(D3DSPR_TEMP, 0),
                kEnd};
  EXPECT_EQ(device->CreatePixelShader(ps14.data(), pixel.put()), D3D_OK);
  // texkill tests a register it only reads.
  Words kill = {D3DPS_VERSION(2, 0),
                makeInstruction(D3DSIO_DCL, 0, 2),
                makeUsageDeclaration(0, 0),
                makeDestination(D3DSPR_TEXTURE, 0),
                makeInstruction(D3DSIO_TEXKILL, 0, 1),
                makeDestination(D3DSPR_TEXTURE, 0),
                kEnd};
  EXPECT_EQ(device->CreatePixelShader(kill.data(), pixel.put()), D3D_OK);

  // Relative addressing names its address register in an extra token from 2.0 on.
  Words relative = {D3DVS_VERSION(2, 0),
                    makeInstruction(D3DSIO_MOVA, 0, 2),
                    makeDestination(D3DSPR_ADDR, 0, D3DSP_WRITEMASK_0),
                    makeSource(D3DSPR_INPUT, 0),
                    makeInstruction(D3DSIO_MOV, 0, 3),
                    makeDestination(D3DSPR_RASTOUT, 0),
                    makeSource(D3DSPR_CONST, 4, D3DSP_NOSWIZZLE, D3DSPSM_NONE, true),
                    makeSource(D3DSPR_ADDR, 0, D3DSP_REPLICATERED),
                    kEnd};
  EXPECT_EQ(device->CreateVertexShader(relative.data(), vertex.put()), D3D_OK);
  // Predication and comparisons in 2_x.
  Words predicated = {D3DVS_VERSION(2, 1),
                      makeInstruction(D3DSIO_SETP, D3DSPC_LT, 3),
                      makeDestination(D3DSPR_PREDICATE, 0),
                      makeSource(D3DSPR_INPUT, 0),
                      makeSource(D3DSPR_CONST, 0),
                      makeInstruction(D3DSIO_MOV, 0, 3, true),
                      makeDestination(D3DSPR_RASTOUT, 0),
                      makeSource(D3DSPR_PREDICATE, 0),
                      makeSource(D3DSPR_INPUT, 0),
                      kEnd};
  EXPECT_EQ(device->CreateVertexShader(predicated.data(), vertex.put()), D3D_OK);
}

TEST_F(ShaderCreationTest, MalformedStreamsAreRefused) {
  struct Case {
    const char* fault;
    bool pixel;
    Words words;
  };
  const Words vs = vertexShader20();
  const Words ps = pixelShader20();
  Words missingBit = vs;
  missingBit[9] &= ~D3DSP_PARAMETER_BIT;  // the m4x4's first source
  Words longer = vs;
  longer[7] = makeInstruction(D3DSIO_M4x4, 0, 4);  // claims a parameter it does not have
  Words shorter = vs;
  shorter[7] = makeInstruction(D3DSIO_M4x4, 0, 2);
  const Case kCases[] = {
      {"unknown version", false, {0xFFFD0200, kEnd}},
      {"vertex code given as pixel shader", true, vs},
      {"pixel code given as vertex shader", false, ps},
      {"version 4.0", false, {D3DVS_VERSION(4, 0), kEnd}},
      {"ps_1_0", true, {D3DPS_VERSION(1, 0), kEnd}},
      {"unknown opcode", false, {D3DVS_VERSION(2, 0), makeInstruction(99, 0, 0), kEnd}},
      {"opcode of another version",
       false,
       {D3DVS_VERSION(2, 0), makeInstruction(D3DSIO_TEXLDL, 0, 3), makeDestination(D3DSPR_TEMP, 0),
        makeSource(D3DSPR_INPUT, 0), makeSource(D3DSPR_SAMPLER, 0), kEnd}},
      {"vertex-only opcode in a pixel shader",
       true,
       {D3DPS_VERSION(2, 0), makeInstruction(D3DSIO_SLT, 0, 3), makeDestination(D3DSPR_TEMP, 0),
        makeSource(D3DSPR_TEMP, 0), makeSource(D3DSPR_TEMP, 1), kEnd}},
      {"missing bit 31", false, missingBit},
      {"length too long", false, longer},
      {"length too short", false, shorter},
      {"temporary beyond the version's count",
       false,
       {D3DVS_VERSION(2, 0), makeInstruction(D3DSIO_MOV, 0, 2), makeDestination(D3DSPR_TEMP, 12),
        makeSource(D3DSPR_INPUT, 0), kEnd}},
      {"constant beyond the version's count",
       true,
       {D3DPS_VERSION(2, 0), makeInstruction(D3DSIO_MOV, 0, 2), makeDestination(D3DSPR_TEMP, 0),
        makeSource(D3DSPR_CONST, 32), kEnd}},
      {"write to an input",
       false,
       {D3DVS_VERSION(2, 0), makeInstruction(D3DSIO_MOV, 0, 2), makeDestination(D3DSPR_INPUT, 0),
        makeSource(D3DSPR_INPUT, 1), kEnd}},
      {"read of an output",
       true,
       {D3DPS_VERSION(2, 0), makeInstruction(D3DSIO_MOV, 0, 2), makeDestination(D3DSPR_TEMP, 0),
        makeSource(D3DSPR_COLOROUT, 0), kEnd}},
      {"def of a temporary",
       false,
       {D3DVS_VERSION(2, 0), makeInstruction(D3DSIO_DEF, 0, 5), makeDestination(D3DSPR_TEMP, 0), 0, 0, 0, 0, kEnd}},
      {"invalid comparison",
       false,
       {D3DVS_VERSION(2, 1), makeInstruction(D3DSIO_IFC, 7, 2), makeSource(D3DSPR_INPUT, 0),
        makeSource(D3DSPR_INPUT, 1), makeInstruction(D3DSIO_ENDIF, 0, 0), kEnd}},
      {"sampler of an unknown texture type",
       true,
       {D3DPS_VERSION(2, 0), makeInstruction(D3DSIO_DCL, 0, 2), makeSamplerDeclaration(D3DSTT_UNKNOWN),
        makeDestination(D3DSPR_SAMPLER, 0), kEnd}},
      {"input of an unknown usage",
       false,
       {D3DVS_VERSION(2, 0), makeInstruction(D3DSIO_DCL, 0, 2), makeUsageDeclaration(14, 0),
        makeDestination(D3DSPR_INPUT, 0), kEnd}},
      {"empty write mask",
       false,
       {D3DVS_VERSION(2, 0), makeInstruction(D3DSIO_MOV, 0, 2), makeDestination(D3DSPR_TEMP, 0, 0),
        makeSource(D3DSPR_INPUT, 0), kEnd}},
      {"unknown source modifier",
       false,
       {D3DVS_VERSION(2, 0), makeInstruction(D3DSIO_MOV, 0, 2), makeDestination(D3DSPR_TEMP, 0),
        makeSource(D3DSPR_INPUT, 0, D3DSP_NOSWIZZLE, 14u << 24), kEnd}},
      {"stray controls",
       false,
       {D3DVS_VERSION(2, 0), makeInstruction(D3DSIO_MOV | 0x00010000, 0, 2), makeDestination(D3DSPR_TEMP, 0),
        makeSource(D3DSPR_INPUT, 0), kEnd}},
  };
  for (const Case& c : kCases) {
    if (c.pixel) {
      ComPtr<IDirect3DPixelShader9> shader;
      EXPECT_EQ(device->CreatePixelShader(c.words.data(), shader.put()), D3DERR_INVALIDCALL) << c.fault;
      EXPECT_FALSE(shader) << c.fault;
    } else {
      ComPtr<IDirect3DVertexShader9> shader;
      EXPECT_EQ(device->CreateVertexShader(c.words.data(), shader.put()), D3DERR_INVALIDCALL) << c.fault;
      EXPECT_FALSE(shader) << c.fault;
    }
  }
  ComPtr<IDirect3DVertexShader9> shader;
  EXPECT_EQ(device->CreateVertexShader(nullptr, shader.put()), D3DERR_INVALIDCALL);
}

struct Message {
  std::string file;
  int line;
  DWORD type;
  DWORD code;
  std::string text;
};

HRESULT collect(const char* file, int line, DWORD type, DWORD code, const char* message, void* context) {
  static_cast<std::vector<Message>*>(context)->push_back({file ? file : "", line, type, code, message ? message : ""});
  return S_OK;
}

class ValidatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    validator = ComPtr<IDirect3DShaderValidator9>::adopt(Direct3DShaderValidatorCreate9());
    ASSERT_TRUE(validator);
    ASSERT_EQ(validator->Begin(&collect, &messages, 0), S_OK);
  }
  HRESULT feed(const Words& words, UINT line) {
    return validator->Instruction("shader.vsh", line, words.data(), static_cast<DWORD>(words.size()));
  }

  ComPtr<IDirect3DShaderValidator9> validator;
  std::vector<Message> messages;
};

// The assembler's pattern: the version, each statement as it is made, the end token.
TEST_F(ValidatorTest, StatementByStatementAcceptsAGoodShader) {
  const Words vs = vertexShader20();
  EXPECT_EQ(feed({vs[0]}, 1), S_OK);
  EXPECT_EQ(feed({vs.begin() + 1, vs.begin() + 4}, 2), S_OK);
  EXPECT_EQ(feed({vs.begin() + 4, vs.begin() + 7}, 3), S_OK);
  EXPECT_EQ(feed({vs.begin() + 7, vs.begin() + 11}, 4), S_OK);
  EXPECT_EQ(feed({vs.begin() + 11, vs.end() - 1}, 5), S_OK);
  EXPECT_EQ(feed({kEnd}, 6), S_OK);
  EXPECT_EQ(validator->End(), S_OK);
  EXPECT_TRUE(messages.empty());
}

TEST_F(ValidatorTest, AOneStatementCallWorksForOneXShaders) {
  EXPECT_EQ(feed({D3DPS_VERSION(1, 1)}, 1), S_OK);
  EXPECT_EQ(feed({makeInstruction(D3DSIO_TEX), makeDestination(D3DSPR_TEXTURE, 0)}, 2), S_OK);
  EXPECT_EQ(feed({makeInstruction(D3DSIO_MOV), makeDestination(D3DSPR_TEMP, 0), makeSource(D3DSPR_TEXTURE, 0)}, 3),
            S_OK);
  EXPECT_EQ(feed({kEnd}, 4), S_OK);
  EXPECT_EQ(validator->End(), S_OK);
}

TEST_F(ValidatorTest, ErrorsGoThroughTheCallbackWithTheStatementsPlace) {
  EXPECT_EQ(feed({D3DVS_VERSION(2, 0)}, 1), S_OK);
  EXPECT_LT(feed({makeInstruction(D3DSIO_MOV, 0, 2), makeDestination(D3DSPR_TEMP, 40), makeSource(D3DSPR_INPUT, 0)}, 7),
            0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].file, "shader.vsh");
  EXPECT_EQ(messages[0].line, 7);
  EXPECT_EQ(messages[0].type, 2u);
  EXPECT_FALSE(messages[0].text.empty());
  EXPECT_EQ(feed({kEnd}, 8), S_OK);
  EXPECT_LT(validator->End(), 0) << "the run stays failed";
}

TEST_F(ValidatorTest, MissingEndTokenAndTrailingWordsAreErrors) {
  EXPECT_EQ(feed({D3DVS_VERSION(3, 0)}, 1), S_OK);
  EXPECT_LT(validator->End(), 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].type, 2u);

  ASSERT_EQ(validator->Begin(&collect, &messages, 0), S_OK);
  EXPECT_EQ(feed({D3DVS_VERSION(3, 0), kEnd}, 1), S_OK);
  EXPECT_LT(feed({makeInstruction(D3DSIO_NOP, 0, 0)}, 2), 0);
  EXPECT_LT(feed({makeInstruction(D3DSIO_MOV, 0, 2), makeDestination(D3DSPR_TEMP, 0)}, 3), 0)
      << "truncated instruction";
}

TEST(ValidatorWithoutBeginTest, RefusesInstructions) {
  auto validator = ComPtr<IDirect3DShaderValidator9>::adopt(Direct3DShaderValidatorCreate9());
  const DWORD version = D3DVS_VERSION(2, 0);
  EXPECT_LT(validator->Instruction(nullptr, 0, &version, 1), 0);
  EXPECT_LT(validator->End(), 0);
}

}  // namespace
}  // namespace platform::d3d9
