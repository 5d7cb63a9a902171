// Quilbrand for Linux: the tracker on a 75 ms timer, the camera view, the
// eyes window, the options window, the tray icon and its menu, around the
// portable core. Its desktop moves the pointer (XTest on X11, a uinput device
// on Wayland) and shows the program's own windows through Qt.
#pragma once

#include <QImage>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "app_layer/lifetime.h"
#include "app_layer/texts.h"
#include "linux/app/camera_view.h"
#include "linux/app/dwell_ring.h"
#include "linux/app/eyes_window.h"
#include "linux/app/options_window.h"
#include "linux/app/pointing_window.h"
#include "linux/app/prompt_window.h"
#include "linux/app/tray_menu.h"
#include "linux/camera/frame_source.h"
#include "linux/desktop/click_sounds.h"
#include "linux/desktop/pointer_device.h"
#include "linux/keyboard/keyboard_panel.h"
#include "tracker/camera_watch.h"
#include "tracker/desktop.h"
#include "tracker/frame_report.h"
#include "tracker/tracker_state.h"

namespace quil::lnx {

inline constexpr int kFramePeriodMs = 75;
// The handles the core names the program's windows by.
inline constexpr WindowHandle kViewHandle = 1;
inline constexpr WindowHandle kCaptureHandle = 2;
inline constexpr WindowHandle kEyesHandle = 3;
// The engine a new user (no options file yet) starts with; the file is
// written with it at that first start. ClassicEngine turns this off.
inline constexpr EngineId kNewUserEngine = PreciseEngine;

// Where the program keeps and finds its files.
struct Places {
    std::filesystem::path optionsFile;    // $XDG_CONFIG_HOME/quilbrand/options.cfg
    std::filesystem::path landmarkModel;  // empty: the classic engine only
    // The 68-point model beside the program, else Debian's libdlib-data,
    // else ours; empty: the precise engine reads the 5-point model alone.
    std::filesystem::path fullLandmarkModel;
    std::filesystem::path manual;           // manual.pdf
    std::filesystem::path autostartEntry;   // $XDG_CONFIG_HOME/autostart/quilbrand.desktop
    std::filesystem::path pointingResults;  // beside the options file
    // The keyboard's word list beside the program or in the shared folder
    // (empty: no suggestions), and the words learnt from the user.
    std::filesystem::path wordList;
    std::filesystem::path userWords;  // $XDG_CONFIG_HOME/quilbrand/palabras.txt
};
[[nodiscard]] Places findPlaces();

class App;

// The tracker's desktop: the pointer and button, and this program's windows.
class LinuxDesktop final : public Desktop {
public:
    LinuxDesktop(App& app, PointerDevice& pointer) : app_(app), pointer_(pointer) {}

    ScreenPoint cursorPos() override { return pointer_.position(); }
    void setCursorPos(int32_t x, int32_t y) override { pointer_.moveTo(x, y); }
    void leftButtonDown() override { pointer_.leftButton(true); }
    void leftButtonUp() override { pointer_.leftButton(false); }
    void showCameraView() override;
    void hideCameraView() override;
    void placeCameraView(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void holdPointerOnCameraView() override {}
    void releasePointer() override {}
    void startEyesWindow() override;
    void closeEyesWindow(WindowHandle eyesWindow) override;
    // The on-screen keyboard is a window of this program, driven directly;
    // without one (no XTest to type with) these do nothing, and the
    // tracker, never greeted, never addresses a keyboard.
    void showKeyboard(WindowHandle keyboard) override;
    void hideKeyboard(WindowHandle keyboard) override;
    void pressKeyboardKey(WindowHandle keyboard) override;
    void tellKeyboardClickOutside(WindowHandle keyboard) override;
    void tellKeyboardPointerOver(WindowHandle keyboard) override;
    void tellKeyboardPointerLeft(WindowHandle keyboard) override;
    void tellKeyboardDwell(WindowHandle keyboard, int32_t thousandths) override;
    void tellKeyboardSuggestions(WindowHandle keyboard, bool shown) override;
    void closeKeyboard(WindowHandle keyboard) override;
    void showGesturePrompt(GesturePrompt prompt) override;
    void launchKeyboard() override;
    void scrollWheel(int32_t vertical, int32_t horizontal) override {
        pointer_.wheel(vertical, horizontal);
    }
    void showHeadMode(HeadMode mode) override;
    void showDwellRing(ScreenPoint centre, int32_t thousandths) override;
    void playClickSound(ClickSound sound) override;
    // windowRefusesInput keeps the default's false: X has no rights between
    // one user's programs, every window takes our input.
    // The monitors as RandR reports them, in one rectangle.
    ScreenRect allScreensRect() override;

private:
    App& app_;
    PointerDevice& pointer_;
};

// The program; the operating system's half of its start and end is the
// ProgramShell it is.
class App final : private ProgramShell {
public:
    App(std::unique_ptr<PointerDevice> pointer, std::unique_ptr<FrameSource> camera, Places places);
    App(const App&) = delete;
    App& operator=(const App&) = delete;
    ~App() override;

    // Start-up as far as the first frame; the exit code when it cannot go on
    // (after its warning), or -1 when the program runs.
    int start();
    // Called after each frame the tracker saw (the test build's scene looks).
    std::function<void(const TrackerState&, const FrameReport&)> afterFrame;

    TrackerState& state() { return state_; }
    CameraView& view() { return view_; }
    // The on-screen keyboard, if this desktop lets it type.
    KeyboardPanel* keyboard() { return keyboard_.get(); }
    void openEyes();
    void closeEyes();
    // The gesture check's prompt over the camera view; None hides it.
    void showPrompt(GesturePrompt prompt);
    // The corner view's notice and the tray icon for the head's mode.
    void showHeadMode(HeadMode mode);
    DwellRing& dwellRing() { return ring_; }
    void playClickSound(ClickSound sound);

private:
    // The tray's "Options" and a click on the camera view: only while the
    // user can aim (not in the large view) and not twice.
    void openOptions();
    // The tray's "Pointing test": a new test over the whole X screen, the
    // pointer's range.
    void openPointingTest();
    void tick();
    // The frame timer's period: the camera's rate for the precise engine,
    // the tick for the classic one and for a scripted scene.
    [[nodiscard]] int timerPeriodMs() const;
    void buildTray();
    void onShellCommand(TrayCommand command);
    void exitProgram();
    void teardown();
    // ProgramShell: the program's start and end, as app_layer/lifetime.h
    // runs them.
    bool createWindows() override;
    CameraStart openCamera() override;
    void warn(const char* text) override;
    void showView() override;
    void startFrames() override;
    void stopFrames() override;
    void stopCamera() override;
    void closeWindows() override;
    void removeTrayIcon() override;
    void endMessageLoop() override;

    std::unique_ptr<PointerDevice> pointer_;
    std::unique_ptr<FrameSource> camera_;
    // The keyboard types through the sink: the sink goes last.
    std::unique_ptr<KeySink> keySink_;
    std::unique_ptr<KeyboardPanel> keyboard_;
    Places places_;
    TrackerState state_;
    LinuxDesktop desktop_;
    CameraView view_;
    std::unique_ptr<EyesWindow> eyes_;
    QImage eyesOpen_;
    QImage eyesClosed_;
    QImage mouthOpen_;
    std::unique_ptr<PromptWindow> prompt_;
    OptionsWindow options_;
    PointingWindow pointing_;
    DwellRing ring_;
    ClickSoundPlayer sounds_;
    QSystemTrayIcon tray_;
    QIcon trayIcon_;
    QIcon pausedIcon_;
    QMenu menu_;
    std::unique_ptr<TrayMenu> trayMenu_;
    QTimer timer_;
    CameraWatch watch_;
    std::vector<uint8_t> frame_;
    Lifetime lifetime_;
};

}  // namespace quil::lnx
