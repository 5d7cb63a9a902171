// The program's start and end, in one order on both platforms. The shells
// supply the operating system's half (their windows, the camera, the
// warnings, the timer, the tray icon, the message loop) as the steps of
// ProgramShell; Lifetime runs them in order with the tracker's own steps
// between.
//
// Start (startSequence()):
//   1. begin the tracker's start-up   the screen's size, the intake table
//   2. load the options               a new user's file written first where
//                                     the platform does that (Linux)
//   3. choose the large view          centred, for the head search
//   4. shell.createWindows()          the camera view and the tray icon
//   5. shell.openCamera()             no camera, or none at 640 x 480: the
//                                     shell warns (texts.h) and the program
//                                     stops as at its end
//   6. shell.showView()
//   7. finish the tracker's start-up  detection's tables, the circle mask
//   8. load the engines               the precise one when its model is
//                                     there, in it if the user chose it
//   9. shell.startFrames()            the 75 ms timer; the message loop next
//
// End (stopSequence()):
//   1. shell.stopFrames()       no frame runs after this one
//   2. release the held button  never leave with the left button down (a drag)
//   3. save the tracker's own   the gesture check's levels not saved yet, as
//      options changes          after a frame (not while the options window
//                               holds a table the user has not confirmed)
//   4. shell.stopCamera()       the camera stops and is let go
//   5. close the keyboard       the on-screen keyboard the tracker greeted
//   6. hide the gesture prompt
//   7. shell.closeWindows()     the shell's own windows
//   8. shell.removeTrayIcon()   no dead icon is left in the tray
//   9. shell.endMessageLoop()
//
// The tracker's state frees its own buffers when it goes (its destructor),
// so the end does not clear them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil {

// How the camera answered at start-up.
enum class CameraStart : int32_t { Ready, NoCamera, NoFormat };

// What each shell does with its operating system at the start and the end.
class ProgramShell {
public:
    ProgramShell() = default;
    ProgramShell(const ProgramShell&) = delete;
    ProgramShell& operator=(const ProgramShell&) = delete;
    virtual ~ProgramShell() = default;

    // Start. The camera view, at the large placement the tracker chose
    // (s.view), still hidden, its handles stored in s.session; and the tray
    // icon. False when they cannot be made: the program ends at once.
    virtual bool createWindows() = 0;
    // The first camera that answers, set to 640 x 480 RGB for the tracker.
    virtual CameraStart openCamera() = 0;
    // A start-up warning: `text` in a box captioned kWarningCaption, until
    // the user closes it.
    virtual void warn(const char* text) = 0;
    // The camera works: the view is shown over the screen.
    virtual void showView() = 0;
    // The frame timer starts, the camera counting as just connected.
    virtual void startFrames() = 0;

    // End. The frame timer stops: no frame runs, and no button is pressed,
    // after this.
    virtual void stopFrames() = 0;
    // The camera stops sending frames and is let go.
    virtual void stopCamera() = 0;
    // The shell's own windows go: the eyes window, the options window, the
    // camera view. A shell whose windows end with its process does nothing.
    virtual void closeWindows() = 0;
    // The tray icon goes.
    virtual void removeTrayIcon() = 0;
    // The message loop is told to end; one that is not running (a start-up
    // warning, or a loop already over) ends with the program anyway.
    virtual void endMessageLoop() = 0;
};

// What the shell knows before the start.
struct StartFacts {
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    std::filesystem::path optionsFile;
    // The engine a new user (no options file yet) starts with, written into
    // the file at that first start; ClassicEngine only reads the file (the
    // Windows installer writes a new user's file itself).
    EngineId newUserEngine = ClassicEngine;
    // The precise engine's model; empty: the classic engine only. Its
    // 68-point model; empty: the precise engine reads the 5-point one alone.
    std::filesystem::path landmarkModel;
    std::filesystem::path fullLandmarkModel;
};

// The steps, the tracker's and the shell's; the sequences give their order.
enum class StartStep : int32_t {
    BeginStartup,
    LoadOptions,
    ChooseLargeView,
    CreateWindows,
    OpenCamera,
    ShowView,
    FinishStartup,
    LoadEngines,
    StartFrames,
};
enum class StopStep : int32_t {
    StopFrames,
    ReleaseButton,
    SaveOptions,
    StopCamera,
    CloseKeyboard,
    HidePrompt,
    CloseWindows,
    RemoveTrayIcon,
    EndMessageLoop,
};
[[nodiscard]] std::span<const StartStep> startSequence();
[[nodiscard]] std::span<const StopStep> stopSequence();

// The program's one start and one end; each shell keeps one.
class Lifetime {
public:
    // Runs the start's steps in order. True when the program runs and the
    // shell enters its message loop; false when it ends at once: without
    // its windows, or after a camera warning, the end already run.
    bool startProgram(TrackerState& s, Desktop& desktop, ProgramShell& shell,
                      const StartFacts& facts);

    // Runs the end's steps in order and returns true. The end is asked for
    // more than once (the options window's EXIT, then the main window's
    // destruction; the tray's Exit, then the program's destructor) and runs
    // only the first time: later calls do nothing and return false.
    // `optionsFile` is where the shell saves the options.
    bool stopProgram(TrackerState& s, Desktop& desktop, ProgramShell& shell,
                     const std::filesystem::path& optionsFile);
    [[nodiscard]] bool stopped() const { return stopped_; }

private:
    bool stopped_ = false;
};

}  // namespace quil
