// Program entry of Quilbrand2.
#include "shell/app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    // ExitProcess stops the eyes, options and About threads before anything
    // the program owns is released.
    ExitProcess(static_cast<UINT>(quil::win::runQuilbrand(instance)));
}
