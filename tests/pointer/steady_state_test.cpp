// A tracking frame's pointer and click steps, run with the real block sampler
// on whole frames: they stay inside every buffer near the frame's edges and
// allocate nothing once running.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <random>

#include "imaging/grids.h"
#include "pointer/clicks.h"
#include "pointer/pointer_mapping.h"
#include "tests/support/recording_desktop.h"
#include "tracker/head_gestures.h"

// These replacements pair malloc with free; GCC, once it inlines them into
// the code under test, takes that pair for a new matched with a free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {
long allocations = 0;
bool counting = false;
}  // namespace

void* operator new(std::size_t n) {
    if (counting) ++allocations;
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace quil {
namespace {

using testing::RecordingDesktop;

class SteadyState : public ::testing::Test {
protected:
    TrackerState s;
    RecordingDesktop desktop;
    std::mt19937 random{7};

    void SetUp() override {
        s.session.screenWidth = 1024;
        s.session.screenHeight = 768;
        s.shared.clampMinX = 1;
        s.shared.clampMaxX = 1014;
        s.shared.clampMinY = 1;
        s.shared.clampMaxY = 758;
        s.shared.mapWidth = 1024;
        s.shared.mapHeight = 768;
        s.face.refX = 320;
        s.face.refY = 240;
        s.shared.rangeScale = 0.6;
        s.shared.speedDivisor = 45.0;
        setHeadRange(s);
        computeGains(s);
        s.face.halfEyeGap = 25;
        s.clickPatches.eyePatchIndices.resize(2257);
        s.clickPatches.eyePatchCurrent.resize(2257);
        s.clickPatches.eyePatchPrevious.resize(2257);
        s.clickPatches.eyePatchBlock = makeBlockOffsets(5, 5, 37);
        allocFeatureSet(s.clickPatches.eyeMotion, 84);
        s.clickPatches.eyeBlockRows = 7;
        s.clickPatches.eyeBlockCols = 12;
        s.clickPatches.mouthPatchIndices.resize(1550);
        s.clickPatches.mouthPatchCurrent.resize(1550);
        s.clickPatches.mouthPatchPrevious.resize(1550);
        s.clickPatches.mouthPatchBlock = makeBlockOffsets(5, 5, 50);
        allocFeatureSet(s.clickPatches.mouthMotion, 60);
        s.clickPatches.mouthBlockRows = 10;
        s.clickPatches.mouthBlockCols = 6;
        s.detection.blockOffsets = makeBlockOffsets(6, 6, 6);
        s.frame.currentGrid.resize(kFrameCells);
        s.frame.previousGrid.resize(kFrameCells);
        for (size_t k = 0; k < 3; ++k) {
            s.shared.clickGestures[k] = k == 1 ? 1 : 0;
            s.shared.dragGestures[k] = k == 0 ? 1 : 0;
        }
        s.shared.dragGestures[2] = 1;
        noise();
    }
    void noise() {
        std::uniform_int_distribution<int> red(0, 255);
        for (auto& v : s.frame.currentGrid) v = red(random);
        for (auto& v : s.frame.previousGrid) v = red(random);
    }
    // Steps 4..10 of a tracking frame, as the tracker runs them.
    void frame(double faceX, double faceY) {
        s.pointer.moveDistance = 0.0;
        mapPointer(s, faceX, faceY);
        (void)detectShake(s, static_cast<int>(faceX));
        (void)detectNod(s.gestures, static_cast<int>(faceY), static_cast<int>(faceX));
        detectEvents(s, faceX, faceY);
        const int k = pendingGesture(s);
        if (k >= 0) {
            runGestureAction(s, desktop, k, {500, 500});
        } else {
            movePointer(s, desktop, {500, 500});
        }
        s.track.lastTargetX = s.pointer.targetX;
        s.track.lastTargetY = s.pointer.targetY;
    }
};

TEST_F(SteadyState, StillFrameGivesNoEvent) {
    s.frame.previousGrid = s.frame.currentGrid;
    for (int i = 0; i < 19; ++i) frame(320.0, 240.0);
    EXPECT_EQ(pendingGesture(s), -1);
    EXPECT_TRUE(desktop.of(testing::DesktopCall::ButtonDown).empty());
}

TEST_F(SteadyState, PatchesAtTheFrameEdgesStayInside) {
    struct Face {
        double x, y;
    };
    s.face.halfEyeGap = 40;
    for (const Face face :
         {Face{0.0, 0.0}, Face{639.0, 479.0}, Face{0.0, 479.0}, Face{639.0, 0.0}, Face{1.0, 240.0},
          Face{638.0, 240.0}, Face{320.0, 0.5}, Face{320.0, 479.4}, Face{-50.0, 900.0}}) {
        for (const PatchRect r :
             {eyePatchRect(s, face.x, face.y), mouthPatchRect(s, face.x, face.y)}) {
            EXPECT_TRUE(r.left >= 0 && r.left + r.cols <= 640 && r.top >= 0 &&
                        r.top + r.rows <= 480)
                << face.x << "," << face.y;
        }
        s.pointer.clickCooldown = false;
        frame(face.x, face.y);  // the sanitizers watch every access
        // The samples are the frame's own cells, not zero-filled strays.
        const auto last = static_cast<size_t>(s.clickPatches.eyePatchIndices[2256]);
        ASSERT_LT(last, s.frame.currentGrid.size());
        EXPECT_EQ(s.clickPatches.eyePatchCurrent[2256], s.frame.currentGrid[last]);
    }
    // Clamped, not shifted further than needed.
    EXPECT_EQ(mouthPatchRect(s, 0.0, -200.0), (PatchRect{0, 0, 31, 50}));
    EXPECT_EQ(mouthPatchRect(s, 700.0, 600.0), (PatchRect{609, 430, 31, 50}));
}

TEST_F(SteadyState, FramesAllocateNothingOnceRunning) {
    for (int i = 0; i < 3; ++i) frame(320.0, 240.0);  // buffers and scratch settle
    desktop.calls.reserve(4096);
    allocations = 0;
    counting = true;
    for (int i = 0; i < 60; ++i) {
        frame(300.0 + (i % 7) * 6.0, 230.0 + (i % 5) * 4.0);
    }
    counting = false;
    EXPECT_EQ(allocations, 0);
    EXPECT_FALSE(desktop.calls.empty());

    // The counter does see allocations. A direct call, since the compiler may
    // leave out a new-expression whose result is deleted unused.
    counting = true;
    void* probe = ::operator new(sizeof(int));
    counting = false;
    ::operator delete(probe);
    EXPECT_EQ(allocations, 1);
}

}  // namespace
}  // namespace quil
