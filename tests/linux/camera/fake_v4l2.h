// Scripted V4L2 devices behind the camera layer's system calls: which paths
// exist, what each device says it is, how its driver answers the format,
// what each read gives and which controls it has. A device removed from
// `devices` behaves as unplugged: calls on its open descriptor fail ENODEV.
#pragma once

#include <linux/videodev2.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "linux/camera/v4l2_calls.h"

namespace quil::lnx::testing {

// A control as the driver describes it to VIDIOC_QUERYCTRL.
inline v4l2_queryctrl controlInfo(uint32_t id, uint32_t type, const char* name, int32_t min,
                                  int32_t max, int32_t step, int32_t def, uint32_t flags = 0) {
    v4l2_queryctrl q{};
    q.id = id;
    q.type = type;
    std::strncpy(reinterpret_cast<char*>(q.name), name, sizeof q.name);
    q.minimum = min;
    q.maximum = max;
    q.step = step;
    q.default_value = def;
    q.flags = flags;
    return q;
}

// What a driver answers to S_FMT.
inline v4l2_pix_format pixFormat(uint32_t width, uint32_t height, uint32_t format,
                                 uint32_t rowBytes) {
    v4l2_pix_format f{};
    f.width = width;
    f.height = height;
    f.pixelformat = format;
    f.field = V4L2_FIELD_NONE;
    f.bytesperline = rowBytes;
    f.sizeimage = rowBytes * height;
    return f;
}

struct FakeDevice {
    uint32_t capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
    uint32_t deviceCaps = 0;  // nonzero: reported as the node's own
    v4l2_pix_format answer = pixFormat(640, 480, V4L2_PIX_FMT_RGB24, 1920);
    int formatError = 0;                                        // nonzero: S_FMT fails with it
    std::deque<std::variant<std::vector<uint8_t>, int>> reads;  // a picture, or an errno
    std::vector<v4l2_queryctrl> controls;
    std::map<uint32_t, std::map<uint32_t, std::string>> menus;  // id -> index -> name
    std::map<uint32_t, int32_t> values;
    bool walkRepeats = false;  // a driver whose NEXT_CTRL always gives the first control
};

class FakeV4l2 final : public V4l2Calls {
public:
    std::map<std::string, FakeDevice> devices;
    std::vector<std::string> opened;     // every path asked for, in order
    std::map<int, std::string> openFds;  // descriptors not yet closed
    int lastFlags = 0;

    int open(const char* path, int flags) override {
        opened.emplace_back(path);
        lastFlags = flags;
        if (devices.count(path) == 0) return fail(ENOENT);
        openFds.emplace(nextFd_, path);
        return nextFd_++;
    }
    int close(int fd) override { return openFds.erase(fd) == 1 ? 0 : fail(EBADF); }
    ssize_t read(int fd, void* buffer, std::size_t size) override {
        FakeDevice* d = device(fd);
        if (d == nullptr) return fail(ENODEV);
        if (d->reads.empty()) return fail(EAGAIN);
        auto next = std::move(d->reads.front());
        d->reads.pop_front();
        if (const int* error = std::get_if<int>(&next)) return fail(*error);
        const auto& picture = std::get<std::vector<uint8_t>>(next);
        const std::size_t n = std::min(size, picture.size());
        std::memcpy(buffer, picture.data(), n);
        return static_cast<ssize_t>(n);
    }
    int ioctl(int fd, unsigned long request, void* arg) override {
        FakeDevice* d = device(fd);
        if (d == nullptr) return fail(ENODEV);
        if (request == VIDIOC_QUERYCAP) {
            auto* cap = static_cast<v4l2_capability*>(arg);
            cap->capabilities = d->capabilities | (d->deviceCaps ? V4L2_CAP_DEVICE_CAPS : 0);
            cap->device_caps = d->deviceCaps;
        } else if (request == VIDIOC_S_FMT) {
            if (d->formatError != 0) return fail(d->formatError);
            static_cast<v4l2_format*>(arg)->fmt.pix = d->answer;
        } else if (request == VIDIOC_QUERYCTRL) {
            return queryControl(*d, *static_cast<v4l2_queryctrl*>(arg));
        } else if (request == VIDIOC_QUERYMENU) {
            auto* m = static_cast<v4l2_querymenu*>(arg);
            auto it = d->menus[m->id].find(m->index);
            if (it == d->menus[m->id].end()) return fail(EINVAL);
            std::strncpy(reinterpret_cast<char*>(m->name), it->second.c_str(), sizeof m->name);
        } else if (request == VIDIOC_G_CTRL || request == VIDIOC_S_CTRL) {
            auto* c = static_cast<v4l2_control*>(arg);
            if (d->values.count(c->id) == 0) return fail(EINVAL);
            if (request == VIDIOC_S_CTRL) d->values[c->id] = c->value;
            c->value = d->values[c->id];
        } else {
            return fail(ENOTTY);
        }
        return 0;
    }

private:
    static int fail(int error) {
        errno = error;
        return -1;
    }
    FakeDevice* device(int fd) {
        auto o = openFds.find(fd);
        if (o == openFds.end()) return nullptr;
        auto d = devices.find(o->second);
        return d == devices.end() ? nullptr : &d->second;
    }
    // The first control above the id with NEXT_CTRL, or that id exactly.
    static int queryControl(const FakeDevice& d, v4l2_queryctrl& q) {
        const bool next = (q.id & V4L2_CTRL_FLAG_NEXT_CTRL) != 0;
        if (next && d.walkRepeats && !d.controls.empty()) {
            q = d.controls.front();
            return 0;
        }
        const uint32_t id = q.id & ~V4L2_CTRL_FLAG_NEXT_CTRL;
        for (const v4l2_queryctrl& c : d.controls) {
            if (next ? c.id > id : c.id == id) {
                q = c;
                return 0;
            }
        }
        return fail(EINVAL);
    }
    int nextFd_ = 3;
};

}  // namespace quil::lnx::testing
