// The program's one application object.
#include "App.h"

CApp theApp;
