// The capture platform of the shipped program: Video for Windows.
#include "capture/capture_driver.h"
// vfw.h needs windows.h before it.
#include <vfw.h>

namespace quil::win {

HWND createCaptureWindow(const char* name, DWORD style, int x, int y, int width, int height,
                         HWND parent, int id) {
    return capCreateCaptureWindowA(name, style, x, y, width, height, parent, id);
}

bool driverDescription(int index, char* name, int nameSize, char* version, int versionSize) {
    return capGetDriverDescriptionA(static_cast<UINT>(index), name, nameSize, version,
                                    versionSize) != FALSE;
}

}  // namespace quil::win
