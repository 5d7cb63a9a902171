// Faces and their landmarks, found by dlib: its HOG frontal face detector and
// a shape predictor model read from a file. The one place that includes dlib;
// everything above sees these plain types only.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace quil::landmarks {

// A grey picture in memory, rows top-down, one byte a pixel. Not owned.
struct GreyView {
    const uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes from one row to the next
};

// A face's box in pixels of the picture searched; right and bottom inclusive.
struct FaceBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    double score = 0.0;  // the detector's confidence, larger is surer
};

struct Point {
    double x = 0.0;
    double y = 0.0;
};

// The 5-point model's landmarks, in its order: the corners of the eye on the
// picture's right (outer, inner), those of the eye on its left (outer,
// inner), and the bottom of the nose. Left and right are the picture's.
inline constexpr int kLandmarkCount = 5;
enum LandmarkIndex : int {
    kRightEyeOuter = 0,
    kRightEyeInner = 1,
    kLeftEyeOuter = 2,
    kLeftEyeInner = 3,
    kNoseBottom = 4,
};
using Landmarks = std::array<Point, kLandmarkCount>;

// The 68-point model's landmarks, in the usual iBUG 300-W order: the jaw
// (0-16), the brows (17-26), the nose's bridge (27-30) and bottom (31-35),
// the eyes (36-41 on the picture's left, 42-47 on its right, each from the
// outer corner clockwise), the outer lips (48-59) and the inner lips (60-67).
inline constexpr int kFullLandmarkCount = 68;
using FullLandmarks = std::array<Point, kFullLandmarkCount>;

class FaceDetector {
public:
    FaceDetector();
    ~FaceDetector();
    FaceDetector(const FaceDetector&) = delete;
    FaceDetector& operator=(const FaceDetector&) = delete;

    // Frontal faces in the picture, surest first, into found (cleared first).
    // Faces smaller than about 80 pixels across are not found.
    void find(const GreyView& picture, std::vector<FaceBox>& found);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class LandmarkModel {
public:
    // The model in the file, or null when it is missing, unreadable or not a
    // 5-point model.
    static std::unique_ptr<LandmarkModel> load(const std::filesystem::path& file);
    ~LandmarkModel();
    LandmarkModel(const LandmarkModel&) = delete;
    LandmarkModel& operator=(const LandmarkModel&) = delete;

    // The landmarks of the face in box. The picture must hold the box's
    // surroundings; points may fall outside the picture.
    [[nodiscard]] Landmarks fit(const GreyView& picture, const FaceBox& box) const;

private:
    LandmarkModel();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The 68-point model: a separate, optional file, read as the 5-point one.
class FullLandmarkModel {
public:
    // The model in the file, or null when it is missing, unreadable or not a
    // 68-point model.
    static std::unique_ptr<FullLandmarkModel> load(const std::filesystem::path& file);
    ~FullLandmarkModel();
    FullLandmarkModel(const FullLandmarkModel&) = delete;
    FullLandmarkModel& operator=(const FullLandmarkModel&) = delete;

    // As LandmarkModel::fit, into marks.
    void fit(const GreyView& picture, const FaceBox& box, FullLandmarks& marks) const;

private:
    FullLandmarkModel();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace quil::landmarks
