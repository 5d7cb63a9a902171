// The uinput pointer against a stand-in of its system calls: the device it
// declares, the events a move and a click write, and what it leaves behind.
#include "linux/desktop/uinput_pointer.h"

#include <gtest/gtest.h>
#include <linux/uinput.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace quil::lnx {
namespace {

constexpr int kFd = 7;

struct FakeUinput final : UinputCalls {
    bool refuseOpen = false;
    unsigned long refuseRequest = 0;
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
        if (request == refuseRequest) {
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

}  // namespace
}  // namespace quil::lnx
