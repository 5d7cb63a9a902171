// The one seam between the tracker and the desktop it drives.
//
// Everything the tracker does outside its own memory (pointer, left button,
// the camera view, the eyes window, the on-screen keyboard program) goes
// through this interface, in the tracker's own terms; window messages and
// show modes are the implementations' business. The Win32 layer, the simulator and the
// recording fake of the tests implement it; the tracker core includes no OS
// header.
//
// Contract, for every method unless it says otherwise:
// - Called on the tracker's thread (the main window's thread on Windows),
//   from inside one frame step or from the main window's message handler.
// - Returns quickly; nothing here waits on the camera. The calls that cross
//   to another thread (closeEyesWindow, the keyboard calls) block until that
//   thread has handled the message, as the platform's synchronous send does.
// - Failures are not reported: the tracker never examines a result of these
//   calls except the pointer position it reads.
// - A window handle of 0 names no window; calls on it are harmless no-ops.
#pragma once

#include <cstdint>

namespace quil {

using WindowHandle = std::uintptr_t;

// What the eyes window asks of the user during the gesture check: to close
// the eyes and hold them shut, then to open the mouth wide and hold it, then
// that the check is over (its levels taken, or not: the user did not close
// the eyes or open the mouth far enough), and None to close it.
enum class GesturePrompt : int32_t { None, CloseEyes, OpenMouth, Done, Failed };

struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

struct ScreenRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// What the head does now: point (the usual), scroll the window under the
// pointer, or nothing at all while the user has paused the tracker. The
// corner view and the tray icon show it.
enum class HeadMode : int32_t { Pointing, Scrolling, Paused };

// The short sounds of the clicks, when the user chose to hear them.
enum class ClickSound : int32_t { Click, Press, Release };

// Notices the corner view shows once, in the warnings' language.
enum class DesktopNotice : int32_t {
    // The window under the pointer belongs to a program with higher rights,
    // which ignores our input.
    RefusedWindow,
};

class Desktop {
public:
    Desktop() = default;
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;
    virtual ~Desktop() = default;

    // The pointer's screen position.
    virtual ScreenPoint cursorPos() = 0;
    virtual void setCursorPos(int32_t x, int32_t y) = 0;
    // The left button, pressed or released at the pointer's current position.
    virtual void leftButtonDown() = 0;
    virtual void leftButtonUp() = 0;

    // The camera view: the main window with the picture inside it.
    virtual void showCameraView() = 0;
    virtual void hideCameraView() = 0;
    // Moves the view, repainted, with the picture filling it.
    virtual void placeCameraView(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    // The view takes the mouse while the pointer rests on it, and lets it go.
    virtual void holdPointerOnCameraView() = 0;
    virtual void releasePointer() = 0;

    // Starts the eyes window on a thread of its own; the thread stores the
    // window's handle in the tracker state itself. Does not wait for it.
    virtual void startEyesWindow() = 0;
    // Closes the eyes window and returns once its thread has handled that.
    virtual void closeEyesWindow(WindowHandle eyesWindow) = 0;
    // The gesture check's prompt, shown in the eyes window's place over the
    // camera view; None takes it away. Called once per change.
    virtual void showGesturePrompt(GesturePrompt prompt) = 0;

    // The on-screen keyboard program, once it has announced its window.
    virtual void showKeyboard(WindowHandle keyboard) = 0;
    virtual void hideKeyboard(WindowHandle keyboard) = 0;
    // A click gesture over the keyboard: it types the key under the pointer.
    virtual void pressKeyboardKey(WindowHandle keyboard) = 0;
    // A click gesture elsewhere, made while the keyboard is known.
    virtual void tellKeyboardClickOutside(WindowHandle keyboard) = 0;
    // The pointer entered or left the keyboard's rectangle.
    virtual void tellKeyboardPointerOver(WindowHandle keyboard) = 0;
    virtual void tellKeyboardPointerLeft(WindowHandle keyboard) = 0;
    // Ends the keyboard program, at teardown.
    virtual void closeKeyboard(WindowHandle keyboard) = 0;
    // Starts the keyboard program; the result is not examined. The program
    // announces its window later.
    virtual void launchKeyboard() = 0;

    // The hands-free extras. A desktop without one ignores it, so each
    // default does nothing.
    //
    // Turns the wheel over the window under the pointer, in 120ths of a
    // notch: positive vertical scrolls up (the page moves down), positive
    // horizontal scrolls right.
    virtual void scrollWheel(int32_t vertical, int32_t horizontal) {
        (void)vertical;
        (void)horizontal;
    }
    // The head's mode changed; called once per change.
    virtual void showHeadMode(HeadMode mode) { (void)mode; }
    // The ring around the pointer that fills as a dwell click or a held
    // gesture approaches: thousandths filled, 1..1000; 0 takes it away.
    virtual void showDwellRing(ScreenPoint centre, int32_t thousandths) {
        (void)centre;
        (void)thousandths;
    }
    // The same progress told to the on-screen keyboard while the pointer is
    // over it, so that the key about to be typed fills up; 0 when the
    // dwell stops or the pointer leaves it.
    virtual void tellKeyboardDwell(WindowHandle keyboard, int32_t thousandths) {
        (void)keyboard;
        (void)thousandths;
    }
    // The word suggestions option told to the on-screen keyboard, which
    // shows or hides its row of suggested words above the keys.
    virtual void tellKeyboardSuggestions(WindowHandle keyboard, bool shown) {
        (void)keyboard;
        (void)shown;
    }
    virtual void playClickSound(ClickSound sound) { (void)sound; }
    // Whether the window under p ignores our input (a program running with
    // higher rights than ours). Asked before a click, at most once a frame.
    virtual bool windowRefusesInput(ScreenPoint p) {
        (void)p;
        return false;
    }
    virtual void showNotice(DesktopNotice notice) { (void)notice; }
    // The rectangle that holds every monitor (its corner may lie left of or
    // above the primary monitor's); empty when only the primary is known.
    virtual ScreenRect allScreensRect() { return {}; }
};

}  // namespace quil
