// Steady-state frames must not allocate: this program replaces the global
// allocation functions with counting ones and runs the tracker's busiest
// states frame after frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "pointer/clicks.h"
#include "tests/support/quiet_desktop.h"
#include "tracker_fixture.h"

// These replacements pair malloc with free; GCC, once it inlines them into
// the code under test, takes that pair for a new matched with a free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {
bool gCounting = false;
long gAllocations = 0;

void* countedAlloc(std::size_t size) {
    if (gCounting) ++gAllocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return countedAlloc(size); }
void* operator new[](std::size_t size) { return countedAlloc(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (gCounting) ++gAllocations;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (gCounting) ++gAllocations;
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace quil {
namespace {

using testing::QuietDesktop;

// Allocations made by n frames, alternating between the given frames.
long allocationsOver(TrackerState& s, Desktop& desktop, testing::Frame& a, testing::Frame& b,
                     int n) {
    gAllocations = 0;
    gCounting = true;
    for (int i = 0; i < n; ++i) {
        frameCallback(s, desktop, std::span<uint8_t>(i % 2 == 0 ? a : b));
    }
    gCounting = false;
    return gAllocations;
}

// b is a with a patch of new texture: motion for the samplers to find.
testing::Frame withPatch(const testing::Frame& a, int x0, int y0, int w, int h, uint32_t seed) {
    testing::Frame b = a;
    const testing::Frame other = testing::texturedFrame(seed);
    for (int x = x0; x < x0 + w; ++x) {
        for (int y = y0; y < y0 + h; ++y) b[testing::redByte(x, y)] = other[testing::redByte(x, y)];
    }
    return b;
}

TEST(SteadyStateAllocations, MotionSearchFramesAllocateNothing) {
    auto s = testing::startedState();
    QuietDesktop desktop;
    testing::Frame a = testing::texturedFrame(60);
    testing::Frame b = withPatch(a, 200, 100, 200, 250, 61);
    testing::feed(*s, desktop, a, 21);  // the pause
    // The initialising frame allocates: the counter does see allocations.
    EXPECT_GT(allocationsOver(*s, desktop, a, a, 1), 0);
    testing::feed(*s, desktop, b, 2);  // the first steps may allocate
    ASSERT_EQ(s->state, MotionSearch);
    EXPECT_EQ(allocationsOver(*s, desktop, a, b, 6), 0);
    ASSERT_EQ(s->state, MotionSearch);
    EXPECT_GT(s->detection.colProfile[25], 0);
}

TEST(SteadyStateAllocations, CalibrationFramesAllocateNothing) {
    auto s = testing::inCalibration();
    QuietDesktop desktop;
    testing::Frame a = testing::texturedFrame(62);
    // Two eye-sized changes inside the head box, and a bigger one.
    testing::Frame b = withPatch(withPatch(a, 240, 180, 30, 40, 63), 300, 180, 30, 40, 64);
    testing::Frame c = withPatch(a, 220, 150, 150, 150, 65);
    s->frame.pauseActive = false;
    s->frame.previousGrid = testing::gridOf(a);
    testing::feed(*s, desktop, b, 2);
    ASSERT_EQ(s->state, Calibration);
    EXPECT_EQ(allocationsOver(*s, desktop, c, b, 6), 0);
    EXPECT_EQ(allocationsOver(*s, desktop, a, a, 4), 0);
    ASSERT_EQ(s->state, Calibration);
}

TEST(SteadyStateAllocations, TrackingFramesAllocateNothing) {
    auto s = testing::inCalibration();
    QuietDesktop desktop;
    testing::Frame a = testing::texturedFrame(66);
    s->frame.currentGrid = testing::gridOf(a);
    s->frame.previousGrid = s->frame.currentGrid;
    ASSERT_TRUE(setUpTracking(*s, desktop, testing::eyesSixtyApart()));
    s->frame.pauseActive = false;
    // Both patch gestures examined on still frames; a small blink in one patch.
    s->shared.clickGestures[GestureEye] = 1;
    s->shared.clickGestures[GestureMouth] = 1;
    testing::Frame blink = withPatch(a, 250, 200, 20, 10, 67);
    testing::feed(*s, desktop, a, 3);
    ASSERT_EQ(s->state, Tracking);
    EXPECT_EQ(allocationsOver(*s, desktop, a, a, 6), 0);
    EXPECT_EQ(allocationsOver(*s, desktop, blink, a, 4), 0);
    EXPECT_EQ(s->state, Tracking);
}

}  // namespace
}  // namespace quil
