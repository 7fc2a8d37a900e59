#pragma once

#include "platform/win/result_codes.h"

// Copies at most `capacity` characters of `source` into `destination`, pads a shorter text
// with terminators, and always leaves a terminator at `capacity` - 1. E_INVALIDARG for a null
// pointer or a capacity below 1.
HRESULT copyTextBounded(char* destination, const char* source, int capacity);
