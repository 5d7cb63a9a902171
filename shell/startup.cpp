// Start-up of Quilbrand2, step by step in a fixed order, then the message
// loop.
#include "tracker/startup.h"

#include <algorithm>
#include <filesystem>
#include <string>

#include "capture/capture.h"
#include "eyes_window/eyes_window.h"
#include "options/options_file.h"
#include "options/window/options_window.h"
#include "shell/app.h"
#include "shell/main_window.h"
#include "tracker/engines.h"
#include "tracker/views.h"
#include "win32_common/handles.h"

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

// A start-up failure: tell the user, and leave no dead icon in the tray.
int failStartup(App& app, const char* text) {
    MessageBoxA(toHwnd(app.state.session.mainWindow), text, kWarningCaption, MB_OK);
    removeTrayIcon(app);
    return 0;
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

// The precise engine, when its model lies beside the program; without it the
// classic engine runs, and the user is not bothered. Its 68-point model, a
// separate file, is optional: without it the engine reads the face from the
// 5-point model alone. A user who chose the precise engine starts in it
// rather than switching at the first frame.
void loadEngines(TrackerState& s) {
    const std::filesystem::path folder = programFolder();
    if (!folder.empty() && loadPreciseEngine(s, folder / kLandmarkModelFile)) {
        loadFullLandmarkModel(s, folder / kFullLandmarkModelFile);
    }
    s.engine = wantedEngine(s);
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
    TrackerState& s = app.state;
    Win32Desktop& desktop = app.desktop;

    if (!registerClasses(instance)) return 0;

    beginStartup(s, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    loadOptions(s);

    chooseLargeView(s, desktop);
    const HWND main =
        CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kMainClassName, kMainTitle,
                        WS_POPUP | WS_BORDER, s.view.viewX, s.view.viewY, s.view.viewWidth,
                        s.view.viewHeight, nullptr, nullptr, instance, &app);
    if (main == nullptr) return 0;
    s.session.mainWindow = fromHwnd(main);
    createCaptureView(s);

    if (!connectFirstDriver(s)) return failStartup(app, kNoCameraText);

    ShowWindow(main, SW_SHOWNORMAL);
    UpdateWindow(main);
    configureCapture(s, desktop);
    if (!ensureVideoFormat(s)) return failStartup(app, kNoFormatText);
    SetActiveWindow(toHwnd(s.session.captureWindow));

    desktop.eyesPictures = {LoadBitmapA(instance, kEyesOpenName),
                            LoadBitmapA(instance, kEyesClosedName)};
    desktop.prompt.pictures = {desktop.eyesPictures.closed, LoadBitmapA(instance, kMouthOpenName)};
    finishStartup(s);
    loadEngines(s);
    startFrameTimer(s);

    return messageLoop();
}

}  // namespace quil::win
