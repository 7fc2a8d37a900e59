// Everything the program uses of the platform's Windows services, in one include.
#pragma once

#include "platform/win/files.h"
#include "platform/win/modules.h"
#include "platform/win/processor.h"
#include "platform/win/registry.h"
#include "platform/win/result_codes.h"
#include "platform/win/text.h"
#include "platform/win/time.h"
#include "platform/win/types.h"
