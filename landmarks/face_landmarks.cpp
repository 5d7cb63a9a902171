#include "landmarks/face_landmarks.h"

#include <dlib/image_processing.h>
#include <dlib/image_processing/frontal_face_detector.h>

#include <algorithm>
#include <fstream>
#include <optional>

namespace quil::landmarks {

// dlib reads pictures through its generic image interface; this lets it read
// a GreyView in place, without a copy. dlib finds these functions by
// argument-dependent lookup.
struct DlibGrey {
    GreyView view;
};

long num_rows(const DlibGrey& g) { return g.view.height; }
long num_columns(const DlibGrey& g) { return g.view.width; }
// dlib asks for a mutable pointer but only reads through it here.
void* image_data(DlibGrey& g) { return const_cast<uint8_t*>(g.view.pixels); }
const void* image_data(const DlibGrey& g) { return g.view.pixels; }
long width_step(const DlibGrey& g) { return g.view.stride; }

}  // namespace quil::landmarks

template <>
struct dlib::image_traits<quil::landmarks::DlibGrey> {
    using pixel_type = unsigned char;
};

namespace quil::landmarks {

namespace {

bool usable(const GreyView& picture) {
    return picture.pixels != nullptr && picture.width > 0 && picture.height > 0 &&
           picture.stride >= picture.width;
}

// A predictor of the given number of points from the file, or false.
bool readPredictor(const std::filesystem::path& file, unsigned long parts,
                   dlib::shape_predictor& predictor) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    try {
        dlib::deserialize(predictor, in);
    } catch (const std::exception&) {
        return false;
    }
    return predictor.num_parts() == parts;
}

template <size_t N>
void fitInto(const dlib::shape_predictor& predictor, const GreyView& picture, const FaceBox& box,
             std::array<Point, N>& points) {
    points = {};
    if (!usable(picture)) return;
    const DlibGrey grey{picture};
    const dlib::full_object_detection shape =
        predictor(grey, dlib::rectangle(box.left, box.top, box.right, box.bottom));
    for (size_t i = 0; i < N; ++i) {
        const dlib::point p = shape.part(static_cast<unsigned long>(i));
        points[i] = {static_cast<double>(p.x()), static_cast<double>(p.y())};
    }
}

}  // namespace

struct FaceDetector::Impl {
    // Built at the first search: decoding dlib's built-in detector takes the
    // better part of a second, which a program's start-up should not spend
    // for a user who never searches (one of the classic engine).
    std::optional<dlib::frontal_face_detector> detector;
    std::vector<dlib::rect_detection> detections;
};

FaceDetector::FaceDetector() : impl_(std::make_unique<Impl>()) {}
FaceDetector::~FaceDetector() = default;

void FaceDetector::find(const GreyView& picture, std::vector<FaceBox>& found) {
    found.clear();
    if (!usable(picture)) return;
    const DlibGrey grey{picture};
    if (!impl_->detector) impl_->detector = dlib::get_frontal_face_detector();
    impl_->detections.clear();
    (*impl_->detector)(grey, impl_->detections);
    std::sort(impl_->detections.begin(), impl_->detections.end(),
              [](const dlib::rect_detection& a, const dlib::rect_detection& b) {
                  return a.detection_confidence > b.detection_confidence;
              });
    for (const dlib::rect_detection& d : impl_->detections) {
        found.push_back({static_cast<int>(d.rect.left()), static_cast<int>(d.rect.top()),
                         static_cast<int>(d.rect.right()), static_cast<int>(d.rect.bottom()),
                         d.detection_confidence});
    }
}

struct LandmarkModel::Impl {
    dlib::shape_predictor predictor;
};

LandmarkModel::LandmarkModel() : impl_(std::make_unique<Impl>()) {}
LandmarkModel::~LandmarkModel() = default;

std::unique_ptr<LandmarkModel> LandmarkModel::load(const std::filesystem::path& file) {
    std::unique_ptr<LandmarkModel> model(new LandmarkModel());
    if (!readPredictor(file, kLandmarkCount, model->impl_->predictor)) return nullptr;
    return model;
}

Landmarks LandmarkModel::fit(const GreyView& picture, const FaceBox& box) const {
    Landmarks points{};
    fitInto(impl_->predictor, picture, box, points);
    return points;
}

struct FullLandmarkModel::Impl {
    dlib::shape_predictor predictor;
};

FullLandmarkModel::FullLandmarkModel() : impl_(std::make_unique<Impl>()) {}
FullLandmarkModel::~FullLandmarkModel() = default;

std::unique_ptr<FullLandmarkModel> FullLandmarkModel::load(const std::filesystem::path& file) {
    std::unique_ptr<FullLandmarkModel> model(new FullLandmarkModel());
    if (!readPredictor(file, kFullLandmarkCount, model->impl_->predictor)) return nullptr;
    return model;
}

void FullLandmarkModel::fit(const GreyView& picture, const FaceBox& box,
                            FullLandmarks& marks) const {
    fitInto(impl_->predictor, picture, box, marks);
}

}  // namespace quil::landmarks
