// The soak's cycle and its frames: a script of a minute or so, and a cache
// of rendered pictures, since rendering a person costs some twenty times the
// tracker's own frame and a day of ticks would take hours otherwise.
#include <algorithm>
#include <cmath>

#include "sim/scene_look.h"
#include "sim/scene_phases.h"
#include "sim/soak.h"
#include "sim/y4m.h"

namespace quil::sim {

namespace {

// Head offsets the cycle points at, off-picture to the left when leaving.
constexpr double kLeaveX = -420;
// Pose quantisation of the cache's key: an eighth of a pixel, a 128th of a
// closure, a ten-thousandth of a radian: well below what the tracker sees.
constexpr double kPlaceStep = 8.0, kClosureStep = 128.0, kRollStep = 10000.0;
// The noise pool: one frame and a margin the tick's offset moves over.
constexpr size_t kNoiseMargin = 65536;
constexpr int kGainShift = 12;  // gains and noise in 1/4096 of a level

using phases::hold;
using phases::moveTo;

uint64_t mixKey(const std::array<int64_t, 8>& key) {
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (const int64_t k : key) h = (h ^ static_cast<uint64_t>(k)) * 0x100000001B3ull;
    return h ^ (h >> 29);
}

}  // namespace

// Even cycles: the mouth clicks, the eyes drag. Odd cycles: the eyes and a
// held head click, the mouth drags.
const char* const kSoakOptions[2] = {"1 0 0 0 1 0 0 1 0 0 1 0 1 0 0\n",
                                     "1 0 0 0 1 0 0 1 0 1 0 1 0 1 0\n"};

// Sits down, calibrates, points at three places, one mouth gesture, two eye
// gestures and one more mouth gesture (a click, a drag's press and release,
// a click, or a drag's press, two clicks and the release, by the options),
// dwells, nods the keyboard away and back, and leaves to the left.
std::vector<Phase> soakCycleScript() {
    return {
        {Act::Enter, 1.2},
        {Act::Sway, 8.0, Until::EyesWindow},
        // Settles in the middle before blinking, so that a retried
        // calibration's sway starts from there and does not wander off.
        moveTo(0, 0, 0.4),
        {Act::HoldBlink, 10.0, Until::Calibrated, 0, 0, 2},
        hold(1.0),
        moveTo(-12, 0),
        hold(2.0),
        moveTo(12, 0, 1.0),
        hold(2.0),
        moveTo(0, 10),
        hold(2.0),
        moveTo(-10, -4),
        hold(1.2),
        {Act::MouthClick, 0.8},
        hold(1.2),
        moveTo(8, 6),
        hold(1.2),
        {Act::EyeHold, 1.2},
        hold(0.6),
        moveTo(-8, 6, 1.2),
        hold(1.0),
        {Act::EyeHold, 1.2},
        hold(1.2),
        moveTo(6, -6),
        hold(1.2),
        {Act::MouthClick, 0.8},
        hold(1.2),
        moveTo(0, 0),
        hold(2.5),
        {Act::Nod, 4.0, Until::KeyboardToggled},
        hold(1.0),
        moveTo(0, 0, 0.5),
        {Act::Nod, 4.0, Until::KeyboardToggled},
        hold(1.0),
        moveTo(0, 0, 0.5),
        moveTo(kLeaveX, 0, 1.5),
        hold(1.0),
    };
}

FrameCache::FrameCache(int capacity, uint64_t seed, double noiseSigma)
    : capacity_(std::max(0, capacity)),
      pictures_(static_cast<size_t>(capacity_) * kBgrBytes, 0),
      slots_(static_cast<size_t>(capacity_) * 4 + 1),
      scratch_(kBgrBytes, 0),
      noise_(kBgrBytes + kNoiseMargin) {
    // Touch every page now: resident memory is then as large as it gets.
    for (size_t i = 0; i < pictures_.size(); i += 4096) pictures_[i] = 1;
    // As the scenes' own noise: a sum of four uniform draws, near a Gaussian.
    Rng rng(seed * 0x2545F4914F6CDD1Dull + 7);
    for (auto& n : noise_) {
        const uint64_t bits = rng.next();
        const double sum = static_cast<double>((bits & 0x1F) + ((bits >> 5) & 0x1F) +
                                               ((bits >> 10) & 0x1F) + ((bits >> 15) & 0x1F)) -
                           62.0;
        n = static_cast<int16_t>(std::lround(sum * noiseSigma / 18.0 * (1 << kGainShift)));
    }
}

void FrameCache::toBgr(const std::vector<float>& rgb, uint8_t* out) {
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = out + static_cast<size_t>(kHeight - 1 - y) * kWidth * 3;
        const float* src = &rgb[static_cast<size_t>(y) * kWidth * 3];
        for (int x = 0; x < kWidth * 3; x += 3) {
            for (int ch = 0; ch < 3; ++ch) {
                const long v = std::lround(src[x + ch]);
                row[x + 2 - ch] = static_cast<uint8_t>(std::clamp(v, 0L, 255L));
            }
        }
    }
}

const uint8_t* FrameCache::clean(Scene& scene, bool hidden) {
    if (hidden) {
        if (room_.empty()) {
            // The room alone: a person never drawn.
            Scene empty("room", {hold(1.0)}, 1, 0.0);
            empty.hidePerson();
            room_.resize(kBgrBytes);
            toBgr(empty.renderClean(), room_.data());
        }
        return room_.data();
    }
    const Pose& p = scene.pose();
    const std::array<int64_t, 8> key{
        std::llround(p.headX * kPlaceStep),     std::llround(p.headY * kPlaceStep),
        std::llround(p.bodyX * kPlaceStep),     std::llround(p.bodyY * kPlaceStep),
        std::llround(p.roll * kRollStep),       std::llround(p.eyeClose * kClosureStep),
        std::llround(p.squeeze * kClosureStep), std::llround(p.mouthOpen * kClosureStep)};
    if (capacity_ > 0) {
        size_t at = mixKey(key) % slots_.size();
        while (slots_[at].index >= 0 && slots_[at].key != key) at = (at + 1) % slots_.size();
        Slot& slot = slots_[at];
        if (slot.index >= 0) {
            ++hits_;
            return &pictures_[static_cast<size_t>(slot.index) * kBgrBytes];
        }
        ++misses_;
        // Kept while there is room; later poses are rendered each time.
        if (used_ < capacity_) {
            slot.key = key;
            slot.index = used_++;
            uint8_t* picture = &pictures_[static_cast<size_t>(slot.index) * kBgrBytes];
            toBgr(scene.renderClean(), picture);
            return picture;
        }
    } else {
        ++misses_;
    }
    toBgr(scene.renderClean(), scratch_.data());
    return scratch_.data();
}

void FrameCache::frame(Scene& scene, bool hidden, int64_t tick, std::span<uint8_t> bgr) {
    const uint8_t* picture = clean(scene, hidden);
    const auto gain = static_cast<int32_t>(std::lround(scene.gainAt(tick) * (1 << kGainShift)));
    Rng pick(static_cast<uint64_t>(tick) * 0x9E3779B97F4A7C15ull);
    const int16_t* noise = noise_.data() + pick.next() % kNoiseMargin;
    constexpr int32_t half = 1 << (kGainShift - 1);
    uint8_t* out = bgr.data();
    for (size_t i = 0; i < static_cast<size_t>(kBgrBytes); ++i) {
        const int32_t v = (picture[i] * gain + noise[i] + half) >> kGainShift;
        out[i] = static_cast<uint8_t>(std::clamp(v, 0, 255));
    }
}

}  // namespace quil::sim
