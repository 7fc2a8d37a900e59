// Shaders written as assembly text and drawn: each instruction's arithmetic shows as the colour
// of a 1x1 target; the scene's shader text assembles to the streams the other tests build.
#include <cstring>
#include <string>

#include "platform/d3d9/shader_program.h"
#include "shader_asm/shader_assembler.h"
#include "tests/platform/d3d9/hologram_shaders.h"
#include "tests/platform/d3d9/render_fixture.h"

namespace platform::d3d9 {
namespace {

std::vector<DWORD> assemble(const std::string& text) {
  shader_asm::ShaderBuffer* shader = nullptr;
  shader_asm::ShaderBuffer* errors = nullptr;
  HRESULT result =
      shader_asm::assembleShaderFromMemory(text.c_str(), text.size(), "test", nullptr, nullptr, 0, &shader, &errors);
  std::vector<DWORD> tokens;
  if (errors) {
    ADD_FAILURE() << static_cast<const char*>(errors->GetData());
    errors->Release();
  }
  EXPECT_EQ(result, S_OK) << text;
  if (shader) {
    tokens.resize(shader->GetSize() / 4);
    std::memcpy(tokens.data(), shader->GetData(), tokens.size() * 4);
    shader->Release();
  }
  return tokens;
}

class AssemblyTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    useTarget(1, 1);
  }
  // Draws the 1x1 target with a pixel shader and returns its colour.
  D3DCOLOR drawPixelShader(const std::string& text) {
    std::vector<DWORD> tokens = assemble(text);
    if (tokens.empty()) return 0xDEADBEEF;
    ComPtr<IDirect3DPixelShader9> ps;
    EXPECT_EQ(device->CreatePixelShader(tokens.data(), ps.put()), D3D_OK) << text;
    device->SetPixelShader(ps.get());
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    drawRect(-0.5f, -0.5f, 0.5f, 0.5f, 0xFFFFFFFF);
    device->SetPixelShader(nullptr);
    return pixel(0, 0);
  }
  // Draws with a vertex shader whose oD0 the fixed-function pixel stages pass through.
  D3DCOLOR drawVertexShader(const std::string& text) {
    std::vector<DWORD> tokens = assemble(text);
    if (tokens.empty()) return 0xDEADBEEF;
    ComPtr<IDirect3DVertexShader9> vs;
    EXPECT_EQ(device->CreateVertexShader(tokens.data(), vs.put()), D3D_OK) << text;
    device->SetVertexShader(vs.get());
    device->SetFVF(D3DFVF_XYZ);
    float quad[4][3] = {{-1, 1, 0.5f}, {1, 1, 0.5f}, {-1, -1, 0.5f}, {1, -1, 0.5f}};
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0]), D3D_OK);
    device->SetVertexShader(nullptr);
    return pixel(0, 0);
  }
};

struct Row {
  const char* body;   // instructions computing r0 from c0 = (0.25, 0.5, 0.75, 1), c1 = (0.5, 0.25, 0, 0.5)
  D3DCOLOR expected;  // ARGB of r0 = (r, g, b, a)
};

TEST_F(AssemblyTest, PixelShaderInstructionArithmetic) {
  const Row rows[] = {
      {"add r0, c0, c1", 0xFFBFBFBF},
      {"sub r0, c0, c1", 0x800040BF},  // (-0.25 -> 0, 0.25, 0.75, 0.5)
      {"mul r0, c0, c1", 0x80202000},
      {"mad r0, c0, c1, c1", 0xFF9F6000},
      {"dp3 r0, c0, c1", 0x40404040},
      {"dp4 r0, c0, c1", 0xBFBFBFBF},
      {"rcp r0, c0.w", 0xFFFFFFFF},
      {"rsq r0, c0.x", 0xFFFFFFFF},  // 2 saturates to 1
      {"rsq r0, c2.x", 0x80808080},  // 1/sqrt(4)
      {"min r0, c0, c1", 0x80404000},
      {"max r0, c0, c1", 0xFF8080BF},
      {"frc r0, c2", 0x800040BF},  // c2 = (4, 1.25, 2.75, -0.5): (0, .25, .75, .5)
      {"lrp r0, c0, c1, c0", 0x80506030},
      {"cmp r0, c3, c0, c1", 0xFF8040BF},
      {"exp r0, c3.y", 0x80808080},        // 2^-1
      {"log r0, c2.x", 0xFFFFFFFF},        // log2 4 = 2 saturates
      {"log r0, c3.y", 0x00000000},        // -1 saturates to 0
      {"pow r0, c1.x, c2.y", 0x6B6B6B6B},  // 0.5^1.25 = 0.4204
      {"nrm r0, c4", 0x0099CC00},
      {"abs r0, c3", 0x80FFFF00},
      {"dp2add r0, c0, c1, c0.z", 0xFFFFFFFF},
      {"mov r0, c2\nmov_sat r0, r0", 0x00FFFFFF},
  };
  for (const Row& row : rows) {
    std::string text = std::string("ps_2_0\n") +
                       "def c0, 0.25, 0.5, 0.75, 1\n"
                       "def c1, 0.5, 0.25, 0, 0.5\n"
                       "def c2, 4, 1.25, 2.75, -0.5\n"
                       "def c3, -1, -1, 0, 0.5\n"
                       "def c4, 0.6, 0.8, 0, 0\n" +
                       row.body + "\nmov oC0, r0\n";
    D3DCOLOR got = drawPixelShader(text);
    for (int shift = 0; shift < 32; shift += 8) {
      EXPECT_NEAR(static_cast<int>((got >> shift) & 0xFF), static_cast<int>((row.expected >> shift) & 0xFF), 1)
          << row.body << " channel " << shift / 8 << " got " << std::hex << got;
    }
  }
}

TEST_F(AssemblyTest, VertexShaderInstructionArithmetic) {
  const Row rows[] = {
      {"slt r0, c0, c1", 0x00FF0000},
      {"sge r0, c0, c1", 0xFF00FFFF},
      {"lit r0, c5", 0xFFFF8040},      // (1, 0.5, 0.5^2 = 0.25, 1)
      {"dst r0, c0, c1", 0x80FF20BF},  // (1, 0.5 * 0.25, 0.75, 0.5)
      {"sgn r0, c3, r1, r2", 0xFF000000},
      {"expp r0, c3.y", 0xB4B4B4B4},  // 2^-0.5
      {"logp r0, c0.y", 0x00000000},
      {"mova a0.x, c6.x\nmov r0, c0[a0.x]", 0x80804000},  // c6.x = 0.6 -> a0 = 1 -> c1
      {"m3x3 r0.xyz, c0, c7\nmov r0.w, c0.w", 0xFF406080},
  };
  for (const Row& row : rows) {
    std::string text = std::string("vs_2_0\ndcl_position v0\n") +
                       "def c0, 0.25, 0.5, 0.75, 1\n"
                       "def c1, 0.5, 0.25, 0, 0.5\n"
                       "def c3, -1, -0.5, 0, 1\n"
                       "def c5, 0.5, 0.5, 0, 2\n"
                       "def c6, 0.6, 0, 0, 0\n"
                       "def c7, 1, 0, 0, 0\n"
                       "def c8, 0, 0, 0.5, 0\n"
                       "def c9, 0, 1, 0, 0\n"
                       "mov r1, c0\nmov r2, c0\n" +
                       row.body + "\nmov oD0, r0\nmov oPos, v0\n";
    D3DCOLOR got = drawVertexShader(text);
    for (int shift = 0; shift < 32; shift += 8) {
      EXPECT_NEAR(static_cast<int>((got >> shift) & 0xFF), static_cast<int>((row.expected >> shift) & 0xFF), 1)
          << row.body << " channel " << shift / 8 << " got " << std::hex << got;
    }
  }
}

TEST_F(AssemblyTest, FlowControlAndRelativeAddressingInAssembly) {
  D3DCOLOR got = drawVertexShader(
      "vs_2_0\n"
      "dcl_position v0\n"
      "defi i0, 3, 0, 1, 0\n"
      "defb b0, true\n"
      "def c0, 0.125, 0, 0, 0\n"
      "def c1, 0, 0.25, 0, 0\n"
      "def c2, 0, 0, 0.5, 0\n"
      "def c3, 0, 0, 0, 0\n"
      "mov r0, c3\n"
      "loop aL, i0\n"
      "add r0, r0, c0[aL]\n"
      "endloop\n"
      "if b0\n"
      "add r0.w, r0.w, c2.z\n"
      "else\n"
      "add r0.w, r0.w, c0.x\n"
      "endif\n"
      "call l0\n"
      "mov oD0, r0\n"
      "mov oPos, v0\n"
      "ret\n"
      "label l0\n"
      "add r0.x, r0.x, c0.x\n"
      "ret\n");
  EXPECT_EQ(got, 0x80404080u);  // r = 0.125 + 0.125, g = 0.25, b = 0.5, a = 0.5
}

TEST_F(AssemblyTest, TheSceneShaderTextAssemblesToTheStreamsTheTestsBuild) {
  std::vector<DWORD> vs = assemble(kHologramVertexShaderText);
  std::vector<DWORD> ps = assemble(kHologramPixelShaderText);
  // The assembler writes sub as add with a negated operand, so the streams match instruction
  // for instruction rather than word for word.
  ShaderProgram fromText, fromBuilder;
  ASSERT_TRUE(decodeShaderProgram(vs, &fromText));
  ASSERT_TRUE(decodeShaderProgram(hologramVertexShader(), &fromBuilder));
  EXPECT_EQ(fromText.code.size(), fromBuilder.code.size());
  EXPECT_EQ(fromText.declarations.size(), fromBuilder.declarations.size());
  ASSERT_TRUE(decodeShaderProgram(ps, &fromText));
  ASSERT_TRUE(decodeShaderProgram(hologramPixelShader(), &fromBuilder));
  EXPECT_EQ(fromText.code.size(), fromBuilder.code.size());
  EXPECT_EQ(fromText.declarations.size(), fromBuilder.declarations.size());
  ComPtr<IDirect3DVertexShader9> vertexShader;
  ComPtr<IDirect3DPixelShader9> pixelShader;
  EXPECT_EQ(device->CreateVertexShader(vs.data(), vertexShader.put()), D3D_OK);
  EXPECT_EQ(device->CreatePixelShader(ps.data(), pixelShader.put()), D3D_OK);
}

}  // namespace
}  // namespace platform::d3d9
