// Assembly throughput on a generated vs_3_0 source of 100,000 instructions that mixes every
// statement kind: declarations, definitions, arithmetic with modifiers, relative addressing,
// predication, flow control, macros and comments.
#include <benchmark/benchmark.h>

#include <string>

#include "shader_asm/shader_assembler.h"

namespace {

constexpr int kInstructions = 100000;

std::string generateSource() {
  const char* kStatements[] = {
      "dcl_texcoord%d v%d\n",
      "def c%d, 1.5, -2, +0.25, %d\n",
      "defi i%d, 1, -2, 3, %d\n",
      "defb b%d, true ; %d\n",
      "mad_sat r%d, r1.xyzw, c[a0.x + %d], -r3_abs\n",
      "(!p0.y) add r%d.xz, r2.wzyx, c%d\n",
      "mov o[aL + %d], v%d.x\n",
      "setp_ge p0, r%d, c%d.y\n",
      "dp4 r%d.w, v1, c%d  // a comment\n",
      "if_lt r%d.x, c%d.x\nendif\n",
      "texldl r%d, r2, s%d\n",
      "SCALE(r%d, c%d)\n",
  };
  std::string text = "#define SCALE(d, s) mul d, s, s\nvs_3_0\n";
  char line[128];
  int emitted = 0;
  for (int i = 0; emitted < kInstructions; ++i) {
    int kind = i % 12;
    int a = i % 12;
    int b = i % 4;
    switch (kind) {
      case 0: std::snprintf(line, sizeof line, kStatements[0], a % 10, a); break;
      case 1: std::snprintf(line, sizeof line, kStatements[1], i % 200, i % 100); break;
      case 2: std::snprintf(line, sizeof line, kStatements[2], a, i % 100); break;
      case 3: std::snprintf(line, sizeof line, kStatements[3], a, i); break;
      case 6: std::snprintf(line, sizeof line, kStatements[6], b, a); break;
      case 10: std::snprintf(line, sizeof line, kStatements[10], a, b); break;
      default: std::snprintf(line, sizeof line, kStatements[kind], a, i % 200); break;
    }
    text += line;
    emitted += kind == 9 ? 2 : 1;
  }
  return text;
}

void BM_AssembleGeneratedSource(benchmark::State& state) {
  static const std::string source = generateSource();
  DWORD flags = static_cast<DWORD>(state.range(0)) | shader_asm::kAssembleSkipValidation;
  for (auto _ : state) {
    shader_asm::ShaderBufferPtr shader;
    shader_asm::ShaderBufferPtr errors;
    HRESULT result = shader_asm::assembleShaderFromMemory(source.data(), source.size(), "bench.vsh", nullptr, nullptr,
                                                          flags, shader.put(), errors.put());
    if (FAILED(result)) {
      state.SkipWithError(errors ? static_cast<const char*>(errors->GetData()) : "assembly failed");
      break;
    }
    benchmark::DoNotOptimize(shader->GetData());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(source.size()));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kInstructions);
}
BENCHMARK(BM_AssembleGeneratedSource)->Arg(0)->Arg(shader_asm::kAssembleDebugInfo)->Unit(benchmark::kMillisecond);

}  // namespace
