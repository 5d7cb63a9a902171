#include "app_layer/gesture_prompt.h"

#include <algorithm>

namespace quil {

PromptLook promptLook(GesturePrompt prompt) {
    switch (prompt) {
        case GesturePrompt::CloseEyes:
            return {"Cierre los ojos", PromptPicture::EyesClosed};
        case GesturePrompt::OpenMouth:
            return {"Abra la boca", PromptPicture::MouthOpen};
        case GesturePrompt::Done:
            return {"Listo", PromptPicture::None};
        case GesturePrompt::Failed:
            return {"Intentelo de nuevo", PromptPicture::None};
        case GesturePrompt::None:
            break;
    }
    return {};
}

// Centred on the view, then pushed back onto the screen: a prompt centred on
// the corner view would hang off the screen's edge.
PromptRect promptPlace(const TrackerState& s) {
    const int32_t centreX = s.view.viewX + s.view.viewWidth / 2;
    const int32_t centreY = s.view.viewY + s.view.viewHeight / 2;
    const int32_t maxX = std::max(0, s.session.screenWidth - kPromptWidth);
    const int32_t maxY = std::max(0, s.session.screenHeight - kPromptHeight);
    return {std::clamp(centreX - kPromptWidth / 2, 0, maxX),
            std::clamp(centreY - kPromptHeight / 2, 0, maxY), kPromptWidth, kPromptHeight};
}

PromptRect promptPictureRect() {
    return {(kPromptWidth - kPromptPictureWidth) / 2, kPromptPictureTop, kPromptPictureWidth,
            kPromptPictureHeight};
}

PromptRect promptCaptionRect(PromptPicture picture) {
    if (picture == PromptPicture::None) return {0, 0, kPromptWidth, kPromptHeight};
    return {0, kPromptCaptionTop, kPromptWidth, kPromptCaptionHeight};
}

}  // namespace quil
