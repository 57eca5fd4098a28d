// Platform-internal: what the Win32 modules share about the one window.
#pragma once
// Include after the interface headers, whose message constants windows.h would turn into numbers.
#include <windows.h>

// The main window and its own device context (the class has CS_OWNDC); null when there is none.
HWND Win32Window();
HDC Win32GLDC();
