// The platform's 8-bit string routines. Null arguments are tolerated as the platform does:
// lengths of null are 0 and copies from or to null do nothing.
#pragma once

#include "platform/win/types.h"

int lstrlenA(LPCSTR text);
LPSTR lstrcpyA(LPSTR destination, LPCSTR source);
// Copies at most maxLength - 1 characters and always terminates when maxLength > 0.
LPSTR lstrcpynA(LPSTR destination, LPCSTR source, int maxLength);
LPSTR lstrcatA(LPSTR destination, LPCSTR source);
int lstrcmpA(LPCSTR first, LPCSTR second);
int lstrcmpiA(LPCSTR first, LPCSTR second);
