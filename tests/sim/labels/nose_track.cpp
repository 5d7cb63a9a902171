// Labelling tool, apart from the tracker: finds the face on every frame of a
// .y4m clip with dlib's HOG face detector, places dlib's 68 landmarks on it,
// and prints the mean of the nine nose points (27-35) as a reference track in
// the labels format of sim/clip_labels.h. The 68-point model is a different
// model from the 5-point one the precise engine loads, so the reference does
// not share its errors.
//
//   quil-nose-track CLIP.y4m [MODEL.dat] [--measures] > nose.txt
//
// --measures adds, as comments, each frame's eye and mouth opening (height
// over width of the landmarks' outlines), which help to find blinks and
// mouth openings to label by hand.
#include <dlib/image_processing.h>
#include <dlib/image_processing/frontal_face_detector.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "sim/y4m.h"

namespace {

constexpr const char* kDefaultModel = "/usr/share/dlib/shape_predictor_68_face_landmarks.dat";
constexpr unsigned long kNoseFirst = 27, kNoseLast = 35;  // bridge and tip, then nostrils

double distance(const dlib::point& a, const dlib::point& b) {
    return std::hypot(static_cast<double>(a.x() - b.x()), static_cast<double>(a.y() - b.y()));
}

// Eye opening: the lids' mean gap over the corners' distance (points 36-41
// and 42-47); mouth opening: the inner lips' gap over their width (60-67).
double eyeOpening(const dlib::full_object_detection& s, unsigned long first) {
    return (distance(s.part(first + 1), s.part(first + 5)) +
            distance(s.part(first + 2), s.part(first + 4))) /
           (2.0 * distance(s.part(first), s.part(first + 3)));
}

double mouthOpening(const dlib::full_object_detection& s) {
    return distance(s.part(62), s.part(66)) / distance(s.part(60), s.part(64));
}

// The largest face, searched again at twice the size when none is found (a
// person sitting far back).
bool findFace(dlib::frontal_face_detector& detector, const dlib::array2d<unsigned char>& grey,
              dlib::rectangle& face) {
    std::vector<dlib::rectangle> faces = detector(grey);
    if (faces.empty()) {
        dlib::array2d<unsigned char> larger;
        dlib::pyramid_up(grey, larger, dlib::pyramid_down<2>());
        for (const auto& f : detector(larger)) {
            faces.emplace_back(f.left() / 2, f.top() / 2, f.right() / 2, f.bottom() / 2);
        }
    }
    if (faces.empty()) return false;
    face = faces.front();
    for (const auto& f : faces) {
        if (f.area() > face.area()) face = f;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string clip, model = kDefaultModel;
    bool measures = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--measures") {
            measures = true;
        } else if (clip.empty()) {
            clip = a;
        } else {
            model = a;
        }
    }
    if (clip.empty()) {
        std::fprintf(stderr, "usage: quil-nose-track CLIP.y4m [MODEL.dat] [--measures]\n");
        return 2;
    }
    std::ifstream in(clip, std::ios::binary);
    quil::sim::Y4mReader reader(in);
    if (!in || !reader.open()) {
        std::fprintf(stderr, "quil-nose-track: cannot read %s: %s\n", clip.c_str(),
                     reader.error().c_str());
        return 2;
    }
    dlib::shape_predictor predictor;
    try {
        dlib::deserialize(model) >> predictor;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quil-nose-track: cannot read the model %s: %s\n", model.c_str(),
                     e.what());
        return 2;
    }
    dlib::frontal_face_detector detector = dlib::get_frontal_face_detector();
    const auto& info = reader.info();
    std::printf("# nose track of %s (%dx%d at %lld/%lld fps)\n", clip.c_str(), info.width,
                info.height, static_cast<long long>(info.rateNum),
                static_cast<long long>(info.rateDen));
    std::vector<uint8_t> planes;
    dlib::array2d<unsigned char> grey(info.height, info.width);
    int found = 0, frames = 0;
    for (int64_t frame = 0; reader.next(planes) == quil::sim::Y4mReader::Next::Frame; ++frame) {
        ++frames;
        // The luma plane comes first, one byte a pixel, rows from the top.
        for (int y = 0; y < info.height; ++y) {
            for (int x = 0; x < info.width; ++x) {
                grey[y][x] = planes[static_cast<size_t>(y) * info.width + x];
            }
        }
        dlib::rectangle face;
        if (!findFace(detector, grey, face)) {
            std::printf("# %lld: no face\n", static_cast<long long>(frame));
            continue;
        }
        const dlib::full_object_detection shape = predictor(grey, face);
        double x = 0, y = 0;
        for (unsigned long k = kNoseFirst; k <= kNoseLast; ++k) {
            x += shape.part(k).x();
            y += shape.part(k).y();
        }
        const double n = kNoseLast - kNoseFirst + 1;
        std::printf("nose %lld %.1f %.1f", static_cast<long long>(frame), x / n, y / n);
        if (measures) {
            std::printf("  # eyes %.3f %.3f mouth %.3f face %ld", eyeOpening(shape, 36),
                        eyeOpening(shape, 42), mouthOpening(shape), face.width());
        }
        std::printf("\n");
        ++found;
    }
    std::fprintf(stderr, "quil-nose-track: a face on %d of %d frames\n", found, frames);
    return 0;
}
