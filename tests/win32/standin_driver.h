// The stand-in capture driver of the test build (standin_driver.cpp).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace quil::win {

// The window the capture view was created in: Quilbrand2's main window.
HWND standInParent();

}  // namespace quil::win
