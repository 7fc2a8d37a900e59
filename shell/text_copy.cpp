#include "shell/text_copy.h"

#include <cstring>

HRESULT copyTextBounded(char* destination, const char* source, int capacity) {
  if (destination == nullptr || source == nullptr || capacity < 1) return E_INVALIDARG;
  std::strncpy(destination, source, static_cast<std::size_t>(capacity));
  destination[capacity - 1] = '\0';
  return S_OK;
}
