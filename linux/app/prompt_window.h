// The gesture check's prompt on Linux: a small frameless window above the
// others, over the camera view where the eyes window appears, with the
// step's picture and caption. It never takes the focus and the pointer's
// clicks go through it to what lies beneath.
#pragma once

#include <QImage>
#include <QWidget>

#include "app_layer/gesture_prompt.h"

namespace quil::lnx {

// The caption's letters, in pixels, bold.
inline constexpr int kPromptFontPixels = 22;

class PromptWindow final : public QWidget {
public:
    PromptWindow(QImage eyesClosed, QImage mouthOpen);

    // Shows the step at `place`; None hides it.
    void showStep(GesturePrompt prompt, const PromptRect& place);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage eyesClosed_;
    QImage mouthOpen_;
    PromptLook look_;
};

}  // namespace quil::lnx
