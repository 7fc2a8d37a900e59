#include "platform/d3d9/shader_machine.h"

#include "platform/d3d9/shader_arithmetic.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>

namespace platform::d3d9 {
namespace {

using shader_arithmetic::logarithm;
using shader_arithmetic::modify;
using shader_arithmetic::reciprocal;
using shader_arithmetic::reciprocalRoot;
using shader_arithmetic::saturate;

// Bounds that keep a hostile program finite: steps per run, nested calls and loops.
constexpr int kMaxSteps = 65536;  // the caps' MaxVShaderInstructionsExecuted
constexpr int kMaxCallDepth = 16;
constexpr int kMaxLoopDepth = 8;
constexpr int kMaxIfDepth = 64;
constexpr float kPixelShader1xMax = 8.0f;

bool compare(DWORD comparison, float a, float b) {
  switch (comparison) {
    case D3DSPC_GT: return a > b;
    case D3DSPC_EQ: return a == b;
    case D3DSPC_GE: return a >= b;
    case D3DSPC_LT: return a < b;
    case D3DSPC_NE: return a != b;
    case D3DSPC_LE: return a <= b;
    default: return false;
  }
}

float dot3(const Vec4& a, const Vec4& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
float dot4(const Vec4& a, const Vec4& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3]; }
Vec4 splat(float x) { return {x, x, x, x}; }

int roundToNearest(float x) {
  float r = std::floor(x + 0.5f);
  if (!(r > -1e9f)) return -1000000;  // NaN and huge values make an address that reads nothing
  if (r > 1e9f) return 1000000;
  return static_cast<int>(r);
}

struct IfFrame {
  std::uint8_t saved;
  std::uint8_t taken;
};
struct LoopFrame {
  int start;
  int remaining;
  int step;
  int savedLoopCounter;
  int ifsAtEntry;
  std::uint8_t entry;
  std::uint8_t live;
};
struct CallFrame {
  int returnTo;
  std::uint8_t saved;
};

class Runner {
 public:
  Runner(const ShaderProgram& program, const ShaderConstants& constants, LaneRegisters* lanes, int laneCount)
      : p_(program), k_(constants), lane_(lanes), count_(laneCount) {
    all_ = static_cast<std::uint8_t>((1u << laneCount) - 1);
    active_ = all_;
    legacyPixel_ = p_.pixel && p_.major < 2;
    if (legacyPixel_) {
      for (int l = 0; l < count_; ++l) coordinates_[l] = lane_[l].t;
    }
  }

  void run() {
    int pc = 0;
    const int end = p_.mainEnd;
    int steps = 0;
    while (pc < static_cast<int>(p_.code.size())) {
      if (++steps > kMaxSteps) return;
      if (pc >= end && calls_ == 0) return;
      const ShaderInstruction& in = p_.code[static_cast<std::size_t>(pc)];
      int next = pc + 1;
      if (!flow(in, pc, &next)) return;
      if (next == pc + 1 && !isFlow(in.opcode) && active_) execute(in);
      pc = next;
    }
  }

 private:
  static bool isFlow(DWORD op) {
    switch (op) {
      case D3DSIO_IF:
      case D3DSIO_IFC:
      case D3DSIO_ELSE:
      case D3DSIO_ENDIF:
      case D3DSIO_LOOP:
      case D3DSIO_ENDLOOP:
      case D3DSIO_REP:
      case D3DSIO_ENDREP:
      case D3DSIO_BREAK:
      case D3DSIO_BREAKC:
      case D3DSIO_BREAKP:
      case D3DSIO_CALL:
      case D3DSIO_CALLNZ:
      case D3DSIO_RET:
      case D3DSIO_LABEL: return true;
      default: return false;
    }
  }

  std::uint8_t loopLive() const { return loops_ ? loop_[loops_ - 1].live : all_; }

  // Flow-control instructions; false ends the program.
  bool flow(const ShaderInstruction& in, int pc, int* next) {
    switch (in.opcode) {
      case D3DSIO_IF:
      case D3DSIO_IFC: {
        if (ifs_ == kMaxIfDepth) return false;
        std::uint8_t taken = 0;
        for (int l = 0; l < count_; ++l) {
          bool condition = in.opcode == D3DSIO_IF
                               ? boolOf(in.sources[0], l)
                               : compare(in.controls & 7, read(in.sources[0], l)[0], read(in.sources[1], l)[0]);
          if (condition) taken |= static_cast<std::uint8_t>(1u << l);
        }
        if_[ifs_++] = {active_, taken};
        active_ &= taken;
        if (!active_ && in.target >= 0) *next = in.target;
        return true;
      }
      case D3DSIO_ELSE: {
        if (!ifs_) return false;
        const IfFrame& frame = if_[ifs_ - 1];
        active_ = frame.saved & static_cast<std::uint8_t>(~frame.taken) & loopLive();
        if (!active_ && in.target >= 0) *next = in.target;
        return true;
      }
      case D3DSIO_ENDIF:
        if (!ifs_) return false;
        active_ = if_[--ifs_].saved & loopLive();
        return true;
      case D3DSIO_LOOP:
      case D3DSIO_REP: {
        const std::array<int, 4> counter = integerOf(in.sources[in.opcode == D3DSIO_LOOP ? 1 : 0]);
        int iterations = std::clamp(counter[0], 0, 255);
        if (iterations == 0 || !active_) {
          *next = in.target + 1;
          return true;
        }
        if (loops_ == kMaxLoopDepth) return false;
        loop_[loops_++] = {pc, iterations, counter[2], loopCounter_, ifs_, active_, active_};
        if (in.opcode == D3DSIO_LOOP) loopCounter_ = counter[1];
        return true;
      }
      case D3DSIO_ENDLOOP:
      case D3DSIO_ENDREP: {
        if (!loops_) return false;
        LoopFrame& frame = loop_[loops_ - 1];
        if (--frame.remaining > 0 && frame.live) {
          if (in.opcode == D3DSIO_ENDLOOP) loopCounter_ += frame.step;
          active_ = frame.live;
          *next = frame.start + 1;
          return true;
        }
        if (in.opcode == D3DSIO_ENDLOOP) loopCounter_ = frame.savedLoopCounter;
        active_ = frame.entry;
        --loops_;
        return true;
      }
      case D3DSIO_BREAK:
      case D3DSIO_BREAKC:
      case D3DSIO_BREAKP: {
        if (!loops_) return false;
        std::uint8_t leaving = 0;
        for (int l = 0; l < count_; ++l) {
          if (!(active_ & (1u << l))) continue;
          bool condition = true;
          if (in.opcode == D3DSIO_BREAKC) {
            condition = compare(in.controls & 7, read(in.sources[0], l)[0], read(in.sources[1], l)[0]);
          } else if (in.opcode == D3DSIO_BREAKP) {
            condition = predicateOf(in.sources[0], l);
          }
          if (condition) leaving |= static_cast<std::uint8_t>(1u << l);
        }
        LoopFrame& frame = loop_[loops_ - 1];
        frame.live &= static_cast<std::uint8_t>(~leaving);
        active_ &= static_cast<std::uint8_t>(~leaving);
        if (!frame.live) {
          // Every lane left: continue after the loop, unwinding ifs opened inside it.
          loopCounter_ = frame.savedLoopCounter;
          active_ = frame.entry;
          ifs_ = frame.ifsAtEntry;
          --loops_;
          int endIndex = p_.code[static_cast<std::size_t>(in.target)].target;
          *next = endIndex + 1;
        }
        return true;
      }
      case D3DSIO_CALL:
      case D3DSIO_CALLNZ: {
        DWORD label = in.sources[0].number;
        if (label >= p_.labels.size() || p_.labels[label] < 0 || calls_ == kMaxCallDepth) return true;
        std::uint8_t taking = active_;
        if (in.opcode == D3DSIO_CALLNZ) {
          taking = 0;
          for (int l = 0; l < count_; ++l) {
            bool condition =
                in.sources[1].type == D3DSPR_PREDICATE ? predicateOf(in.sources[1], l) : boolOf(in.sources[1], l);
            if (condition) taking |= static_cast<std::uint8_t>(1u << l);
          }
          taking &= active_;
        }
        if (!taking) return true;
        call_[calls_++] = {pc + 1, active_};
        active_ = taking;
        ifBase_[calls_] = ifs_;
        *next = p_.labels[label] + 1;
        return true;
      }
      case D3DSIO_RET:
        if (!calls_) return false;  // ret in main ends the program
        active_ = call_[calls_ - 1].saved;
        ifs_ = ifBase_[calls_];
        *next = call_[--calls_].returnTo;
        return true;
      case D3DSIO_LABEL:
        // Running into a label outside a call ends main.
        return calls_ != 0;
      default: return true;
    }
  }

  bool boolOf(const ShaderOperand& op, int) const {
    if (op.type != D3DSPR_CONSTBOOL || op.number >= 16 || !k_.bools) return false;
    return k_.bools[op.number] != 0;
  }
  std::array<int, 4> integerOf(const ShaderOperand& op) const {
    if (op.type != D3DSPR_CONSTINT || op.number >= 16 || !k_.integers) return {0, 0, 0, 0};
    return k_.integers[op.number];
  }
  bool predicateOf(const ShaderOperand& op, int l) const {
    bool value = lane_[l].p0[op.swizzle[0]];
    return op.modifier == 13 ? !value : value;
  }

  const Vec4* registerOf(DWORD type, DWORD number, int l, Vec4* scratch) const {
    LaneRegisters& r = lane_[l];
    auto pick = [&](auto& file) -> const Vec4* {
      if (number >= file.size()) {
        *scratch = {0, 0, 0, 0};
        return scratch;
      }
      return &file[number];
    };
    switch (type) {
      case D3DSPR_TEMP:
      case D3DSPR_TEMPFLOAT16: return pick(r.r);
      case D3DSPR_INPUT: return pick(r.v);
      case D3DSPR_CONST:
        if (number >= k_.floatCount) {
          *scratch = {0, 0, 0, 0};
          return scratch;
        }
        return &k_.floats[number];
      case D3DSPR_ADDR:  // also D3DSPR_TEXTURE
        if (p_.pixel) return pick(r.t);
        *scratch = {static_cast<float>(r.a0[0]), static_cast<float>(r.a0[1]), static_cast<float>(r.a0[2]),
                    static_cast<float>(r.a0[3])};
        return scratch;
      case D3DSPR_CONSTINT: {
        std::array<int, 4> value = number < 16 && k_.integers ? k_.integers[number] : std::array<int, 4>{};
        *scratch = {static_cast<float>(value[0]), static_cast<float>(value[1]), static_cast<float>(value[2]),
                    static_cast<float>(value[3])};
        return scratch;
      }
      case D3DSPR_CONSTBOOL:
        *scratch = splat(number < 16 && k_.bools && k_.bools[number] ? 1.0f : 0.0f);
        return scratch;
      case D3DSPR_LOOP: *scratch = splat(static_cast<float>(loopCounter_)); return scratch;
      case D3DSPR_RASTOUT: return pick(r.rasterOut);
      case D3DSPR_ATTROUT: return pick(r.attributeOut);
      case D3DSPR_TEXCRDOUT: return p_.major >= 3 ? pick(r.out) : pick(r.textureOut);
      case D3DSPR_COLOROUT: return pick(r.colorOut);
      case D3DSPR_MISCTYPE: return pick(r.misc);
      case D3DSPR_PREDICATE:
        *scratch = {r.p0[0] ? 1.0f : 0.0f, r.p0[1] ? 1.0f : 0.0f, r.p0[2] ? 1.0f : 0.0f, r.p0[3] ? 1.0f : 0.0f};
        return scratch;
      default: *scratch = {0, 0, 0, 0}; return scratch;
    }
  }

  // A source operand's value for lane l, with `row` added to its register number (the
  // matrix instructions read consecutive registers).
  [[gnu::always_inline]] Vec4 read(const ShaderOperand& op, int l, int row = 0) const {
    // Fast path: a plain register of the lane, or a constant.
    if (row == 0 && !op.relative && op.modifier != 9 && op.modifier != 10 && op.modifier != 13) {
      const Vec4* direct = nullptr;
      if (op.laneOffset >= 0) {
        direct = reinterpret_cast<const Vec4*>(reinterpret_cast<const char*>(&lane_[l]) + op.laneOffset);
      } else if (op.type == D3DSPR_CONST && op.number < k_.floatCount) {
        direct = &k_.floats[op.number];
      }
      if (direct) {
        const Vec4& v = *direct;
        Vec4 out =
            op.identitySwizzle ? v : Vec4{v[op.swizzle[0]], v[op.swizzle[1]], v[op.swizzle[2]], v[op.swizzle[3]]};
        if (op.modifier != 0) {
          for (float& x : out) x = modify(x, op.modifier);
        }
        return out;
      }
    }
    std::int64_t number = std::int64_t{op.number} + row;
    if (op.relative) {
      if (op.relativeType == D3DSPR_LOOP) {
        number += loopCounter_;
      } else {
        number += lane_[l].a0[op.relativeComponent & 3];
      }
    }
    Vec4 scratch;
    const Vec4* value =
        number < 0 || number > 0xFFFF ? nullptr : registerOf(op.type, static_cast<DWORD>(number), l, &scratch);
    Vec4 raw = value ? *value : Vec4{0, 0, 0, 0};
    Vec4 out{raw[op.swizzle[0]], raw[op.swizzle[1]], raw[op.swizzle[2]], raw[op.swizzle[3]]};
    if (op.modifier != 0 && op.modifier != 9 && op.modifier != 10 && op.modifier != 13) {
      for (float& x : out) x = modify(x, op.modifier);
    }
    return out;
  }

  // Texture coordinates with the _dz / _dw divide of ps_1_4.
  Vec4 readCoordinates(const ShaderOperand& op, int l) const {
    Vec4 c = read(op, l);
    if (op.modifier == 9 && c[2] != 0.0f) c = {c[0] / c[2], c[1] / c[2], c[2], c[3]};
    if (op.modifier == 10 && c[3] != 0.0f) c = {c[0] / c[3], c[1] / c[3], c[2], c[3]};
    return c;
  }

  [[gnu::always_inline]] void write(const ShaderInstruction& in, int l, Vec4 value) {
    if (!(active_ & (1u << l))) return;
    const ShaderOperand& d = in.destination;
    // Fast path: a plain register of the lane, unscaled, unpredicated.
    if (d.laneOffset >= 0 && d.shift == 0 && !d.relative && !in.predicated && !legacyPixel_) {
      Vec4& target = *reinterpret_cast<Vec4*>(reinterpret_cast<char*>(&lane_[l]) + d.laneOffset);
      for (int c = 0; c < 4; ++c) {
        if (d.mask & (1u << c)) {
          float x = value[static_cast<std::size_t>(c)];
          target[static_cast<std::size_t>(c)] = d.saturate ? saturate(x) : x;
        }
      }
      return;
    }
    if (d.shift > 0) {
      for (float& x : value) x *= static_cast<float>(1 << d.shift);
    } else if (d.shift < 0) {
      for (float& x : value) x /= static_cast<float>(1 << -d.shift);
    }
    if (d.saturate) {
      for (float& x : value) x = saturate(x);
    } else if (legacyPixel_) {
      for (float& x : value)
        x = x > -kPixelShader1xMax ? (x < kPixelShader1xMax ? x : kPixelShader1xMax) : -kPixelShader1xMax;
    }
    BYTE mask = d.mask;
    if (in.predicated) {
      for (int c = 0; c < 4; ++c) {
        bool on = lane_[l].p0[in.predicate.swizzle[static_cast<std::size_t>(c)]];
        if (in.predicate.modifier == 13) on = !on;
        if (!on) mask &= static_cast<BYTE>(~(1u << c));
      }
    }
    LaneRegisters& r = lane_[l];
    std::int64_t number = d.number;
    if (d.relative) number += d.relativeType == D3DSPR_LOOP ? loopCounter_ : r.a0[d.relativeComponent & 3];
    auto store = [&](auto& file) {
      if (number < 0 || number >= static_cast<std::int64_t>(file.size())) return;
      Vec4& target = file[static_cast<std::size_t>(number)];
      for (int c = 0; c < 4; ++c) {
        if (mask & (1u << c)) target[static_cast<std::size_t>(c)] = value[static_cast<std::size_t>(c)];
      }
    };
    switch (d.type) {
      case D3DSPR_TEMP:
      case D3DSPR_TEMPFLOAT16: store(r.r); break;
      case D3DSPR_ADDR:
        if (p_.pixel) {
          store(r.t);
        } else {
          for (int c = 0; c < 4; ++c) {
            if (mask & (1u << c))
              r.a0[static_cast<std::size_t>(c)] = roundToNearest(value[static_cast<std::size_t>(c)]);
          }
        }
        break;
      case D3DSPR_RASTOUT: store(r.rasterOut); break;
      case D3DSPR_ATTROUT: store(r.attributeOut); break;
      case D3DSPR_TEXCRDOUT:
        if (p_.major >= 3) {
          store(r.out);
        } else {
          store(r.textureOut);
        }
        break;
      case D3DSPR_COLOROUT: store(r.colorOut); break;
      case D3DSPR_DEPTHOUT:
        if (mask & 1) {
          r.depthOut = value[0];
          r.depthWritten = true;
        }
        break;
      case D3DSPR_PREDICATE:
        for (int c = 0; c < 4; ++c) {
          if (mask & (1u << c)) r.p0[static_cast<std::size_t>(c)] = value[static_cast<std::size_t>(c)] != 0.0f;
        }
        break;
      default: break;
    }
  }

  // Samples `sampler` for every lane with per-lane coordinates.
  void sampleLanes(DWORD sampler, const Vec4* coordinates, LodMode mode, const float* lod, Vec4* results,
                   const Vec4* gradientX = nullptr, const Vec4* gradientY = nullptr) {
    Vec4 ddx{}, ddy{};
    if (gradientX && gradientY) {
      ddx = *gradientX;
      ddy = *gradientY;
    } else if (count_ == 4) {
      for (int c = 0; c < 4; ++c) {
        ddx[c] = coordinates[1][c] - coordinates[0][c];
        ddy[c] = coordinates[2][c] - coordinates[0][c];
      }
    }
    if (!k_.sampling) {
      for (int l = 0; l < count_; ++l) results[l] = {0, 0, 0, 1};
      return;
    }
    k_.sampling->sample(sampler, count_, coordinates, ddx, ddy, mode, lod, results);
  }

  void execute(const ShaderInstruction& in) {
    const auto& s = in.sources;
    switch (in.opcode) {
      case D3DSIO_NOP: return;
      case D3DSIO_MOV:
        for (int l = 0; l < count_; ++l) write(in, l, read(s[0], l));
        return;
      case D3DSIO_MOVA:
        for (int l = 0; l < count_; ++l) write(in, l, read(s[0], l));
        return;
      case D3DSIO_ADD: binary(in, [](float a, float b) { return a + b; }); return;
      case D3DSIO_SUB: binary(in, [](float a, float b) { return a - b; }); return;
      case D3DSIO_MUL: binary(in, [](float a, float b) { return a * b; }); return;
      case D3DSIO_MIN: binary(in, [](float a, float b) { return a < b ? a : b; }); return;
      case D3DSIO_MAX: binary(in, [](float a, float b) { return a >= b ? a : b; }); return;
      case D3DSIO_SLT: binary(in, [](float a, float b) { return a < b ? 1.0f : 0.0f; }); return;
      case D3DSIO_SGE: binary(in, [](float a, float b) { return a >= b ? 1.0f : 0.0f; }); return;
      case D3DSIO_MAD: ternary(in, [](float a, float b, float c) { return a * b + c; }); return;
      case D3DSIO_LRP: ternary(in, [](float a, float b, float c) { return a * b + (1.0f - a) * c; }); return;
      case D3DSIO_CMP: ternary(in, [](float a, float b, float c) { return a >= 0.0f ? b : c; }); return;
      case D3DSIO_CND: ternary(in, [](float a, float b, float c) { return a > 0.5f ? b : c; }); return;
      case D3DSIO_ABS: unary(in, [](float a) { return std::fabs(a); }); return;
      case D3DSIO_FRC: unary(in, [](float a) { return a - shader_arithmetic::floorExact(a); }); return;
      case D3DSIO_SGN: unary(in, [](float a) { return a > 0.0f ? 1.0f : a < 0.0f ? -1.0f : 0.0f; }); return;
      case D3DSIO_RCP: scalar(in, reciprocal); return;
      case D3DSIO_RSQ: scalar(in, reciprocalRoot); return;
      case D3DSIO_LOG: scalar(in, logarithm); return;
      case D3DSIO_EXP: scalar(in, [](float a) { return std::exp2(a); }); return;
      case D3DSIO_EXPP:
        if (p_.major >= 2) {
          scalar(in, [](float a) { return std::exp2(a); });
        } else {
          for (int l = 0; l < count_; ++l) {
            float a = read(s[0], l)[0];
            float whole = std::floor(a);
            write(in, l, {std::exp2(whole), a - whole, std::exp2(a), 1.0f});
          }
        }
        return;
      case D3DSIO_LOGP:
        if (p_.major >= 2) {
          scalar(in, logarithm);
        } else {
          for (int l = 0; l < count_; ++l) {
            float a = std::fabs(read(s[0], l)[0]);
            if (a == 0.0f) {
              write(in, l, {-FLT_MAX, 1.0f, -FLT_MAX, 1.0f});
              continue;
            }
            float exponent = std::floor(std::log2(a));
            write(in, l, {exponent, a / std::exp2(exponent), std::log2(a), 1.0f});
          }
        }
        return;
      case D3DSIO_POW:
        for (int l = 0; l < count_; ++l) {
          write(in, l, splat(std::pow(std::fabs(read(s[0], l)[0]), read(s[1], l)[0])));
        }
        return;
      case D3DSIO_DP3:
        for (int l = 0; l < count_; ++l) write(in, l, splat(dot3(read(s[0], l), read(s[1], l))));
        return;
      case D3DSIO_DP4:
        for (int l = 0; l < count_; ++l) write(in, l, splat(dot4(read(s[0], l), read(s[1], l))));
        return;
      case D3DSIO_DP2ADD:
        for (int l = 0; l < count_; ++l) {
          Vec4 a = read(s[0], l), b = read(s[1], l);
          write(in, l, splat(a[0] * b[0] + a[1] * b[1] + read(s[2], l)[0]));
        }
        return;
      case D3DSIO_M4x4: matrix(in, 4, 4); return;
      case D3DSIO_M4x3: matrix(in, 4, 3); return;
      case D3DSIO_M3x4: matrix(in, 3, 4); return;
      case D3DSIO_M3x3: matrix(in, 3, 3); return;
      case D3DSIO_M3x2: matrix(in, 3, 2); return;
      case D3DSIO_LIT:
        for (int l = 0; l < count_; ++l) {
          Vec4 a = read(s[0], l);
          Vec4 result{1.0f, 0.0f, 0.0f, 1.0f};
          float power = std::clamp(a[3], -127.9961f, 127.9961f);
          if (a[0] > 0.0f) {
            result[1] = a[0];
            if (a[1] > 0.0f) result[2] = std::pow(a[1], power);
          }
          write(in, l, result);
        }
        return;
      case D3DSIO_DST:
        for (int l = 0; l < count_; ++l) {
          Vec4 a = read(s[0], l), b = read(s[1], l);
          write(in, l, {1.0f, a[1] * b[1], a[2], b[3]});
        }
        return;
      case D3DSIO_NRM:
        for (int l = 0; l < count_; ++l) {
          Vec4 a = read(s[0], l);
          float f = dot3(a, a);
          f = f != 0.0f ? 1.0f / std::sqrt(f) : FLT_MAX;
          write(in, l, {a[0] * f, a[1] * f, a[2] * f, a[3] * f});
        }
        return;
      case D3DSIO_CRS:
        for (int l = 0; l < count_; ++l) {
          Vec4 a = read(s[0], l), b = read(s[1], l);
          write(in, l, {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0], 0.0f});
        }
        return;
      case D3DSIO_SINCOS:
        for (int l = 0; l < count_; ++l) {
          float angle = read(s[0], l)[0];
          // The write mask leaves the other components alone.
          write(in, l, {std::cos(angle), std::sin(angle), 0.0f, 0.0f});
        }
        return;
      case D3DSIO_SETP:
        for (int l = 0; l < count_; ++l) {
          Vec4 a = read(s[0], l), b = read(s[1], l);
          Vec4 result;
          for (int c = 0; c < 4; ++c) result[c] = compare(in.controls & 7, a[c], b[c]) ? 1.0f : 0.0f;
          write(in, l, result);
        }
        return;
      case D3DSIO_DSX:
      case D3DSIO_DSY: {
        Vec4 values[kMaxLanes];
        for (int l = 0; l < count_; ++l) values[l] = read(s[0], l);
        int bit = in.opcode == D3DSIO_DSX ? 1 : 2;
        for (int l = 0; l < count_; ++l) {
          Vec4 result{};
          if (count_ == 4) {
            for (int c = 0; c < 4; ++c) result[c] = values[l | bit][c] - values[l & ~bit][c];
          }
          write(in, l, result);
        }
        return;
      }
      case D3DSIO_TEXKILL:
        for (int l = 0; l < count_; ++l) {
          if (!(active_ & (1u << l))) continue;
          Vec4 value;
          if (legacyPixel_ && p_.minor < 4) {
            value = coordinates_[l][in.destination.number & 7];
          } else {
            ShaderOperand asSource = in.destination;
            asSource.swizzle = {0, 1, 2, 3};
            value = read(asSource, l);
          }
          if (value[0] < 0.0f || value[1] < 0.0f || value[2] < 0.0f) lane_[l].killed = true;
        }
        return;
      case D3DSIO_TEX: texture(in); return;
      case D3DSIO_TEXLDL: {
        Vec4 coordinates[kMaxLanes], results[kMaxLanes];
        float lod[kMaxLanes];
        for (int l = 0; l < count_; ++l) {
          coordinates[l] = read(s[0], l);
          lod[l] = coordinates[l][3];
        }
        sampleLanes(s[1].number, coordinates, LodMode::explicitLod, lod, results);
        for (int l = 0; l < count_; ++l) write(in, l, swizzled(results[l], s[1]));
        return;
      }
      case D3DSIO_TEXLDD: {
        Vec4 coordinates[kMaxLanes], results[kMaxLanes];
        float lod[kMaxLanes] = {};
        for (int l = 0; l < count_; ++l) coordinates[l] = read(s[0], l);
        Vec4 ddx = read(s[2], 0), ddy = read(s[3], 0);
        sampleLanes(s[1].number, coordinates, LodMode::gradients, lod, results, &ddx, &ddy);
        for (int l = 0; l < count_; ++l) write(in, l, swizzled(results[l], s[1]));
        return;
      }
      case D3DSIO_TEXCOORD:
        for (int l = 0; l < count_; ++l) {
          if (p_.minor >= 4) {
            write(in, l, readCoordinates(s[0], l));
          } else {
            const Vec4& c = coordinates_[l][in.destination.number & 7];
            write(in, l, {saturate(c[0]), saturate(c[1]), saturate(c[2]), 1.0f});
          }
        }
        return;
      case D3DSIO_BEM:
        for (int l = 0; l < count_; ++l) {
          Vec4 a = read(s[0], l), b = read(s[1], l);
          const std::array<float, 6> m = bump(in.destination.number);
          write(in, l, {a[0] + m[0] * b[0] + m[2] * b[1], a[1] + m[1] * b[0] + m[3] * b[1], a[2], a[3]});
        }
        return;
      case D3DSIO_TEXBEM:
      case D3DSIO_TEXBEML: {
        DWORD stage = in.destination.number & 7;
        const std::array<float, 6> m = bump(stage);
        Vec4 coordinates[kMaxLanes], results[kMaxLanes];
        float lod[kMaxLanes] = {};
        for (int l = 0; l < count_; ++l) {
          Vec4 delta = read(s[0], l);
          const Vec4& c = coordinates_[l][stage];
          coordinates[l] = {c[0] + m[0] * delta[0] + m[2] * delta[1], c[1] + m[1] * delta[0] + m[3] * delta[1], 0, 1};
        }
        sampleLanes(stage, coordinates, LodMode::derivatives, lod, results);
        for (int l = 0; l < count_; ++l) {
          if (in.opcode == D3DSIO_TEXBEML) {
            float luminance = read(s[0], l)[2] * m[4] + m[5];
            luminance = saturate(luminance);
            for (int c = 0; c < 3; ++c) results[l][c] *= luminance;
          }
          write(in, l, results[l]);
        }
        return;
      }
      case D3DSIO_TEXREG2AR:
      case D3DSIO_TEXREG2GB:
      case D3DSIO_TEXREG2RGB: {
        Vec4 coordinates[kMaxLanes], results[kMaxLanes];
        float lod[kMaxLanes] = {};
        for (int l = 0; l < count_; ++l) {
          Vec4 a = read(s[0], l);
          coordinates[l] = in.opcode == D3DSIO_TEXREG2AR   ? Vec4{a[3], a[0], 0, 1}
                           : in.opcode == D3DSIO_TEXREG2GB ? Vec4{a[1], a[2], 0, 1}
                                                           : Vec4{a[0], a[1], a[2], 1};
        }
        sampleLanes(in.destination.number & 7, coordinates, LodMode::derivatives, lod, results);
        for (int l = 0; l < count_; ++l) write(in, l, results[l]);
        return;
      }
      case D3DSIO_TEXM3x2PAD:
      case D3DSIO_TEXM3x3PAD:
        for (int l = 0; l < count_; ++l) {
          pad_[l][padCount_ % 3] = dot3(coordinates_[l][in.destination.number & 7], read(s[0], l));
        }
        ++padCount_;
        return;
      case D3DSIO_TEXDP3TEX:
      case D3DSIO_TEXDP3:
      case D3DSIO_TEXM3x2TEX:
      case D3DSIO_TEXM3x2DEPTH:
      case D3DSIO_TEXM3x3TEX:
      case D3DSIO_TEXM3x3:
      case D3DSIO_TEXM3x3SPEC:
      case D3DSIO_TEXM3x3VSPEC: matrixTexture(in); return;
      case D3DSIO_TEXDEPTH:
        for (int l = 0; l < count_; ++l) {
          if (!(active_ & (1u << l))) continue;
          const Vec4& value = lane_[l].r[in.destination.number & 31];
          lane_[l].depthOut = value[1] != 0.0f ? saturate(value[0] / value[1]) : 1.0f;
          lane_[l].depthWritten = true;
        }
        return;
      default: return;
    }
  }

  std::array<float, 6> bump(DWORD stage) const {
    if (!k_.bumpEnvironment) return {};
    return (*k_.bumpEnvironment)[stage & 7];
  }

  static Vec4 swizzled(const Vec4& value, const ShaderOperand& sampler) {
    return {value[sampler.swizzle[0]], value[sampler.swizzle[1]], value[sampler.swizzle[2]], value[sampler.swizzle[3]]};
  }

  void texture(const ShaderInstruction& in) {
    const auto& s = in.sources;
    Vec4 coordinates[kMaxLanes], results[kMaxLanes];
    float lod[kMaxLanes] = {};
    DWORD sampler = 0;
    LodMode mode = LodMode::derivatives;
    if (p_.major >= 2) {
      sampler = s[1].number;
      for (int l = 0; l < count_; ++l) {
        coordinates[l] = read(s[0], l);
        if ((in.controls & 1) && coordinates[l][3] != 0.0f) {
          float w = coordinates[l][3];
          coordinates[l] = {coordinates[l][0] / w, coordinates[l][1] / w, coordinates[l][2] / w, w};
        }
        if (in.controls & 2) {
          mode = LodMode::bias;
          lod[l] = coordinates[l][3];
        }
      }
      sampleLanes(sampler, coordinates, mode, lod, results);
      for (int l = 0; l < count_; ++l) write(in, l, swizzled(results[l], s[1]));
      return;
    }
    sampler = in.destination.number & 7;
    for (int l = 0; l < count_; ++l) {
      coordinates[l] = p_.minor >= 4 ? readCoordinates(s[0], l) : coordinates_[l][sampler];
    }
    sampleLanes(sampler, coordinates, mode, lod, results);
    for (int l = 0; l < count_; ++l) write(in, l, results[l]);
  }

  void matrixTexture(const ShaderInstruction& in) {
    const auto& s = in.sources;
    DWORD stage = in.destination.number & 7;
    Vec4 coordinates[kMaxLanes], results[kMaxLanes];
    float lod[kMaxLanes] = {};
    bool sample = true;
    for (int l = 0; l < count_; ++l) {
      Vec4 n = read(s[0], l);
      float last = dot3(coordinates_[l][stage], n);
      switch (in.opcode) {
        case D3DSIO_TEXDP3TEX: coordinates[l] = {last, 0, 0, 1}; break;
        case D3DSIO_TEXDP3:
          coordinates[l] = splat(last);
          sample = false;
          break;
        case D3DSIO_TEXM3x2TEX: coordinates[l] = {pad_[l][0], last, 0, 1}; break;
        case D3DSIO_TEXM3x2DEPTH:
          coordinates[l] = {pad_[l][0], last, 0, 1};
          if (active_ & (1u << l)) {
            lane_[l].depthOut = last != 0.0f ? saturate(pad_[l][0] / last) : 1.0f;
            lane_[l].depthWritten = true;
          }
          sample = false;
          break;
        case D3DSIO_TEXM3x3:
          coordinates[l] = {pad_[l][0], pad_[l][1], last, 1};
          sample = false;
          break;
        case D3DSIO_TEXM3x3TEX: coordinates[l] = {pad_[l][0], pad_[l][1], last, 1}; break;
        default: {  // the two reflection forms
          Vec4 normal{pad_[l][0], pad_[l][1], last, 0};
          Vec4 eye = in.opcode == D3DSIO_TEXM3x3SPEC
                         ? read(s[1], l)
                         : Vec4{coordinates_[l][(stage + 6) & 7][3], coordinates_[l][(stage + 7) & 7][3],
                                coordinates_[l][stage][3], 0};
          float nn = dot3(normal, normal);
          float scale = nn != 0.0f ? 2.0f * dot3(normal, eye) / nn : 0.0f;
          coordinates[l] = {normal[0] * scale - eye[0], normal[1] * scale - eye[1], normal[2] * scale - eye[2], 1};
          break;
        }
      }
    }
    padCount_ = 0;
    if (sample) {
      sampleLanes(stage, coordinates, LodMode::derivatives, lod, results);
    } else {
      for (int l = 0; l < count_; ++l) results[l] = coordinates[l];
    }
    if (in.opcode == D3DSIO_TEXM3x2DEPTH) {
      for (int l = 0; l < count_; ++l) results[l] = {0, 0, 0, 0};
    }
    for (int l = 0; l < count_; ++l) write(in, l, results[l]);
  }

  template <typename F>
  [[gnu::always_inline]] void unary(const ShaderInstruction& in, F f) {
    for (int l = 0; l < count_; ++l) {
      Vec4 a = read(in.sources[0], l);
      write(in, l, {f(a[0]), f(a[1]), f(a[2]), f(a[3])});
    }
  }
  template <typename F>
  [[gnu::always_inline]] void scalar(const ShaderInstruction& in, F f) {
    // The scalar instructions read the first swizzled component (their replicate swizzle).
    for (int l = 0; l < count_; ++l) write(in, l, splat(f(read(in.sources[0], l)[0])));
  }
  template <typename F>
  [[gnu::always_inline]] void binary(const ShaderInstruction& in, F f) {
    for (int l = 0; l < count_; ++l) {
      Vec4 a = read(in.sources[0], l), b = read(in.sources[1], l);
      write(in, l, {f(a[0], b[0]), f(a[1], b[1]), f(a[2], b[2]), f(a[3], b[3])});
    }
  }
  template <typename F>
  [[gnu::always_inline]] void ternary(const ShaderInstruction& in, F f) {
    for (int l = 0; l < count_; ++l) {
      Vec4 a = read(in.sources[0], l), b = read(in.sources[1], l), c = read(in.sources[2], l);
      write(in, l, {f(a[0], b[0], c[0]), f(a[1], b[1], c[1]), f(a[2], b[2], c[2]), f(a[3], b[3], c[3])});
    }
  }
  void matrix(const ShaderInstruction& in, int columns, int rows) {
    for (int l = 0; l < count_; ++l) {
      Vec4 a = read(in.sources[0], l);
      Vec4 result{};
      for (int row = 0; row < rows; ++row) {
        Vec4 m = read(in.sources[1], l, row);
        result[static_cast<std::size_t>(row)] = columns == 4 ? dot4(a, m) : dot3(a, m);
      }
      write(in, l, result);
    }
  }

  const ShaderProgram& p_;
  const ShaderConstants& k_;
  LaneRegisters* lane_;
  int count_;
  std::uint8_t all_ = 0;
  std::uint8_t active_ = 0;
  bool legacyPixel_ = false;
  int loopCounter_ = 0;
  std::array<IfFrame, kMaxIfDepth> if_;
  int ifs_ = 0;
  std::array<LoopFrame, kMaxLoopDepth> loop_;
  int loops_ = 0;
  std::array<CallFrame, kMaxCallDepth> call_;
  std::array<int, kMaxCallDepth + 1> ifBase_;
  int calls_ = 0;
  std::array<std::array<Vec4, 8>, kMaxLanes> coordinates_;
  std::array<std::array<float, 3>, kMaxLanes> pad_;
  int padCount_ = 0;
};

}  // namespace

void ShaderMachine::run(LaneRegisters* registers, int lanes) {
  Runner(program_, constants_, registers, std::clamp(lanes, 1, kMaxLanes)).run();
}

namespace {

// Byte offset of a per-lane register file entry, or -1.
int offsetOf(const ShaderProgram& p, DWORD type, DWORD number) {
  auto in = [&](std::size_t base, std::size_t count) {
    return number < count ? static_cast<int>(base + number * sizeof(Vec4)) : -1;
  };
  switch (type) {
    case D3DSPR_TEMP: return in(offsetof(LaneRegisters, r), 32);
    case D3DSPR_INPUT: return in(offsetof(LaneRegisters, v), 16);
    case D3DSPR_ADDR: return p.pixel ? in(offsetof(LaneRegisters, t), 8) : -1;
    case D3DSPR_RASTOUT: return in(offsetof(LaneRegisters, rasterOut), 3);
    case D3DSPR_ATTROUT: return in(offsetof(LaneRegisters, attributeOut), 2);
    case D3DSPR_TEXCRDOUT:
      return p.major >= 3 ? in(offsetof(LaneRegisters, out), 12) : in(offsetof(LaneRegisters, textureOut), 8);
    case D3DSPR_COLOROUT: return in(offsetof(LaneRegisters, colorOut), 4);
    case D3DSPR_MISCTYPE: return in(offsetof(LaneRegisters, misc), 2);
    default: return -1;
  }
}

void bindOperand(const ShaderProgram& p, ShaderOperand* op) {
  op->laneOffset = op->relative ? -1 : offsetOf(p, op->type, op->number);
  op->identitySwizzle = op->swizzle[0] == 0 && op->swizzle[1] == 1 && op->swizzle[2] == 2 && op->swizzle[3] == 3;
}

}  // namespace

void bindRegisterOffsets(ShaderProgram* program) {
  for (ShaderInstruction& in : program->code) {
    if (in.hasDestination) bindOperand(*program, &in.destination);
    for (int i = 0; i < in.sourceCount; ++i) bindOperand(*program, &in.sources[static_cast<std::size_t>(i)]);
  }
}

void mergeFloatConstants(const ShaderProgram& program, const Vec4* api, std::uint32_t count, Vec4* merged) {
  std::copy(api, api + count, merged);
  for (const auto& [index, values] : program.floatDefinitions) {
    if (index < count) merged[index] = values;
  }
}

void mergeIntegerConstants(const ShaderProgram& program, const std::array<int, 4>* api, std::array<int, 4>* merged) {
  std::copy(api, api + 16, merged);
  for (const auto& [index, values] : program.integerDefinitions) {
    if (index < 16) merged[index] = values;
  }
}

void mergeBoolConstants(const ShaderProgram& program, const BOOL* api, BOOL* merged) {
  std::copy(api, api + 16, merged);
  for (const auto& [index, value] : program.boolDefinitions) {
    if (index < 16) merged[index] = value;
  }
}

}  // namespace platform::d3d9
