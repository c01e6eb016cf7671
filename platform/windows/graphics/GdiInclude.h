// The Windows headers for the drawing classes. They define CreateFont,
// DrawText and LoadBitmap as macros, which would rename the framework's
// virtual operations of the same names; the classes here call the "A"
// functions by their full names instead.
#pragma once

#include <windows.h>

#undef CreateFont
#undef DrawText
#undef LoadBitmap
