// Start-up of Quilbrand2: the window classes, then the start both platforms
// share (app_layer/lifetime.h) with this program's steps, then the message
// loop.
#include <algorithm>
#include <filesystem>
#include <string>

#include "app_layer/lifetime.h"
#include "eyes_window/eyes_window.h"
#include "options/window/options_window.h"
#include "shell/app.h"
#include "shell/main_window.h"
#include "shell/win32_shell.h"
#include "tracker/engines.h"

namespace quil::win {

namespace {

bool registerClasses(HINSTANCE instance) {
    WNDCLASSA main{};
    main.lpfnWndProc = mainWindowProc;
    main.hInstance = instance;
    main.hIcon = LoadIconA(instance, kIconName);
    main.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    main.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    main.lpszClassName = kMainClassName;
    if (RegisterClassA(&main) == 0) return false;

    WNDCLASSEXA options{};
    options.cbSize = sizeof(options);
    options.lpfnWndProc = optionsWindowProc;
    options.hInstance = instance;
    options.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    options.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    options.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    options.hbrBackground = GetSysColorBrush(COLOR_BACKGROUND);
    options.lpszClassName = kOptionsClassName;
    if (RegisterClassExA(&options) == 0) return false;

    WNDCLASSA eyes{};
    eyes.lpfnWndProc = eyesWindowProc;
    eyes.hInstance = instance;
    eyes.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    eyes.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    eyes.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    eyes.lpszClassName = kEyesClassName;
    return RegisterClassA(&eyes) != 0;
}

// The folder the program runs from, where its landmark model lies. Wide, so
// that a folder whose name the ANSI code page cannot spell is found too.
std::filesystem::path programFolder() {
    // The longest path Windows gives a module.
    constexpr DWORD kLongestPath = 32768;
    std::wstring name;
    DWORD size = MAX_PATH;
    for (;;) {
        name.resize(size);
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), size);
        if (length == 0) return {};
        if (length < size) {
            name.resize(length);
            return std::filesystem::path(name).parent_path();
        }
        // Cut short: try again with more room.
        if (size >= kLongestPath) return {};
        size = std::min(size * 2, kLongestPath);
    }
}

// What the start needs to know: the screen, the options file (a missing one
// means classic: the installer writes a new user's file), and the precise
// engine's models beside the program. Without them the classic engine runs,
// and the user is not bothered; the 68-point model is optional.
StartFacts startFacts(const App& app) {
    StartFacts facts;
    facts.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    facts.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    facts.optionsFile = app.optionsFile;
    facts.newUserEngine = ClassicEngine;
    const std::filesystem::path folder = programFolder();
    if (!folder.empty()) {
        facts.landmarkModel = folder / kLandmarkModelFile;
        facts.fullLandmarkModel = folder / kFullLandmarkModelFile;
    }
    return facts;
}

int messageLoop() {
    MSG message{};
    BOOL got = 0;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) return 0;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int runQuilbrand(HINSTANCE instance) {
    // Lives until the process ends: the eyes, options and About threads may
    // still reach it while the process exits.
    static App app(instance);
    if (!registerClasses(instance)) return 0;
    // The order is both platforms' (app_layer/lifetime.h); a camera warning
    // has ended the program already.
    Win32Shell shell(app);
    if (!app.lifetime.startProgram(app.state, app.desktop, shell, startFacts(app))) return 0;
    return messageLoop();
}

}  // namespace quil::win
