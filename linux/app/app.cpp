// The program's steps of the start and the end both platforms share, the
// frame timer with the camera watch, the tray menu and its items.
#include "linux/app/app.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QUrl>
#include <chrono>
#include <cstdlib>
#include <initializer_list>

#include "app_layer/tray_menu.h"
#include "keyboard_link/keyboard_link.h"
#include "linux/app/autostart.h"
#include "linux/app/message_box.h"
#include "linux/app/screens.h"
#include "linux/app/tray_look.h"
#include "linux/keyboard/x11_key_sink.h"
#include "options/options_file.h"
#include "tracker/engines.h"
#include "tracker/frame_driver.h"

namespace quil::lnx {

namespace {

namespace fs = std::filesystem;

// Where an installed program finds what ships beside it.
constexpr char kSharedFolder[] = "/usr/share/quilbrand";
// Debian's libdlib-data, which the package recommends, holds the 68-point
// model here rather than our package shipping its 100 MB.
constexpr char kDlibDataFolder[] = "/usr/share/dlib";
constexpr char kDocFolder[] = "/usr/share/doc/quilbrand";

int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// `name` in the program's folder if it is there, else in the first of
// `folders` that has it; empty when none has.
fs::path besideOrIn(std::initializer_list<const char*> folders, const char* name) {
    const fs::path beside = fs::path(QCoreApplication::applicationDirPath().toStdString()) / name;
    std::error_code ec;
    if (fs::exists(beside, ec)) return beside;
    for (const char* folder : folders) {
        const fs::path installed = fs::path(folder) / name;
        if (fs::exists(installed, ec)) return installed;
    }
    return {};
}

}  // namespace

Places findPlaces() {
    Places p;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    fs::path base = config != nullptr && *config != '\0' ? fs::path(config)
                    : home != nullptr                    ? fs::path(home) / ".config"
                                                         : fs::path(".");
    p.optionsFile = base / "quilbrand" / kOptionsFileName;
    p.autostartEntry = base / "autostart" / "quilbrand.desktop";
    p.pointingResults = p.optionsFile.parent_path() / pointing::kResultsFile;
    p.landmarkModel = besideOrIn({kSharedFolder}, kLandmarkModelFile);
    p.fullLandmarkModel = besideOrIn({kDlibDataFolder, kSharedFolder}, kFullLandmarkModelFile);
    p.manual = besideOrIn({kDocFolder}, kManualFile);
    p.wordList = besideOrIn({kSharedFolder}, std::string(osk::kWordListFile).c_str());
    p.userWords = base / "quilbrand" / osk::kUserWordsFile;
    return p;
}

// Before start-up names the view, there is no view to show (as on Windows,
// where the window does not exist yet when the large placement is chosen).
void LinuxDesktop::showCameraView() {
    if (app_.state().session.mainWindow != 0) app_.view().show();
}
void LinuxDesktop::hideCameraView() { app_.view().hide(); }
void LinuxDesktop::placeCameraView(int32_t x, int32_t y, int32_t width, int32_t height) {
    app_.view().setGeometry(x, y, width, height);
    app_.view().update();
}
void LinuxDesktop::showKeyboard(WindowHandle keyboard) {
    if (keyboard != 0 && app_.keyboard()) app_.keyboard()->show();
}
void LinuxDesktop::hideKeyboard(WindowHandle keyboard) {
    if (keyboard != 0 && app_.keyboard()) app_.keyboard()->hide();
}
void LinuxDesktop::pressKeyboardKey(WindowHandle keyboard) {
    if (keyboard != 0 && app_.keyboard()) app_.keyboard()->pressKey();
}
void LinuxDesktop::tellKeyboardDwell(WindowHandle keyboard, int32_t thousandths) {
    if (keyboard != 0 && app_.keyboard()) app_.keyboard()->dwell(thousandths);
}
void LinuxDesktop::tellKeyboardSuggestions(WindowHandle keyboard, bool shown) {
    if (keyboard != 0 && app_.keyboard()) app_.keyboard()->showSuggestions(shown);
}
void LinuxDesktop::tellKeyboardClickOutside(WindowHandle keyboard) {
    if (keyboard != 0 && app_.keyboard()) app_.keyboard()->clickOutside();
}
void LinuxDesktop::tellKeyboardPointerOver(WindowHandle keyboard) {
    if (keyboard == 0 || !app_.keyboard()) return;
    const ScreenPoint p = pointer_.position();
    app_.keyboard()->pointerOver(p.x, p.y);
}
void LinuxDesktop::tellKeyboardPointerLeft(WindowHandle keyboard) {
    if (keyboard != 0 && app_.keyboard()) app_.keyboard()->pointerLeft();
}
void LinuxDesktop::closeKeyboard(WindowHandle keyboard) {
    if (keyboard != 0 && app_.keyboard()) app_.keyboard()->close();
}
void LinuxDesktop::launchKeyboard() {
    if (app_.keyboard()) app_.keyboard()->launch();
}

void LinuxDesktop::startEyesWindow() { app_.openEyes(); }
void LinuxDesktop::showGesturePrompt(GesturePrompt prompt) { app_.showPrompt(prompt); }
void LinuxDesktop::closeEyesWindow(WindowHandle eyesWindow) {
    if (eyesWindow != 0) app_.closeEyes();
}

void LinuxDesktop::showHeadMode(HeadMode mode) { app_.showHeadMode(mode); }
void LinuxDesktop::showDwellRing(ScreenPoint centre, int32_t thousandths) {
    app_.dwellRing().showFill(centre, thousandths);
}
void LinuxDesktop::playClickSound(ClickSound sound) { app_.playClickSound(sound); }

ScreenRect LinuxDesktop::allScreensRect() { return allScreensUnion(); }

App::App(std::unique_ptr<PointerDevice> pointer, std::unique_ptr<FrameSource> camera, Places places)
    : pointer_(std::move(pointer)),
      camera_(std::move(camera)),
      places_(std::move(places)),
      desktop_(*this, *pointer_),
      eyesOpen_(QStringLiteral(":/art/ojos1.bmp")),
      eyesClosed_(QStringLiteral(":/art/ojos2.bmp")),
      mouthOpen_(QStringLiteral(":/art/boca.bmp")),
      options_(state_, desktop_, places_.optionsFile, QImage(QStringLiteral(":/art/opciones.bmp")),
               QImage(QStringLiteral(":/art/checkbox.bmp")), [this] { exitProgram(); }),
      pointing_(places_.pointingResults),
      sounds_(std::make_unique<AlsaOutput>()),
      trayIcon_(QStringLiteral(":/art/icono.ico")),
      pausedIcon_(pausedTrayIcon(trayIcon_)),
      frame_(kFrameBytes) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    view_.onClick = [this] { openOptions(); };
    // The keyboard types through XTest; through XWayland that reaches only
    // X programs, so a Wayland session gets it too, for those.
    if (auto sink = X11KeySink::open()) {
        keySink_ = std::move(sink);
        keyboard_ = std::make_unique<KeyboardPanel>(*keySink_);
        keyboard_->events = asTrackerMessages(
            [this](unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
                handleKeyboardMessage(state_, message, wParam, lParam);
            });
        keyboard_->pointerPosition = [this] { return pointer_->position(); };
        keyboard_->loadWords(places_.wordList, places_.userWords);
        keyboard_->screenSize = [this] {
            return ScreenSize{pointer_->screenWidth(), pointer_->screenHeight()};
        };
    }
}

App::~App() { teardown(); }

// The start both platforms share (app_layer/lifetime.h), with this
// program's steps.
int App::start() {
    StartFacts facts;
    // The whole X screen, every monitor on it, as the Linux edition always
    // had; "All screens" changes nothing here unless a monitor lies left of
    // or above the screen's corner.
    facts.screenWidth = pointer_->screenWidth();
    facts.screenHeight = pointer_->screenHeight();
    facts.optionsFile = places_.optionsFile;
    facts.newUserEngine = kNewUserEngine;
    facts.landmarkModel = places_.landmarkModel;
    facts.fullLandmarkModel = places_.fullLandmarkModel;
    return lifetime_.startProgram(state_, desktop_, *this, facts) ? -1 : 0;
}

// The core names the windows by fixed handles; the view waits, hidden, in
// the large placement.
bool App::createWindows() {
    TrackerState& s = state_;
    s.session.mainWindow = kViewHandle;
    s.session.captureWindow = kCaptureHandle;
    view_.setGeometry(s.view.viewX, s.view.viewY, s.view.viewWidth, s.view.viewHeight);
    buildTray();
    return true;
}

CameraStart App::openCamera() {
    switch (camera_->open()) {
        case OpenStatus::NoCamera:
            return CameraStart::NoCamera;
        case OpenStatus::NoFormat:
            return CameraStart::NoFormat;
        case OpenStatus::Ready:
            break;
    }
    return CameraStart::Ready;
}

void App::showView() { view_.show(); }

int App::timerPeriodMs() const {
    return camera_->hasOwnRate() ? wantedFramePeriodMs(state_) : kFramePeriodMs;
}

void App::startFrames() {
    watch_.connected(nowMs());
    // 33 ms asked of a coarse timer could come 5 % late, a frame in twenty.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.start(timerPeriodMs());
}

void App::tick() {
    const int64_t now = nowMs();
    tellKeyboardOptions(state_, desktop_);
    switch (watch_.tick(now)) {
        case CameraStep::Grab:
            // No frame ready is no frame: the watch hears the silence.
            if (camera_->grab(frame_)) {
                watch_.frameArrived(now);
                timeFrame(state_.frame, timer_.interval(), now);
                const FrameReport report = frameCallback(state_, desktop_, frame_);
                // The engine chosen on this frame decides the rate of the next.
                if (const int period = timerPeriodMs(); period != timer_.interval()) {
                    timer_.setInterval(period);
                }
                saveTrackersOptions(state_, places_.optionsFile);
                // The shake that starts the tracker over also leaves the
                // pointing test, unsaved: the user's way out without a click.
                if (report.loss == LossReason::HeadShake && pointing_.isVisible()) {
                    pointing_.leave();
                }
                view_.showFrame(frame_);
                if (afterFrame) afterFrame(state_, report);
            }
            break;
        case CameraStep::Gone:
            cameraGone(state_, desktop_);
            camera_->close();
            break;
        case CameraStep::Reconnect:
            watch_.reconnected(now, camera_->open() == OpenStatus::Ready);
            break;
        case CameraStep::Wait:
            break;
    }
}

void App::openEyes() {
    if (eyes_) return;
    eyes_ = std::make_unique<EyesWindow>(eyesOpen_, eyesClosed_, view_.geometry());
    eyes_->show();
    view_.hide();
    state_.shared.eyesWindow = kEyesHandle;
}

void App::closeEyes() {
    eyes_.reset();
    state_.shared.eyesWindow = 0;
}

void App::showHeadMode(HeadMode mode) {
    view_.setNotice(headModeNotice(mode));
    tray_.setIcon(mode == HeadMode::Paused ? pausedIcon_ : trayIcon_);
    tray_.setToolTip(trayToolTip(mode));
}

// Only when the user chose to hear them.
void App::playClickSound(ClickSound sound) {
    if (state_.shared.clickSounds) sounds_.play(sound);
}

void App::showPrompt(GesturePrompt prompt) {
    if (prompt == GesturePrompt::None && !prompt_) return;
    if (!prompt_) prompt_ = std::make_unique<PromptWindow>(eyesClosed_, mouthOpen_);
    prompt_->showStep(prompt, promptPlace(state_));
}

// Asked again while open, the table CANCEL restores and the keyboard must
// stay as the first opening found them: the request is not even made.
void App::openOptions() {
    if (askForOptionsWindow(state_, desktop_)) options_.open();
}

void App::openPointingTest() {
    const QRect screen(0, 0, pointer_->screenWidth(), pointer_->screenHeight());
    pointing_.start(screen, state_.shared.engineChoice == PreciseEngine ? "precise" : "classic");
}

// A start-up failure: the user is told; the end follows.
void App::warn(const char* text) { showBox(kWarningCaption, text); }

void App::buildTray() {
    tray_.setIcon(state_.shared.paused ? pausedIcon_ : trayIcon_);
    tray_.setToolTip(trayToolTip(state_.shared.paused ? HeadMode::Paused : HeadMode::Pointing));
    trayMenu_ = std::make_unique<TrayMenu>(
        menu_, state_, places_.optionsFile,
        [this] { return TrayFacts{autostartOn(places_.autostartEntry)}; },
        [this](TrayCommand command) { onShellCommand(command); });
    tray_.setContextMenu(&menu_);
    // The left button opens the menu too, as on Windows; so does a second
    // click soon after the first, which Qt reports as a double click.
    QObject::connect(
        &tray_, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
                menu_.popup(QCursor::pos());
            }
        });
    tray_.show();
}

// The items that open or end something; while the options are open the
// user answers them first.
void App::onShellCommand(TrayCommand command) {
    switch (command) {
        case TrayCommand::Options:
            openOptions();
            break;
        case TrayCommand::PointingTest:
            if (!state_.shared.optionsOpen) openPointingTest();
            break;
        case TrayCommand::Manual:
            if (state_.shared.optionsOpen || places_.manual.empty()) return;
            QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(places_.manual)));
            break;
        case TrayCommand::About:
            if (!state_.shared.optionsOpen) showBox(kAboutCaption, kAboutText);
            break;
        case TrayCommand::StartAtLogOn: {
            // The entry itself says whether it is on.
            const std::string program = QCoreApplication::applicationFilePath().toStdString();
            setAutostart(places_.autostartEntry, program, !autostartOn(places_.autostartEntry));
            break;
        }
        case TrayCommand::Exit:
            exitProgram();
            break;
        default:
            break;
    }
}

void App::exitProgram() { teardown(); }

// Stops the frames, lets go of a held button, closes the camera and the
// windows, then removes the tray icon and ends the loop, in the order both
// platforms share (app_layer/lifetime.h).
void App::teardown() { lifetime_.stopProgram(state_, desktop_, *this, places_.optionsFile); }

void App::stopFrames() { timer_.stop(); }

void App::stopCamera() { camera_->close(); }

// The keyboard went with the tracker's own step if it had said hello; one
// launched that had not yet goes here.
void App::closeWindows() {
    if (keyboard_) keyboard_->close();
    closeEyes();
    ring_.hide();
    options_.hide();
    pointing_.leave();
    view_.hide();
}

void App::removeTrayIcon() { tray_.hide(); }

// Before the loop runs (a start-up warning) or after it ended (the
// destructor), there is nothing to end.
void App::endMessageLoop() { QCoreApplication::exit(0); }

}  // namespace quil::lnx
