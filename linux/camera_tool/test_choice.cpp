// The test build's camera, chosen by QUIL_TEST_CAMERA_DEVICE:
//   none        no device answers
//   standard    a UVC webcam (tests/linux/camera_tool/standard_camera.h) at
//               /dev/video0, its metadata node at /dev/video1
// Unset means none. What the window does is seen from outside through two
// files: QUIL_TEST_CAMERA_LOG gets a line "S_CTRL <id> <value>" for each
// control set, QUIL_TEST_CAMERA_PLACES a line "<x> <y> <name>" for each row's
// control and the reset button, in window coordinates, once it shows.
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "linux/camera_tool/settings_window.h"
#include "linux/camera_tool/tool_choice.h"
#include "tests/linux/camera/fake_v4l2.h"
#include "tests/linux/camera_tool/standard_camera.h"

namespace quil::lnx {

namespace {

std::string fromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

class LoggedCamera final : public V4l2Calls {
public:
    LoggedCamera(const std::string& device, std::string log) : log_(std::move(log)) {
        if (device == "standard") {
            fake_.devices["/dev/video0"] = testing::standardCamera();
            fake_.devices["/dev/video1"] = testing::metadataNode();
        }
    }
    int open(const char* path, int flags) override { return fake_.open(path, flags); }
    int close(int fd) override { return fake_.close(fd); }
    ssize_t read(int fd, void* buffer, std::size_t size) override {
        return fake_.read(fd, buffer, size);
    }
    // Logged as asked, before the device answers: the test sees what the
    // window set, whether or not the device took it.
    int ioctl(int fd, unsigned long request, void* arg) override {
        if (request == VIDIOC_S_CTRL && !log_.empty()) {
            const auto* c = static_cast<const v4l2_control*>(arg);
            std::ofstream(log_, std::ios::app) << "S_CTRL " << c->id << ' ' << c->value << '\n';
        }
        return fake_.ioctl(fd, request, arg);
    }

private:
    testing::FakeV4l2 fake_;
    std::string log_;
};

// Written whole under another name and then renamed, so that a reader never
// sees half of it.
void writePlaces(const SettingsWindow& window, const std::string& path) {
    const std::string part = path + ".part";
    {
        std::ofstream out(part);
        for (const auto& [name, at] : window.places()) {
            out << at.x() << ' ' << at.y() << ' ' << name << '\n';
        }
    }
    std::filesystem::rename(part, path);
}

}  // namespace

std::unique_ptr<V4l2Calls> makeToolCalls() {
    return std::make_unique<LoggedCamera>(fromEnvironment("QUIL_TEST_CAMERA_DEVICE"),
                                          fromEnvironment("QUIL_TEST_CAMERA_LOG"));
}

void watchWindow(SettingsWindow& window) {
    const std::string places = fromEnvironment("QUIL_TEST_CAMERA_PLACES");
    if (places.empty()) return;
    // Once the event loop runs, the window is laid out.
    QTimer::singleShot(0, &window, [&window, places] { writePlaces(window, places); });
}

}  // namespace quil::lnx
