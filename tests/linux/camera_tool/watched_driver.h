// A scripted camera (FakeV4l2) behind a driver that is watched and can be
// made awkward: every request is recorded, a manual control may be refused
// while its automatic switch is on, a control may take only multiples of
// its own (as real drivers round) or be write-only.
#pragma once

#include <map>
#include <set>
#include <utility>
#include <vector>

#include "tests/linux/camera/fake_v4l2.h"

namespace quil::lnx::testing {

class WatchedDriver final : public V4l2Calls {
public:
    FakeV4l2 fake;
    std::vector<unsigned long> requests;
    std::vector<std::pair<uint32_t, int32_t>> sets;  // each S_CTRL asked for
    int reads = 0;
    // governed id -> {switch id, the switch's manual value}
    std::map<uint32_t, std::pair<uint32_t, int32_t>> refusedWhileAuto;
    std::map<uint32_t, int32_t> roundsTo;  // id -> the multiple the driver keeps
    std::set<uint32_t> writeOnly;          // G_CTRL refused

    int open(const char* path, int flags) override { return fake.open(path, flags); }
    int close(int fd) override { return fake.close(fd); }
    ssize_t read(int fd, void* buffer, std::size_t size) override {
        ++reads;
        return fake.read(fd, buffer, size);
    }
    int ioctl(int fd, unsigned long request, void* arg) override {
        requests.push_back(request);
        if (request == VIDIOC_G_CTRL && writeOnly.count(static_cast<v4l2_control*>(arg)->id) != 0) {
            errno = EACCES;
            return -1;
        }
        if (request != VIDIOC_S_CTRL) return fake.ioctl(fd, request, arg);
        auto* c = static_cast<v4l2_control*>(arg);
        sets.emplace_back(c->id, c->value);
        if (const auto sw = refusedWhileAuto.find(c->id); sw != refusedWhileAuto.end()) {
            v4l2_control state{};
            state.id = sw->second.first;
            if (fake.ioctl(fd, VIDIOC_G_CTRL, &state) == 0 && state.value != sw->second.second) {
                errno = EACCES;
                return -1;
            }
        }
        if (const auto r = roundsTo.find(c->id); r != roundsTo.end()) {
            c->value = c->value / r->second * r->second;
        }
        return fake.ioctl(fd, request, arg);
    }
};

}  // namespace quil::lnx::testing
