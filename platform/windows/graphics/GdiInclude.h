// The Windows headers for the drawing classes (see appkit/Win32.h).
#pragma once

#include "appkit/Win32.h"
