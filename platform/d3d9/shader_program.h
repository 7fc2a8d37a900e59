// A validated shader token stream decoded once into a flat list of instructions with their
// operands unpacked, flow-control jumps resolved, and declarations and definitions gathered.
// The interpreters run this form; nothing reads tokens while drawing.
#pragma once

#include <array>
#include <vector>

#include "platform/d3d9/shader_tokens.h"

namespace platform::d3d9 {

struct ShaderOperand {
  DWORD type = 0;  // D3DSPR_*
  DWORD number = 0;
  std::array<BYTE, 4> swizzle{0, 1, 2, 3};
  BYTE mask = 0xF;    // destination components, bit 0 = x
  BYTE modifier = 0;  // source modifier code 0-13
  bool saturate = false;
  bool partialPrecision = false;
  int shift = 0;  // result scale, 1 = x2, -1 = d2
  bool relative = false;
  DWORD relativeType = D3DSPR_ADDR;  // a0 or aL
  BYTE relativeComponent = 0;
  // Filled when the program is bound to the interpreter (bindRegisterOffsets): the byte offset
  // of a plain per-lane register, -1 for anything that needs the general path.
  int laneOffset = -1;
  bool identitySwizzle = false;
};

struct ShaderInstruction {
  DWORD opcode = D3DSIO_NOP;
  DWORD controls = 0;  // comparison or texld flags
  bool predicated = false;
  bool coissue = false;
  BYTE sourceCount = 0;
  bool hasDestination = false;
  ShaderOperand destination;
  ShaderOperand predicate;
  std::array<ShaderOperand, 4> sources;
  int target = -1;  // else/endif/loop end: the matching instruction's index
};

struct ShaderDeclaration {
  DWORD type = 0;
  DWORD number = 0;
  DWORD usage = 0;
  DWORD usageIndex = 0;
  DWORD textureType = 0;
  BYTE mask = 0xF;
};

struct ShaderProgram {
  bool pixel = false;
  DWORD major = 0;
  DWORD minor = 0;
  std::vector<ShaderInstruction> code;
  std::vector<ShaderDeclaration> declarations;
  std::vector<std::pair<DWORD, std::array<float, 4>>> floatDefinitions;
  std::vector<std::pair<DWORD, std::array<int, 4>>> integerDefinitions;
  std::vector<std::pair<DWORD, BOOL>> boolDefinitions;
  std::vector<int> labels;  // label number -> index of its instruction, -1 when absent
  // Where main ends (the first ret or label at top level, or the end of the code).
  int mainEnd = 0;

  DWORD version() const { return (major << 8) | minor; }
  bool atLeast(DWORD wantedMajor, DWORD wantedMinor) const {
    return major > wantedMajor || (major == wantedMajor && minor >= wantedMinor);
  }
};

// False for a stream that does not decode (the device validates streams before this runs, so
// a false here is a defect, and the draw is refused).
bool decodeShaderProgram(const std::vector<DWORD>& tokens, ShaderProgram* program);

}  // namespace platform::d3d9
