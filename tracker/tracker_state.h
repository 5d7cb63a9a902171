// The tracker's one state record.
//
// One TrackerState lives for the whole run and is handed to every step. It
// starts with every field zero, empty or false except pauseActive,
// keyboardHidden and dwellLimit. Buffers are vectors owned here: a buffer that
// is "freed" is emptied (its capacity may be kept, so that a steady-state
// frame never allocates), a buffer that is "null" is empty.
//
// Fields that the options, eyes or About threads write while the tracker runs
// are atomics; everything else belongs to the tracker's thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "imaging/feature_set.h"
#include "tracker/desktop.h"

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

// The option table: 6 rows x 3 columns, row-major (index = row*3 + column).
// Rows 0..4 are stored in "options.cfg"; row 5 is the options window's
// buttons. Only the value 1 counts as chosen. The options window's thread
// edits it while the tracker reads it, hence the atomics.
inline constexpr int kOptionCount = 18;
inline constexpr int kStoredOptionCount = 15;
struct OptionFlags {
    std::array<std::atomic<int32_t>, kOptionCount> values{};

    std::atomic<int32_t>& operator[](int i) { return values[static_cast<size_t>(i)]; }
    const std::atomic<int32_t>& operator[](int i) const { return values[static_cast<size_t>(i)]; }
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

// Scratch of the block sampler, kept between calls so that a steady-state
// frame allocates nothing. Its contents never carry over from one call to the
// next.
struct SamplerScratch {
    IntList previousBlock;
    IntList isolationCount;
    IntList zeroShiftCost;
};

struct TrackerState {
    TrackerState() = default;
    TrackerState(const TrackerState&) = delete;
    TrackerState& operator=(const TrackerState&) = delete;

    // The state machine.
    int32_t state = MotionSearch;

    // Frame counters and the pause flag.
    bool pauseActive = true;
    int32_t pauseFrames = 0;
    int32_t detectFrames = 0;
    int32_t calibFrames = 0;
    int32_t stillFrames = 0;
    int32_t idleFrames = 0;
    int32_t previewDwellFrames = 0;
    int32_t dwellFrames = 0;
    int32_t dwellLimit = 20;

    // Frame data.
    IntList intakeTable;
    Grid currentGrid;
    Grid previousGrid;
    // The sampler's current block offsets. During detection and calibration
    // they are held here; during tracking the sampler is pointed at
    // eyePatchBlock or mouthPatchBlock through activeBlockOffsets().
    IntList blockOffsets;
    enum class BlockList : uint8_t { Own, EyePatch, MouthPatch };
    BlockList blockOffsetsIn = BlockList::Own;
    int32_t blockRows = 0;
    int32_t blockCols = 0;
    FeatureSet frameMotion;
    IntList motionRows;
    IntList rowProfile;
    IntList colProfile;
    IntList rowStarts;
    IntList colIndices;
    std::array<int32_t, 9> neighbourOffsets{};
    SamplerScratch samplerScratch;

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

    // Calibration results and tracking data.
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
    IntList searchIndices;
    IntList distanceMap;
    int32_t circleCount = 0;
    IntList circleOffsets;
    IntList circleScratch;
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
    // The one value shared by every distanceMap entry that no search
    // candidate writes; the map holds it only where the face search can read.
    int32_t distanceMapRest = 2147483647;

    // Pointer and click bookkeeping.
    ScreenPoint cursorNow;
    AtomicPoint lastCursor;  // also rewritten by the options window
    int32_t targetX = 0;
    int32_t targetY = 0;
    int32_t lastTargetX = 0;
    int32_t lastTargetY = 0;
    double lastFoundX = 0.0;
    double lastFoundY = 0.0;
    double moveDistance = 0.0;
    std::atomic<int32_t> headRangeMinX{0};
    std::atomic<int32_t> headRangeMinY{0};
    std::atomic<int32_t> headRangeMaxX{0};
    std::atomic<int32_t> headRangeMaxY{0};
    std::atomic<int32_t> headRangeCentreX{0};
    std::atomic<int32_t> headRangeCentreY{0};
    std::atomic<int32_t> headRangeWidth{0};
    std::atomic<int32_t> headRangeHeight{0};
    std::atomic<double> gainX{0.0};
    std::atomic<double> gainY{0.0};
    std::atomic<double> speedDivisor{0.0};
    std::atomic<double> rangeScale{0.0};
    bool eyeEvent = false;
    bool mouthEvent = false;
    bool dwellEvent = false;
    bool clickCooldown = false;
    int32_t cooldownFrames = 0;
    bool overKeyboard = false;
    bool buttonHeld = false;
    std::array<std::atomic<int32_t>, 3> clickGestures{};
    std::array<std::atomic<int32_t>, 3> dragGestures{};

    // Pointer bounds: x stays within [clampMinX, clampMaxX - 1], y likewise.
    std::atomic<int32_t> clampMinX{0};
    std::atomic<int32_t> clampMaxX{0};
    std::atomic<int32_t> clampMinY{0};
    std::atomic<int32_t> clampMaxY{0};
    std::atomic<int32_t> mapWidth{0};
    std::atomic<int32_t> mapHeight{0};

    // Windows and interface flags.
    WindowHandle mainWindow = 0;
    WindowHandle captureWindow = 0;
    std::atomic<WindowHandle> eyesWindow{0};
    std::atomic<WindowHandle> keyboardWindow{0};
    std::atomic<bool> keyboardHidden{true};
    std::atomic<bool> keyboardStayHidden{false};
    int32_t keyboardLeft = 0;
    int32_t keyboardRight = 0;
    int32_t keyboardTop = 0;
    int32_t keyboardBottom = 0;
    bool keyboardDockedCorner = false;
    bool largeView = false;
    int32_t viewX = 0;
    int32_t viewY = 0;
    int32_t viewWidth = 0;
    int32_t viewHeight = 0;
    std::atomic<bool> menuOpen{false};
    std::atomic<bool> aboutOpen{false};
    std::atomic<bool> optionsOpen{false};
    std::atomic<bool> mirrorX{false};
    bool previewCaptured = false;
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    // Bitmap handles of the eyes pictures; opaque to the core.
    std::uintptr_t eyesOpenBitmap = 0;
    std::uintptr_t eyesClosedBitmap = 0;

    // The option table the tracker reads and the options window edits.
    OptionFlags optionFlags;

    // Head-gesture recognisers.
    GestureHistory gestures;
};

}  // namespace quil
