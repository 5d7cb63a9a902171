// The gesture check's prompt as both shells draw it: its caption and
// picture for each step, and where it goes, over the camera view as the eyes
// window does.
#pragma once

#include <cstdint>

#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil {

// The prompt's size: room for the picture above the caption.
inline constexpr int32_t kPromptWidth = 240;
inline constexpr int32_t kPromptHeight = 216;
// The eyes window's face pictures (236 x 400), drawn at two fifths.
inline constexpr int32_t kPromptPictureWidth = 94;
inline constexpr int32_t kPromptPictureHeight = 160;
inline constexpr int32_t kPromptPictureTop = 8;
// The caption's band below the picture.
inline constexpr int32_t kPromptCaptionTop = 172;
inline constexpr int32_t kPromptCaptionHeight = 36;

// Which face the prompt shows: the eyes window's closed-eyes picture, or the
// open face with its mouth wide open.
enum class PromptPicture : int32_t { None, EyesClosed, MouthOpen };

struct PromptLook {
    const char* caption = "";  // Spanish, without accents, as the warnings
    PromptPicture picture = PromptPicture::None;
};
[[nodiscard]] PromptLook promptLook(GesturePrompt prompt);

struct PromptRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const PromptRect&, const PromptRect&) = default;
};
// The prompt's place on the screen: centred on the camera view, kept
// whole on the screen (the corner view is smaller than the prompt).
[[nodiscard]] PromptRect promptPlace(const TrackerState& s);
// Inside the prompt: the picture, centred at the top, and the caption below
// it; without a picture the caption has the whole prompt.
[[nodiscard]] PromptRect promptPictureRect();
[[nodiscard]] PromptRect promptCaptionRect(PromptPicture picture);

}  // namespace quil
