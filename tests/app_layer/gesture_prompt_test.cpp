// The gesture check's prompt: what each step says, and where it goes.
#include "app_layer/gesture_prompt.h"

#include <gtest/gtest.h>

#include <string>

#include "recording_desktop.h"
#include "tracker/views.h"

namespace quil {
namespace {

// The captions are written as the warnings are, in plain ASCII: the Win32
// layer draws them through the ANSI calls.
TEST(GesturePromptLook, EachStepSaysWhatToDoInPlainAscii) {
    const struct {
        GesturePrompt prompt;
        const char* caption;
        PromptPicture picture;
    } steps[] = {
        {GesturePrompt::CloseEyes, "Cierre los ojos", PromptPicture::EyesClosed},
        {GesturePrompt::OpenMouth, "Abra la boca", PromptPicture::MouthOpen},
        {GesturePrompt::Done, "Listo", PromptPicture::None},
        {GesturePrompt::Failed, "Intentelo de nuevo", PromptPicture::None},
        {GesturePrompt::None, "", PromptPicture::None},
    };
    for (const auto& step : steps) {
        const PromptLook look = promptLook(step.prompt);
        EXPECT_STREQ(look.caption, step.caption);
        EXPECT_EQ(look.picture, step.picture);
        for (const char c : std::string(look.caption))
            EXPECT_LT(static_cast<unsigned char>(c), 128);
    }
}

TEST(GesturePromptPlace, CentredOnTheLargeViewAndWholeOnScreenOverTheCorner) {
    TrackerState s;
    testing::RecordingDesktop desktop;
    setScreenDefaults(s, 1024, 768);
    chooseLargeView(s, desktop);
    EXPECT_EQ(promptPlace(s), (PromptRect{(1024 - kPromptWidth) / 2, (768 - kPromptHeight) / 2,
                                          kPromptWidth, kPromptHeight}));

    chooseCornerView(s);
    const PromptRect corner = promptPlace(s);
    EXPECT_EQ(corner.x + corner.width, 1024) << "pushed back from the right edge";
    EXPECT_LE(corner.y + corner.height, 768);
    // Still over the view: the view's centre lies inside the prompt.
    const int32_t cx = s.view.viewX + s.view.viewWidth / 2;
    const int32_t cy = s.view.viewY + s.view.viewHeight / 2;
    EXPECT_TRUE(cx >= corner.x && cx < corner.x + corner.width);
    EXPECT_TRUE(cy >= corner.y && cy < corner.y + corner.height);
}

TEST(GesturePromptPlace, ThePictureAndTheCaptionDoNotOverlapAndStayInside) {
    const PromptRect picture = promptPictureRect();
    const PromptRect caption = promptCaptionRect(PromptPicture::EyesClosed);
    EXPECT_GE(picture.x, 0);
    EXPECT_LE(picture.x + picture.width, kPromptWidth);
    EXPECT_LE(picture.y + picture.height, caption.y);
    EXPECT_LE(caption.y + caption.height, kPromptHeight);
    EXPECT_EQ(promptCaptionRect(PromptPicture::None),
              (PromptRect{0, 0, kPromptWidth, kPromptHeight}));
}

}  // namespace
}  // namespace quil
