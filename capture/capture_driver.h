// The two calls through which the program reaches the capture platform. The
// shipped program links the Video for Windows versions (vfw_driver.cpp); the
// test build links a stand-in driver instead, so that everything above these
// two calls runs unchanged in the tests.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace quil::win {

// capCreateCaptureWindowA.
HWND createCaptureWindow(const char* name, DWORD style, int x, int y, int width, int height,
                         HWND parent, int id);

// capGetDriverDescriptionA: whether driver `index` exists; fills the buffers.
bool driverDescription(int index, char* name, int nameSize, char* version, int versionSize);

}  // namespace quil::win
