// Finding the program's media files: the name as given, the bare file name in the current
// directory, then the bare file name in the media folder named by the registry.
#pragma once

#include "platform/win/result_codes.h"

// The registry's "SDK Samples Path" under HKEY_LOCAL_MACHINE "Software\Orvance\Graphics SDK"
// followed by "\Media\". E_FAIL when the key or value cannot be read, E_INVALIDARG when the
// result does not fit `capacity` characters with its terminator.
HRESULT mediaFolderFromRegistry(char* destination, int capacity);

// On success `destination` holds a path that opened for reading. When the file is nowhere,
// `destination` holds the name as given and the result is ResultFileNotFound (0x80070002);
// without a readable media folder the result is that failure (E_FAIL).
HRESULT findMediaFile(char* destination, int capacity, const char* fileName);
