// The tracker's state, split by lifetime and owner.
//
// One TrackerState lives for the whole run and is handed to every step. It is
// made of records, each owned by one part of the tracker and each reset as a
// whole at the moments its lifetime ends:
//
//   session    start-up          screen, windows, fixed tables; never reset
//   frame      frame driver      the two grids, the warm-up pause, sampler scratch
//   detection  MotionSearch, HeadBox, Calibration   profiles, head box, its buffers
//   face       Calibration, then Tracking           template, search window, patches
//   track      Tracking          where the face and the pointer target were last
//   pointer    pointer, clicks   what lives across losses: the button, cooldowns, counts
//   view       views             the main window's placement, the corner preview
//   keyboard   keyboard link     the keyboard program's window and rectangle
//   shared     other threads     options, pointer bounds, gains, head range, flags
//   gestures   head gestures     shake and nod histories; never reset
//   precise    the precise engine  its model, pictures, face and gestures
//   handsFree  head modes, pointer  scroll mode, pause, dwell ring (hands_free_state.h)
//
// Buffers are vectors. A reset empties them but keeps their storage, so that
// a steady-state frame never allocates. Fields that the options or eyes
// threads write while the tracker runs are atomics: they live in `shared`,
// but for the keyboard's window and flags, which the options window also
// changes; everything else belongs to the tracker's thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "imaging/block_sampler.h"
#include "imaging/feature_set.h"
#include "imaging/template_search.h"
#include "tracker/desktop.h"
#include "tracker/hands_free_state.h"
#include "tracker/precise/precise_state.h"

namespace quil {

enum TrackerStateId : int32_t {
    MotionSearch = 0,
    HeadBox = 1,
    Calibration = 2,
    Tracking = 3,
    Lost = 4,
    Restart = 5,
    KeyboardToggle = 6,
    HandPause = 7,
};
inline constexpr int kStateCount = 8;

// The vision engines: the classic one, and the precise one that follows
// face landmarks (available only when its model file could be read).
enum EngineId : int32_t {
    ClassicEngine = 0,
    PreciseEngine = 1,
};

// How readily the precise engine takes an eye closing or a mouth opening for
// a click: the tray menu's three levels, saved in the options file.
enum GestureSensitivity : int32_t {
    SensitivityLow = 0,
    SensitivityMedium = 1,
    SensitivityHigh = 2,
};

// The option table: 6 rows x 3 columns, row-major (index = row*3 + column).
// Rows 0..4 are stored in "options.cfg"; row 5 is the options window's
// buttons. Only the value 1 counts as chosen. The options window's thread
// edits it while the tracker reads it, hence the atomics.
inline constexpr int kOptionCount = 18;
inline constexpr int kStoredOptionCount = 15;
inline constexpr int kOptionColumns = 3;
// The table's rows: the questions of the options window, and its buttons.
enum OptionRow : int32_t {
    MirrorRow = 0,  // column 0 ticked: the picture is not mirrored
    RangeRow = 1,   // short, medium, long head range
    SpeedRow = 2,   // fast, medium, slow pointer
    ClickRow = 3,   // eyes, mouth, dwell click
    DragRow = 4,    // eyes, mouth, dwell drag
    ButtonRow = 5,  // OK, CANCEL, EXIT
};

// The table read by name: what its ticks mean to the tracker. The first
// ticked choice of a single-choice row wins; with none, the last choice.
struct OptionsSnapshot {
    bool mirrorX = true;          // the picture is mirrored (the first question unticked)
    double rangeScale = 0.5;      // 0.7, 0.6 or 0.5 of the picture
    double speedDivisor = 60.0;   // 30, 45 or 60
    std::array<bool, 3> click{};  // by eyes, mouth, dwell
    std::array<bool, 3> drag{};
};

struct OptionFlags {
    std::array<std::atomic<int32_t>, kOptionCount> values{};

    std::atomic<int32_t>& operator[](int i) { return values[static_cast<size_t>(i)]; }
    const std::atomic<int32_t>& operator[](int i) const { return values[static_cast<size_t>(i)]; }
    std::atomic<int32_t>& at(OptionRow row, int column) {
        return (*this)[row * kOptionColumns + column];
    }
    [[nodiscard]] bool ticked(OptionRow row, int column) const {
        return (*this)[row * kOptionColumns + column].load() == 1;
    }
    [[nodiscard]] OptionsSnapshot snapshot() const;
};

struct AtomicPoint {
    std::atomic<int32_t> x{0};
    std::atomic<int32_t> y{0};
    [[nodiscard]] ScreenPoint load() const { return {x.load(), y.load()}; }
    void store(ScreenPoint p) {
        x = p.x;
        y = p.y;
    }
};

// One record of the lattice scratch: four int32 in this order.
struct LatticeRecord {
    int32_t value = 0;
    int32_t offset = 0;
    int32_t x = 0;
    int32_t y = 0;
};

// Set once by start-up; fixed for the run.
struct SessionSetup {
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    WindowHandle mainWindow = 0;
    WindowHandle captureWindow = 0;
    // Entry x*480 + y: the byte offset of pixel (x, y)'s red byte.
    IntList intakeTable;
    // The whole-frame block grid of detection, and its row-major tables.
    int32_t blockRows = 0;
    int32_t blockCols = 0;
    IntList rowStarts;
    IntList colIndices;
    // The disc the face centroid is taken over.
    int32_t circleCount = 0;
    IntList circleOffsets;
};

// The tracker's tick: every count and duration of both engines is in ticks.
inline constexpr int32_t kTrackerTickMs = 75;

// The frame driver's own: the frame before and this one, the warm-up pause,
// and the block sampler's working memory.
struct FrameState {
    bool pauseActive = true;
    int32_t pauseFrames = 0;
    // The shell's frame period, and the time since the last tick: frames may
    // come faster than the tracker's tick (see frame_driver.h).
    int32_t periodMs = kTrackerTickMs;
    int32_t sinceTickMs = 0;
    int64_t lastFrameAtMs = -1;  // the shell's clock at the last frame
    Grid currentGrid;
    Grid previousGrid;
    std::array<int32_t, 9> neighbourOffsets{};
    SamplerScratch samplerScratch;

    // Back to the start of detection: grids dropped, the pause re-armed.
    void restartDetection(int blockRows);
};

// Head detection and calibration: the motion profiles, the head box and the
// buffers sampled inside it. Ends with a calibration time-out or a loss.
struct DetectionState {
    int32_t detectFrames = 0;
    int32_t calibFrames = 0;
    // The sampler's block offsets during detection and calibration.
    IntList blockOffsets;
    FeatureSet frameMotion;
    IntList motionRows;
    IntList rowProfile;
    IntList colProfile;
    // Head box; vertical edges are heights above the image's bottom edge.
    int32_t headLeft = 0;
    int32_t headRight = 0;
    int32_t headTop = 0;
    int32_t headBottom = 0;
    IntList headIndices;
    IntList headCurrent;
    IntList headPrevious;
    int32_t headBlockRows = 0;
    int32_t headBlockCols = 0;
    FeatureSet headMotion;
    IntList headRowProfile;
    IntList headColProfile;
    IntList headRowIndices;
    IntList headColStarts;

    void reset();
};

// What calibration builds for tracking: the eyes, the face lattice and its
// search window, and the distance map.
struct FaceTemplate {
    int32_t eyeAX = 0;
    int32_t eyeAY = 0;
    int32_t eyeBX = 0;
    int32_t eyeBY = 0;
    int32_t refX = 0;
    int32_t refY = 0;
    int32_t halfEyeGap = 0;
    int32_t latticeCount = 0;
    IntList latticeOffsets;
    IntList latticeReference;
    int32_t latticeCentre = 0;
    std::vector<LatticeRecord> latticeRecords;
    SearchWindow searchWindow;
    DistanceMap distanceMap;
    IntList circleScratch;

    void reset();
};

// The eye and mouth patches the classic engine's clicks watch: placed by
// calibration, read only by the clicks; forgotten with the face.
struct ClickPatches {
    int32_t eyePatchRows = 0;
    int32_t eyePatchCols = 0;
    int32_t eyePatchSize = 0;
    IntList eyePatchIndices;
    IntList eyePatchCurrent;
    IntList eyePatchPrevious;
    IntList eyePatchBlock;
    FeatureSet eyeMotion;
    int32_t eyeBlockRows = 0;
    int32_t eyeBlockCols = 0;
    IntList mouthPatchIndices;
    IntList mouthPatchCurrent;
    IntList mouthPatchPrevious;
    IntList mouthPatchBlock;
    FeatureSet mouthMotion;
    int32_t mouthBlockRows = 0;
    int32_t mouthBlockCols = 0;

    void reset();
};

// Where the face and the pointer target were on the last tracked frame;
// forgotten when the face is lost.
struct FaceTrack {
    int32_t lastTargetX = 0;
    int32_t lastTargetY = 0;
    double lastFoundX = 0.0;
    double lastFoundY = 0.0;
    // Where the last frame between ticks put the pointer, if one did since
    // the last tick: the hand-move check compares against it.
    bool glided = false;
    ScreenPoint glidedTo;
};

// The pointer and its gestures: what carries over a loss and a new
// calibration, like a held button or a running cooldown.
struct PointerState {
    ScreenPoint cursorNow;
    int32_t targetX = 0;
    int32_t targetY = 0;
    double moveDistance = 0.0;
    bool overKeyboard = false;
    int32_t stillFrames = 0;
    int32_t idleFrames = 0;
    bool eyeEvent = false;
    bool mouthEvent = false;
    bool dwellEvent = false;
    bool clickCooldown = false;
    int32_t cooldownFrames = 0;
    int32_t dwellFrames = 0;
    int32_t dwellLimit = 20;
    bool buttonHeld = false;
};

// The main window's placement and the corner preview's dwell.
struct ViewState {
    bool largeView = false;
    int32_t viewX = 0;
    int32_t viewY = 0;
    int32_t viewWidth = 0;
    int32_t viewHeight = 0;
    bool previewCaptured = false;
    int32_t previewDwellFrames = 0;
};

// The on-screen keyboard program as the tracker knows it. Its window is 0
// until the program announces itself.
struct KeyboardState {
    std::atomic<WindowHandle> window{0};
    std::atomic<bool> hidden{true};
    std::atomic<bool> stayHidden{false};
    int32_t left = 0;
    int32_t right = 0;
    int32_t top = 0;
    int32_t bottom = 0;
    bool dockedCorner = false;
    // The keyboard said it shows the suggestions' row (taller by it).
    bool suggestionRow = false;
    // The suggestions option as the keyboard was last told it: -1 since it
    // announced itself, until it is told.
    int32_t toldSuggestions = -1;
};

// Written by the options window's or the eyes window's thread, or read by
// them, while the tracker runs.
struct SharedState {
    // The option table the tracker reads and the options window edits, and
    // the gesture rows' active copies.
    OptionFlags optionFlags;
    std::array<std::atomic<int32_t>, 3> clickGestures{};
    std::array<std::atomic<int32_t>, 3> dragGestures{};
    std::atomic<bool> mirrorX{false};
    std::atomic<bool> optionsOpen{false};
    std::atomic<bool> menuOpen{false};
    std::atomic<WindowHandle> eyesWindow{0};
    AtomicPoint lastCursor;  // also rewritten by the options window
    // Pointer bounds: x stays within [clampMinX, clampMaxX - 1], y likewise.
    std::atomic<int32_t> clampMinX{0};
    std::atomic<int32_t> clampMaxX{0};
    std::atomic<int32_t> clampMinY{0};
    std::atomic<int32_t> clampMaxY{0};
    std::atomic<int32_t> mapWidth{0};
    std::atomic<int32_t> mapHeight{0};
    std::atomic<int32_t> headRangeMinX{0};
    std::atomic<int32_t> headRangeMinY{0};
    std::atomic<int32_t> headRangeMaxX{0};
    std::atomic<int32_t> headRangeMaxY{0};
    std::atomic<int32_t> headRangeCentreX{0};
    std::atomic<int32_t> headRangeCentreY{0};
    std::atomic<int32_t> headRangeWidth{0};
    std::atomic<int32_t> headRangeHeight{0};
    // The calibrated face's reference point the head range is centred on, as
    // the tracker published it for the options window's thread.
    std::atomic<int32_t> headRangeRefX{0};
    std::atomic<int32_t> headRangeRefY{0};
    std::atomic<double> gainX{0.0};
    std::atomic<double> gainY{0.0};
    std::atomic<double> speedDivisor{0.0};
    std::atomic<double> rangeScale{0.0};
    // The engine the user chose (the options file's sixteenth number, the
    // tray menu's "Precise tracking"); the tracker changes over at its next
    // frame. The precise one runs only when its model has been loaded.
    std::atomic<int32_t> engineChoice{ClassicEngine};
    std::atomic<bool> preciseAvailable{false};
    // The precise engine's eye and mouth gestures: the level the user chose
    // in the tray menu, and the user's own levels the gesture check measured
    // (thousandths of the eyes' open measure and of the mouth's opening; 0
    // when never measured). Saved in the options file.
    std::atomic<int32_t> gestureSensitivity{SensitivityMedium};
    std::atomic<int32_t> eyesShutLevel{0};
    std::atomic<int32_t> mouthOpenLevel{0};
    // The tray's gesture check: asked for by the menu, taken up by the tracker
    // at its next frame. Available only while the precise engine, with its
    // full landmark model, is tracking a face.
    std::atomic<bool> gestureCheckRequested{false};
    std::atomic<bool> gestureCheckAvailable{false};
    // The tracker changed an option of its own (the gesture check's levels):
    // the shell saves the options file and clears it.
    std::atomic<bool> optionsToSave{false};
    // The hands-free extras. The tray menu and the keyboard's keys ask for
    // the scroll mode or the pause to be turned over; the tracker takes the
    // request at its next frame and publishes what it is doing.
    std::atomic<bool> scrollToggleRequested{false};
    std::atomic<bool> pauseToggleRequested{false};
    std::atomic<bool> scrolling{false};
    std::atomic<bool> paused{false};
    // Saved choices: the head range over every screen, a sound for each
    // click, and a pause that outlasts a restart of the program.
    std::atomic<bool> allScreens{false};
    std::atomic<bool> clickSounds{false};
    std::atomic<bool> keepPause{false};
    // Saved: the on-screen keyboard's row of suggested words.
    std::atomic<bool> wordSuggestions{false};
};

// The head-gesture recognisers' histories. They live for the whole run and no
// reset touches them.
struct GestureHistory {
    std::string shakeHistory;  // letters 'L' and 'R'
    int32_t shakeFrames = 0;
    std::string nodHistory;  // letters 'U' and 'D'
    int32_t nodFrames = 0;
    int32_t nodLastRow = 0;
    int32_t nodLastCol = 0;
};

struct TrackerState {
    TrackerState() = default;
    TrackerState(const TrackerState&) = delete;
    TrackerState& operator=(const TrackerState&) = delete;

    int32_t state = MotionSearch;
    // The engine running now.
    int32_t engine = ClassicEngine;

    SessionSetup session;
    FrameState frame;
    DetectionState detection;
    FaceTemplate face;
    ClickPatches clickPatches;
    FaceTrack track;
    PointerState pointer;
    ViewState view;
    KeyboardState keyboard;
    SharedState shared;
    GestureHistory gestures;
    PreciseState precise;
    HandsFreeState handsFree;
};

}  // namespace quil
