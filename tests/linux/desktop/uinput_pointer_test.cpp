// The uinput pointer against a stand-in of its system calls: the device it
// declares, the events a move and a click write, and what it leaves behind.
#include "linux/desktop/uinput_pointer.h"

#include <gtest/gtest.h>
#include <linux/uinput.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace quil::lnx {
namespace {

constexpr int kFd = 7;

struct FakeUinput final : UinputCalls {
    bool refuseOpen = false;
    unsigned long refuseRequest = 0;
    // One bit the kernel does not know: (request, value).
    std::pair<unsigned long, long> refuseBit{0, -1};
    std::vector<unsigned long> requests;
    std::vector<std::pair<unsigned long, long>> bits;
    std::vector<uinput_abs_setup> axes;
    uinput_setup setup{};
    std::vector<input_event> events;
    int closes = 0;

    int open(const char* path, int /*flags*/) override {
        EXPECT_STREQ(path, kUinputPath);
        if (refuseOpen) {
            errno = EACCES;
            return -1;
        }
        return kFd;
    }
    int close(int fd) override {
        EXPECT_EQ(fd, kFd);
        ++closes;
        return 0;
    }
    int ioctl(int fd, unsigned long request, void* arg) override {
        EXPECT_EQ(fd, kFd);
        requests.push_back(request);
        if (request == refuseRequest ||
            std::make_pair(request, static_cast<long>(reinterpret_cast<intptr_t>(arg))) ==
                refuseBit) {
            errno = EINVAL;
            return -1;
        }
        if (request == UI_ABS_SETUP) {
            axes.push_back(*static_cast<uinput_abs_setup*>(arg));
        } else if (request == UI_DEV_SETUP) {
            setup = *static_cast<uinput_setup*>(arg);
        } else if (request != UI_DEV_CREATE && request != UI_DEV_DESTROY) {
            bits.emplace_back(request, reinterpret_cast<intptr_t>(arg));
        }
        return 0;
    }
    ssize_t write(int fd, const void* data, std::size_t size) override {
        EXPECT_EQ(fd, kFd);
        EXPECT_EQ(size, sizeof(input_event));
        input_event e{};
        std::memcpy(&e, data, sizeof e);
        events.push_back(e);
        return static_cast<ssize_t>(size);
    }
    bool declared(unsigned long request, long value) const {
        return std::find(bits.begin(), bits.end(), std::make_pair(request, value)) != bits.end();
    }
};

bool isEvent(const input_event& e, int type, int code, int value) {
    return e.type == type && e.code == code && e.value == value;
}

TEST(UinputPointer, DeclaresAnAbsolutePointerSpanningTheScreenWithALeftButton) {
    FakeUinput calls;
    auto pointer = UinputPointer::create(calls, 1920, 1080);
    ASSERT_NE(pointer, nullptr);
    EXPECT_TRUE(calls.declared(UI_SET_EVBIT, EV_ABS));
    EXPECT_TRUE(calls.declared(UI_SET_ABSBIT, ABS_X));
    EXPECT_TRUE(calls.declared(UI_SET_ABSBIT, ABS_Y));
    EXPECT_TRUE(calls.declared(UI_SET_EVBIT, EV_KEY));
    EXPECT_TRUE(calls.declared(UI_SET_KEYBIT, BTN_LEFT));
    ASSERT_EQ(calls.axes.size(), 2u);
    EXPECT_EQ(calls.axes[0].code, ABS_X);
    EXPECT_EQ(calls.axes[0].absinfo.maximum, 1919);
    EXPECT_EQ(calls.axes[1].code, ABS_Y);
    EXPECT_EQ(calls.axes[1].absinfo.maximum, 1079);
    EXPECT_EQ(std::string(calls.setup.name), kUinputDeviceName);
    EXPECT_EQ(calls.requests.back(), UI_DEV_CREATE) << "created once fully described";
}

TEST(UinputPointer, IsNotMadeWithoutPermissionOrWhenTheKernelRefusesASetting) {
    FakeUinput noAccess;
    noAccess.refuseOpen = true;
    EXPECT_EQ(UinputPointer::create(noAccess, 800, 600), nullptr);

    for (unsigned long refused :
         {static_cast<unsigned long>(UI_ABS_SETUP), static_cast<unsigned long>(UI_DEV_CREATE)}) {
        FakeUinput calls;
        calls.refuseRequest = refused;
        EXPECT_EQ(UinputPointer::create(calls, 800, 600), nullptr);
        EXPECT_EQ(calls.closes, 1) << "the half-made device is let go";
    }
    FakeUinput calls;
    EXPECT_EQ(UinputPointer::create(calls, 0, 600), nullptr) << "no screen, no axes";
}

TEST(UinputPointer, MovesAreClampedToTheScreenAndReportedWholeThenRemembered) {
    FakeUinput calls;
    auto pointer = UinputPointer::create(calls, 800, 600);
    ASSERT_NE(pointer, nullptr);
    pointer->moveTo(-40, 9000);
    ASSERT_EQ(calls.events.size(), 3u);
    EXPECT_TRUE(isEvent(calls.events[0], EV_ABS, ABS_X, 0));
    EXPECT_TRUE(isEvent(calls.events[1], EV_ABS, ABS_Y, 599));
    EXPECT_TRUE(isEvent(calls.events[2], EV_SYN, SYN_REPORT, 0));
    EXPECT_EQ(pointer->position(), (ScreenPoint{0, 599}));
    pointer->moveTo(400, 300);
    EXPECT_EQ(pointer->position(), (ScreenPoint{400, 300}));
}

TEST(UinputPointer, AHeldButtonIsReleasedBeforeTheDeviceGoes) {
    FakeUinput calls;
    auto pointer = UinputPointer::create(calls, 800, 600);
    ASSERT_NE(pointer, nullptr);
    pointer->leftButton(true);
    ASSERT_EQ(calls.events.size(), 2u);
    EXPECT_TRUE(isEvent(calls.events[0], EV_KEY, BTN_LEFT, 1));
    pointer.reset();
    ASSERT_EQ(calls.events.size(), 4u);
    EXPECT_TRUE(isEvent(calls.events[2], EV_KEY, BTN_LEFT, 0));
    EXPECT_TRUE(isEvent(calls.events[3], EV_SYN, SYN_REPORT, 0));
    EXPECT_EQ(calls.requests.back(), UI_DEV_DESTROY);
    EXPECT_EQ(calls.closes, 1);

    FakeUinput released;
    auto other = UinputPointer::create(released, 800, 600);
    other->leftButton(true);
    other->leftButton(false);
    other.reset();
    EXPECT_EQ(released.events.size(), 4u) << "nothing more to release";
}

TEST(UinputPointer, DeclaresBothWheelsFineAndClassicOrClassicAloneOnAnOlderKernel) {
    FakeUinput calls;
    auto pointer = UinputPointer::create(calls, 800, 600);
    ASSERT_NE(pointer, nullptr);
    EXPECT_TRUE(calls.declared(UI_SET_EVBIT, EV_REL));
    for (long axis : {REL_WHEEL, REL_HWHEEL, REL_WHEEL_HI_RES, REL_HWHEEL_HI_RES}) {
        EXPECT_TRUE(calls.declared(UI_SET_RELBIT, axis)) << axis;
    }
    EXPECT_TRUE(pointer->fineWheel());

    FakeUinput older;
    older.refuseBit = {UI_SET_RELBIT, REL_WHEEL_HI_RES};
    auto classic = UinputPointer::create(older, 800, 600);
    ASSERT_NE(classic, nullptr) << "a wheel in whole notches is still a wheel";
    EXPECT_FALSE(classic->fineWheel());
    EXPECT_EQ(older.requests.back(), UI_DEV_CREATE);
}

// Fine amounts go out as they come; the classic axes get whole notches, the
// remainder kept for the next call, in either direction.
TEST(UinputPointer, TheWheelSendsFineAmountsAndWholeNotchesKeepingTheRest) {
    FakeUinput calls;
    auto pointer = UinputPointer::create(calls, 800, 600);
    ASSERT_NE(pointer, nullptr);
    pointer->wheel(60, 0);
    ASSERT_EQ(calls.events.size(), 2u);
    EXPECT_TRUE(isEvent(calls.events[0], EV_REL, REL_WHEEL_HI_RES, 60));
    EXPECT_TRUE(isEvent(calls.events[1], EV_SYN, SYN_REPORT, 0));
    calls.events.clear();
    pointer->wheel(200, -130);
    ASSERT_EQ(calls.events.size(), 5u);
    EXPECT_TRUE(isEvent(calls.events[0], EV_REL, REL_WHEEL_HI_RES, 200));
    EXPECT_TRUE(isEvent(calls.events[1], EV_REL, REL_HWHEEL_HI_RES, -130));
    EXPECT_TRUE(isEvent(calls.events[2], EV_REL, REL_WHEEL, 2)) << "60 + 200 is two notches";
    EXPECT_TRUE(isEvent(calls.events[3], EV_REL, REL_HWHEEL, -1));
    calls.events.clear();
    pointer->wheel(0, 0);
    EXPECT_TRUE(calls.events.empty()) << "nothing to say";

    FakeUinput older;
    older.refuseBit = {UI_SET_RELBIT, REL_HWHEEL_HI_RES};
    auto classic = UinputPointer::create(older, 800, 600);
    ASSERT_NE(classic, nullptr);
    classic->wheel(-100, 0);
    EXPECT_TRUE(older.events.empty()) << "less than a notch waits";
    classic->wheel(-100, 0);
    ASSERT_EQ(older.events.size(), 2u);
    EXPECT_TRUE(isEvent(older.events[0], EV_REL, REL_WHEEL, -1));
}

TEST(UinputPointer, AWildWheelAmountIsCappedNotFlooded) {
    FakeUinput calls;
    auto pointer = UinputPointer::create(calls, 800, 600);
    ASSERT_NE(pointer, nullptr);
    pointer->wheel(INT32_MAX, INT32_MIN);
    ASSERT_EQ(calls.events.size(), 5u);
    const int32_t fine = kMaxNotchesPerCall * kWheelNotch;
    EXPECT_TRUE(isEvent(calls.events[0], EV_REL, REL_WHEEL_HI_RES, fine));
    EXPECT_TRUE(isEvent(calls.events[1], EV_REL, REL_HWHEEL_HI_RES, -fine));
    EXPECT_TRUE(isEvent(calls.events[2], EV_REL, REL_WHEEL, kMaxNotchesPerCall));
    EXPECT_TRUE(isEvent(calls.events[3], EV_REL, REL_HWHEEL, -kMaxNotchesPerCall));
}

TEST(WheelNotches, KeepsTheRemainderWithItsSignAcrossCalls) {
    WheelNotches w;
    EXPECT_EQ(w.take(119), 0);
    EXPECT_EQ(w.take(1), 1);
    EXPECT_EQ(w.rest(), 0);
    EXPECT_EQ(w.take(-50), 0);
    EXPECT_EQ(w.take(-200), -2);
    EXPECT_EQ(w.rest(), -10);
    EXPECT_EQ(w.take(10), 0) << "back the other way cancels";
    EXPECT_EQ(w.rest(), 0);
    EXPECT_EQ(w.take(INT32_MAX), kMaxNotchesPerCall);
    EXPECT_LT(w.rest(), kWheelNotch);
    EXPECT_EQ(w.take(INT32_MIN), -kMaxNotchesPerCall);
    EXPECT_GT(w.rest(), -kWheelNotch);
}

}  // namespace
}  // namespace quil::lnx
