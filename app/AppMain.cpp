// The program's one application object and its entry point.
#include "App.h"

CApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int cmdShow)
{
    return AppWinMain(instance, cmdShow);
}
