// The process-wide routine table and its one-time set-up.
//
// Every slot starts at a first-call stub. The first call of any routine runs the set-up, which
// fills the whole table with the variants suited to the processor and the registry switches
// "DisablePSGP" / "DisablePrismPSGP" (REG_DWORD under HKEY_LOCAL_MACHINE
// "Software\Orvance\Direct3D"; the second replaces the first when present): 1 keeps the
// portable and x87-tuned routines, 2 rules out the 3DNow! set. The set-up is not guarded
// against concurrent first calls: the library is used from one thread.
#pragma once

#include <cstdint>

#include "math/routine_table.h"

// The dispatch state word: which set the table holds.
enum class MathSet : std::uint32_t {
  PortableAndX87 = 0,
  Amd3dNow = 1,
  Sse2 = 2,
  Sse = 3,
};
inline constexpr std::uint32_t kMathDispatchNotSetUp = 0xFFFF;

extern MathRoutineTable mathRoutineTable;

// Runs the set-up unless it has run; returns the state word (kMathDispatchNotSetUp before it).
std::uint32_t setUpMathDispatch();
std::uint32_t mathDispatchState();

// Whether this build contains the set at all (the 3DNow! set needs compiler support).
bool mathSetBuilt(MathSet set);
// Whether this processor can run the set's code.
bool mathSetRunnable(MathSet set);

// Test and benchmark hooks. selectMathSetForTesting fills the table as the set-up would for
// that set, whatever the processor (the 3DNow! set with every layer); the caller makes sure
// the processor can run it. resetMathDispatchForTesting puts the stubs back so that the next
// call runs the set-up again.
void selectMathSetForTesting(MathSet set);
void resetMathDispatchForTesting();
