// The one way Win32 files include <windows.h>: it drops the macros that collide with the game's
// names.
#pragma once

#include <windows.h>

#include <mmsystem.h>

// <windows.h> maps these to their A/W variants; the game has routines of the same names.
#undef DrawText
#undef PlaySound
#undef LoadImage
#undef CreateFont
#undef GetObject
#undef CreateWindow
#undef MessageBox
#undef SendMessage
#undef PostMessage
#undef min
#undef max
