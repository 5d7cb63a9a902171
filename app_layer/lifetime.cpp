#include "app_layer/lifetime.h"

#include <array>

#include "app_layer/new_user.h"
#include "app_layer/texts.h"
#include "app_layer/tray_menu.h"
#include "pointer/clicks.h"
#include "tracker/engines.h"
#include "tracker/startup.h"
#include "tracker/views.h"

namespace quil {

namespace {

// The tracker's start-up in its order (tracker/startup.h), the shell's
// windows made in the large placement; the tracker's tables wait until the
// camera is known to work, and the timer starts last, on a tracker ready.
constexpr std::array kStartSequence{
    StartStep::BeginStartup,  StartStep::LoadOptions, StartStep::ChooseLargeView,
    StartStep::CreateWindows, StartStep::OpenCamera,  StartStep::ShowView,
    StartStep::FinishStartup, StartStep::LoadEngines, StartStep::StartFrames,
};

// Frames stop before anything they use goes, and before the button is let
// go, so that no frame presses it again; the camera stops before the windows
// it draws into; the tray icon goes last, so the user has a menu until the
// end.
constexpr std::array kStopSequence{
    StopStep::StopFrames,   StopStep::ReleaseButton,  StopStep::SaveOptions,
    StopStep::StopCamera,   StopStep::CloseKeyboard,  StopStep::HidePrompt,
    StopStep::CloseWindows, StopStep::RemoveTrayIcon, StopStep::EndMessageLoop,
};

const char* warningFor(CameraStart answer) {
    return answer == CameraStart::NoFormat ? kNoFormatText : kNoCameraText;
}

void runStop(StopStep step, TrackerState& s, Desktop& desktop, ProgramShell& shell,
             const std::filesystem::path& optionsFile) {
    switch (step) {
        case StopStep::StopFrames:
            shell.stopFrames();
            break;
        case StopStep::ReleaseButton:
            releaseHeldButton(s.pointer, desktop);
            break;
        case StopStep::SaveOptions:
            saveTrackersOptions(s, optionsFile);
            break;
        case StopStep::StopCamera:
            shell.stopCamera();
            break;
        case StopStep::CloseKeyboard:
            // A keyboard that never said hello is not the tracker's to close.
            if (const WindowHandle keyboard = s.keyboard.window.load(); keyboard != 0) {
                desktop.closeKeyboard(keyboard);
            }
            break;
        case StopStep::HidePrompt:
            desktop.showGesturePrompt(GesturePrompt::None);
            break;
        case StopStep::CloseWindows:
            shell.closeWindows();
            break;
        case StopStep::RemoveTrayIcon:
            shell.removeTrayIcon();
            break;
        case StopStep::EndMessageLoop:
            shell.endMessageLoop();
            break;
    }
}

}  // namespace

std::span<const StartStep> startSequence() { return kStartSequence; }

std::span<const StopStep> stopSequence() { return kStopSequence; }

bool Lifetime::startProgram(TrackerState& s, Desktop& desktop, ProgramShell& shell,
                            const StartFacts& facts) {
    for (const StartStep step : kStartSequence) {
        switch (step) {
            case StartStep::BeginStartup:
                beginStartup(s, facts.screenWidth, facts.screenHeight);
                break;
            case StartStep::LoadOptions:
                loadOptionsOrStartNewUser(s, facts.optionsFile, facts.newUserEngine);
                break;
            case StartStep::ChooseLargeView:
                chooseLargeView(s, desktop);
                break;
            case StartStep::CreateWindows:
                if (!shell.createWindows()) return false;
                break;
            case StartStep::OpenCamera:
                if (const CameraStart answer = shell.openCamera(); answer != CameraStart::Ready) {
                    // Told, the user is left no dead icon in the tray.
                    shell.warn(warningFor(answer));
                    stopProgram(s, desktop, shell, facts.optionsFile);
                    return false;
                }
                break;
            case StartStep::ShowView:
                shell.showView();
                break;
            case StartStep::FinishStartup:
                finishStartup(s);
                break;
            case StartStep::LoadEngines:
                // Without a model the classic engine runs, without a word.
                static_cast<void>(loadEngines(s, facts.landmarkModel, facts.fullLandmarkModel));
                break;
            case StartStep::StartFrames:
                shell.startFrames();
                break;
        }
    }
    return true;
}

bool Lifetime::stopProgram(TrackerState& s, Desktop& desktop, ProgramShell& shell,
                           const std::filesystem::path& optionsFile) {
    if (stopped_) return false;
    stopped_ = true;
    for (const StopStep step : kStopSequence) runStop(step, s, desktop, shell, optionsFile);
    return true;
}

}  // namespace quil
