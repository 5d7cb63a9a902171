// The tracker from its first frame to tracking, on synthetic frames: a
// moving head-sized region, then two short eye-sized changes.
#include <gtest/gtest.h>

#include "imaging/template_search.h"
#include "tracker_fixture.h"

namespace quil {
namespace {

using testing::DesktopCall;
using testing::Frame;
using testing::RecordingDesktop;

// a with the rectangle's red bytes taken from b.
Frame patched(const Frame& a, const Frame& b, int x0, int y0, int w, int h) {
    Frame out = a;
    for (int x = x0; x < x0 + w; ++x) {
        for (int y = y0; y < y0 + h; ++y) out[testing::redByte(x, y)] = b[testing::redByte(x, y)];
    }
    return out;
}

// a with the rectangle's red bytes raised by delta.
Frame raised(const Frame& a, int x0, int y0, int w, int h, int delta) {
    Frame out = a;
    for (int x = x0; x < x0 + w; ++x) {
        for (int y = y0; y < y0 + h; ++y) {
            out[testing::redByte(x, y)] = static_cast<uint8_t>(out[testing::redByte(x, y)] + delta);
        }
    }
    return out;
}

TEST(Pipeline, FromTheFirstFrameToTrackingTheFace) {
    auto s = testing::startedState();
    RecordingDesktop desktop;
    desktop.cursor = {700, 500};
    Frame still = testing::texturedFrame(70, 0, 150);
    // Block columns 20..39 and block rows 8..20 move: the worked-example box.
    Frame moved = patched(still, testing::texturedFrame(71, 0, 150), 200, 80, 200, 130);

    testing::feed(*s, desktop, still, 22);  // pause and initialising frame
    for (int i = 0; i < 11; ++i) testing::feed(*s, desktop, i % 2 == 0 ? moved : still, 1);
    ASSERT_EQ(s->state, HeadBox);
    EXPECT_EQ(s->detection.rowProfile[8], 11 * 20);  // every frame differs from the one before
    EXPECT_EQ(s->detection.rowProfile[7], 0);

    const FrameReport boxed = frameCallback(*s, desktop, std::span<uint8_t>(still));
    ASSERT_EQ(s->state, Calibration);
    EXPECT_EQ(boxed.stateBefore, HeadBox);
    EXPECT_EQ(boxed.stateAfter, Calibration);
    ASSERT_TRUE(boxed.headBox);
    EXPECT_EQ((std::array{boxed.headBox->top, boxed.headBox->left}), (std::array{380, 200}));
    EXPECT_EQ((std::array{s->detection.headTop, s->detection.headBottom, s->detection.headLeft,
                          s->detection.headRight}),
              (std::array{380, 114, 200, 400}));
    EXPECT_EQ(desktop.of(DesktopCall::StartEyes).size(), 1u);

    // An unchanged frame is no blink.
    testing::feed(*s, desktop, still, 1);
    EXPECT_EQ(s->state, Calibration);
    EXPECT_EQ(s->detection.calibFrames, 1);

    // Four picture rows of both eyes brighten: box columns 30..59 and 90..119
    // (block columns 5..9 and 15..19), box rows 66..69 (block rows 6..11).
    Frame blink = raised(raised(still, 230, 166, 30, 4, 90), 290, 166, 30, 4, 90);
    desktop.calls.clear();
    const FrameReport calibrated = frameCallback(*s, desktop, std::span<uint8_t>(blink));
    ASSERT_EQ(s->state, Tracking);
    ASSERT_TRUE(calibrated.calibration);
    EXPECT_EQ(calibrated.calibration->latticeCount, 60);
    EXPECT_EQ(s->detection.calibFrames, 2);
    EXPECT_EQ((std::array{s->face.eyeAX, s->face.eyeBX, s->face.eyeAY}), (std::array{42, 102, 66}));
    EXPECT_EQ(s->face.refX, 272);
    EXPECT_EQ(s->face.refY, 100 + 66 - 1);
    EXPECT_EQ(s->face.latticeCount, 60);
    ASSERT_GE(desktop.calls.size(), 2u);
    EXPECT_EQ(desktop.calls.front().kind, DesktopCall::CloseEyes);
    EXPECT_EQ(desktop.calls.back(), (DesktopCall{DesktopCall::SetCursor, 0, 1, 1}));

    // The calibration frame again: the face is where it was, at no cost.
    const FaceFix fix = locateFace(*s, testing::gridOf(blink));
    EXPECT_FLOAT_EQ(fix.cost, 0.0f);
    EXPECT_NEAR(fix.faceX, 272 - 30 + 50 - 15 + 0.0, 1.0);  // middle lattice column
    EXPECT_NEAR(fix.faceY, 165 - 5, 1.0);                   // top lattice row
    const FrameReport tracked = frameCallback(*s, desktop, std::span<uint8_t>(blink));
    EXPECT_EQ(s->state, Tracking);
    EXPECT_NEAR(s->track.lastFoundX, fix.faceX, 1e-9);
    // The report names the face where the template's point is, at no cost.
    ASSERT_TRUE(tracked.cost && tracked.faceX && tracked.faceY);
    EXPECT_EQ(*tracked.cost, 0.0);
    EXPECT_EQ(*tracked.faceX, s->track.lastFoundX);
    EXPECT_NEAR(*tracked.faceX, calibrated.calibration->templateX, 1.0);
    EXPECT_NEAR(*tracked.faceY, calibrated.calibration->templateY, 1.0);
    EXPECT_EQ(tracked.loss, LossReason::None);
}

}  // namespace
}  // namespace quil
