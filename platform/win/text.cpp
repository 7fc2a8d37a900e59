#include "platform/win/text.h"

#include <strings.h>
#include <cstring>

int lstrlenA(LPCSTR text) { return text == nullptr ? 0 : static_cast<int>(std::strlen(text)); }

LPSTR lstrcpyA(LPSTR destination, LPCSTR source) {
  if (destination == nullptr || source == nullptr) return nullptr;
  return std::strcpy(destination, source);
}

LPSTR lstrcpynA(LPSTR destination, LPCSTR source, int maxLength) {
  if (destination == nullptr || source == nullptr) return nullptr;
  if (maxLength <= 0) return destination;
  int copied = 0;
  while (copied < maxLength - 1 && source[copied] != '\0') {
    destination[copied] = source[copied];
    ++copied;
  }
  destination[copied] = '\0';
  return destination;
}

LPSTR lstrcatA(LPSTR destination, LPCSTR source) {
  if (destination == nullptr || source == nullptr) return nullptr;
  return std::strcat(destination, source);
}

int lstrcmpA(LPCSTR first, LPCSTR second) {
  return std::strcmp(first == nullptr ? "" : first, second == nullptr ? "" : second);
}

int lstrcmpiA(LPCSTR first, LPCSTR second) {
  return ::strcasecmp(first == nullptr ? "" : first, second == nullptr ? "" : second);
}
