// The Windows headers as every source of the shell sees them. They define
// CreateFont, DrawText, DrawState and LoadBitmap as macros, which would
// rename the framework's virtual operations of the same names; those four
// are undefined here, so call the "A" functions by their full names.
#pragma once

#include <windows.h>

#undef CreateFont
#undef DrawText
#undef DrawState
#undef LoadBitmap
