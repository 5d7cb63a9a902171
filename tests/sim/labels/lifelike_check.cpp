// Checking tool for the lifelike scenes, apart from the tracker: renders a
// scene without a tracker (its waits run out on their own), finds the face
// on every frame with dlib's HOG face detector, fits dlib's 68 landmarks and
// compares their nose tip (point 30) with the scene's truth, by the head's
// yaw and pitch. Optionally writes the frames it checked as a .y4m.
//
//   quil-lifelike-check SCENE [SEED] [--frames OUT.y4m] [--clean] [--model MODEL.dat]
//
// The frames carry the landmarks (green) and the truth (red) unless --clean.
#include <dlib/image_processing.h>
#include <dlib/image_processing/frontal_face_detector.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim/scene.h"
#include "sim/y4m.h"

namespace {

constexpr const char* kDefaultModel = "/usr/share/dlib/shape_predictor_68_face_landmarks.dat";
constexpr double kDegrees = 180 / 3.14159265358979;
constexpr int kBinDegrees = 10;

struct Bin {
    int frames = 0, found = 0;
    double sq = 0, dx = 0, dy = 0;
};

int binOf(double radians) {
    return static_cast<int>(std::lround(radians * kDegrees / kBinDegrees)) * kBinDegrees;
}

}  // namespace

int main(int argc, char** argv) {
    std::string scene, model = kDefaultModel, framesPath;
    uint64_t seed = 1;
    bool clean = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--frames" && i + 1 < argc) {
            framesPath = argv[++i];
        } else if (a == "--clean") {
            clean = true;
        } else if (a == "--model" && i + 1 < argc) {
            model = argv[++i];
        } else if (scene.empty()) {
            scene = a;
        } else {
            seed = std::stoull(a);
        }
    }
    auto s = quil::sim::makeScene(scene, seed, 0.0);
    if (!s) {
        std::fprintf(stderr, "usage: quil-lifelike-check SCENE [SEED] [--frames OUT.y4m]\n");
        return 2;
    }
    dlib::shape_predictor predictor;
    dlib::deserialize(model) >> predictor;
    dlib::frontal_face_detector detector = dlib::get_frontal_face_detector();
    std::ofstream framesFile;
    std::unique_ptr<quil::sim::Y4mWriter> writer;
    if (!framesPath.empty()) {
        framesFile.open(framesPath, std::ios::binary);
        writer = std::make_unique<quil::sim::Y4mWriter>(framesFile);
    }
    std::vector<uint8_t> bgr(quil::sim::kBgrBytes);
    dlib::array2d<unsigned char> grey(quil::sim::kHeight, quil::sim::kWidth);
    std::map<std::pair<int, int>, Bin> bins;
    quil::sim::UserView view;
    for (int64_t tick = 0; s->advance(tick, view); ++tick) {
        if (!(s->doing() & quil::sim::kInView)) continue;
        s->render(bgr);
        for (int y = 0; y < quil::sim::kHeight; ++y) {
            const uint8_t* row =
                &bgr[static_cast<size_t>(quil::sim::kHeight - 1 - y) * quil::sim::kWidth * 3];
            for (int x = 0; x < quil::sim::kWidth; ++x) {
                grey[y][x] = static_cast<unsigned char>(
                    (29 * row[3 * x] + 150 * row[3 * x + 1] + 77 * row[3 * x + 2]) >> 8);
            }
        }
        const auto& pose = s->pose();
        Bin& b = bins[{binOf(pose.yaw), binOf(pose.pitch)}];
        ++b.frames;
        const auto faces = detector(grey);
        if (faces.empty()) {
            if (writer) writer->writeFrame(bgr);
            continue;
        }
        ++b.found;
        const auto shape = predictor(grey, faces.front());
        const auto truth = s->truthPoint();
        const double ex = shape.part(30).x() - truth[0], ey = shape.part(30).y() - truth[1];
        b.dx += ex;
        b.dy += ey;
        b.sq += ex * ex + ey * ey;
        if (writer && clean) writer->writeFrame(bgr);
        if (writer && !clean) {
            // The landmarks in green, the truth in red.
            const auto mark = [&](double px, double py, int g) {
                const int x = static_cast<int>(px), y = static_cast<int>(py);
                if (x < 0 || y < 0 || x >= quil::sim::kWidth || y >= quil::sim::kHeight) return;
                uint8_t* p =
                    &bgr[(static_cast<size_t>(quil::sim::kHeight - 1 - y) * quil::sim::kWidth + x) *
                         3];
                p[0] = 0;
                p[1] = static_cast<uint8_t>(g);
                p[2] = static_cast<uint8_t>(255 - g);
            };
            for (unsigned long k = 0; k < 68; ++k) mark(shape.part(k).x(), shape.part(k).y(), 255);
            for (int d = -3; d <= 3; ++d) {
                mark(truth[0] + d, truth[1], 0);
                mark(truth[0], truth[1] + d, 0);
            }
            writer->writeFrame(bgr);
        }
    }
    std::printf("yaw pitch  frames found  nose-tip error: mean dx dy, rms (px)\n");
    for (const auto& [key, b] : bins) {
        std::printf("%4d %5d  %6d %5.0f%%", key.first, key.second, b.frames,
                    100.0 * b.found / b.frames);
        if (b.found > 0) {
            std::printf("  %6.1f %6.1f  %5.1f", b.dx / b.found, b.dy / b.found,
                        std::sqrt(b.sq / b.found));
        }
        std::printf("\n");
    }
    return 0;
}
