// The program's hologram vertex and pixel shaders (vs_2_0 / ps_2_0) as token streams, for
// tests and benchmarks that run them without the assembler.
#pragma once

#include <vector>

#include "tests/platform/d3d9/shader_token_builder.h"

namespace platform::d3d9 {

// The scene's shader text ("Hologram.vsh", "Hologram.psh").
inline constexpr const char* kHologramVertexShaderText =
    "vs.2.0\n"
    "dcl_position v0\n"
    "dcl_normal v1\n"
    "dcl_texcoord0 v2\n"
    "dp4 oPos.x, v0, c0\n"
    "dp4 oPos.y, v0, c1\n"
    "dp4 oPos.z, v0, c2\n"
    "dp4 oPos.w, v0, c3\n"
    "sub r2, c6, v0\n"
    "nrm r3, r2\n"
    "dp3 r2.x, v1, r3\n"
    "add r3.x, c4.w, r2.x\n"
    "mul r2.x, r3.x, c5.x\n"
    "mov oT1, r2.x\n"
    "mov oT0, v2\n";
inline constexpr const char* kHologramPixelShaderText =
    "ps.2.0\n"
    "dcl v0.xyzw\n"
    "dcl t0.xyzw\n"
    "dcl t1.xyzw\n"
    "dcl_2d s0\n"
    "mov r1, t0\n"
    "mov r2, t1\n"
    "rcp r3.x, c0.x\n"
    "mul r4.x, r2.x, c0.x\n"
    "mul r4.x, r4.x, c0.x\n"
    "frc r5.x, r4.x\n"
    "sub r5.x, r4.x, r5.x\n"
    "mul r5.x, r5.x, r3.x\n"
    "frc r5.x, r5.x\n"
    "mul r1.x, r1.x, r3.x\n"
    "mul r1.y, r1.y, r3.x\n"
    "add r5.x, r5.x, r1.x\n"
    "mul r4.w, c0.x, r2.x\n"
    "frc r4.z, r4.w\n"
    "sub r4.y, r4.w, r4.z\n"
    "mul r4.y, r3.x, r4.y\n"
    "add r4.y, r4.y, r1.y\n"
    "mov r3.y, r4.y\n"
    "mov r3.x, r5.x\n"
    "texld r0, r3, s0\n"
    "mov oC0, r0\n";

inline std::vector<DWORD> hologramVertexShader() {
  using namespace shader_tokens;
  constexpr DWORD kX = D3DSP_WRITEMASK_0, kY = D3DSP_WRITEMASK_1, kZ = D3DSP_WRITEMASK_2, kW = D3DSP_WRITEMASK_3;
  ShaderTokens t(D3DVS_VERSION(2, 0));
  t.dcl(D3DDECLUSAGE_POSITION, 0, dst(D3DSPR_INPUT, 0))
      .dcl(D3DDECLUSAGE_NORMAL, 0, dst(D3DSPR_INPUT, 1))
      .dcl(D3DDECLUSAGE_TEXCOORD, 0, dst(D3DSPR_INPUT, 2))
      .op(D3DSIO_DP4, {dst(D3DSPR_RASTOUT, 0, kX), src(D3DSPR_INPUT, 0), src(D3DSPR_CONST, 0)})
      .op(D3DSIO_DP4, {dst(D3DSPR_RASTOUT, 0, kY), src(D3DSPR_INPUT, 0), src(D3DSPR_CONST, 1)})
      .op(D3DSIO_DP4, {dst(D3DSPR_RASTOUT, 0, kZ), src(D3DSPR_INPUT, 0), src(D3DSPR_CONST, 2)})
      .op(D3DSIO_DP4, {dst(D3DSPR_RASTOUT, 0, kW), src(D3DSPR_INPUT, 0), src(D3DSPR_CONST, 3)})
      .op(D3DSIO_SUB, {dst(D3DSPR_TEMP, 2), src(D3DSPR_CONST, 6), src(D3DSPR_INPUT, 0)})
      .op(D3DSIO_NRM, {dst(D3DSPR_TEMP, 3), src(D3DSPR_TEMP, 2)})
      .op(D3DSIO_DP3, {dst(D3DSPR_TEMP, 2, kX), src(D3DSPR_INPUT, 1), src(D3DSPR_TEMP, 3)})
      .op(D3DSIO_ADD, {dst(D3DSPR_TEMP, 3, kX), src(D3DSPR_CONST, 4, replicate(3)), src(D3DSPR_TEMP, 2, replicate(0))})
      .op(D3DSIO_MUL, {dst(D3DSPR_TEMP, 2, kX), src(D3DSPR_TEMP, 3, replicate(0)), src(D3DSPR_CONST, 5, replicate(0))})
      .op(D3DSIO_MOV, {dst(D3DSPR_TEXCRDOUT, 1), src(D3DSPR_TEMP, 2, replicate(0))})
      .op(D3DSIO_MOV, {dst(D3DSPR_TEXCRDOUT, 0), src(D3DSPR_INPUT, 2)});
  return t.end();
}

inline std::vector<DWORD> hologramPixelShader() {
  using namespace shader_tokens;
  constexpr DWORD kX = D3DSP_WRITEMASK_0, kY = D3DSP_WRITEMASK_1, kZ = D3DSP_WRITEMASK_2, kW = D3DSP_WRITEMASK_3;
  auto r = [](DWORD n, DWORD mask = D3DSP_WRITEMASK_ALL) { return dst(D3DSPR_TEMP, n, mask); };
  auto rx = [](DWORD n, DWORD component) { return src(D3DSPR_TEMP, n, replicate(component)); };
  DWORD c0x = src(D3DSPR_CONST, 0, replicate(0));
  ShaderTokens t(D3DPS_VERSION(2, 0));
  t.dcl(0, 0, dst(D3DSPR_INPUT, 0))
      .dcl(0, 0, dst(D3DSPR_TEXTURE, 0))
      .dcl(0, 0, dst(D3DSPR_TEXTURE, 1))
      .dclSampler(D3DSTT_2D, 0)
      .op(D3DSIO_MOV, {r(1), src(D3DSPR_TEXTURE, 0)})
      .op(D3DSIO_MOV, {r(2), src(D3DSPR_TEXTURE, 1)})
      .op(D3DSIO_RCP, {r(3, kX), c0x})
      .op(D3DSIO_MUL, {r(4, kX), rx(2, 0), c0x})
      .op(D3DSIO_MUL, {r(4, kX), rx(4, 0), c0x})
      .op(D3DSIO_FRC, {r(5, kX), rx(4, 0)})
      .op(D3DSIO_SUB, {r(5, kX), rx(4, 0), rx(5, 0)})
      .op(D3DSIO_MUL, {r(5, kX), rx(5, 0), rx(3, 0)})
      .op(D3DSIO_FRC, {r(5, kX), rx(5, 0)})
      .op(D3DSIO_MUL, {r(1, kX), rx(1, 0), rx(3, 0)})
      .op(D3DSIO_MUL, {r(1, kY), rx(1, 1), rx(3, 0)})
      .op(D3DSIO_ADD, {r(5, kX), rx(5, 0), rx(1, 0)})
      .op(D3DSIO_MUL, {r(4, kW), c0x, rx(2, 0)})
      .op(D3DSIO_FRC, {r(4, kZ), rx(4, 3)})
      .op(D3DSIO_SUB, {r(4, kY), rx(4, 3), rx(4, 2)})
      .op(D3DSIO_MUL, {r(4, kY), rx(3, 0), rx(4, 1)})
      .op(D3DSIO_ADD, {r(4, kY), rx(4, 1), rx(1, 1)})
      .op(D3DSIO_MOV, {r(3, kY), rx(4, 1)})
      .op(D3DSIO_MOV, {r(3, kX), rx(5, 0)})
      .op(D3DSIO_TEX, {r(0), src(D3DSPR_TEMP, 3), src(D3DSPR_SAMPLER, 0)})
      .op(D3DSIO_MOV, {dst(D3DSPR_COLOROUT, 0), src(D3DSPR_TEMP, 0)});
  return t.end();
}

// The 32-byte vertex the card and hologram meshes use, and its declaration.
struct CardVertex {
  float position[3];
  float normal[3];
  float u, v;
};

inline const D3DVERTEXELEMENT9* cardVertexElements() {
  static const D3DVERTEXELEMENT9 elements[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
      {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
      {0xFF, 0, D3DDECLTYPE_UNUSED, 0, 0, 0}};
  return elements;
}

}  // namespace platform::d3d9
