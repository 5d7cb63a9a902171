// The gesture check's prompt on Windows: a small topmost window over the
// camera view, where the eyes window appears, with the step's picture and
// caption. It never takes the focus and lets clicks through to what lies
// beneath, so the user's work keeps both.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "app_layer/gesture_prompt.h"

namespace quil::win {

inline constexpr char kPromptClassName[] = "QuilbrandPrompt";
// The caption's letters, in pixels, bold.
inline constexpr int kPromptFontHeight = 22;

// Closed eyes (the eyes window's picture) and the open mouth; loaded by
// start-up, owned by the program.
struct PromptPictures {
    HBITMAP eyesClosed = nullptr;
    HBITMAP mouthOpen = nullptr;
};

// Lives on the thread that first shows it (the tracker's), which serves its
// messages.
class PromptWindow {
public:
    explicit PromptWindow(HINSTANCE instance) : instance_(instance) {}
    PromptWindow(const PromptWindow&) = delete;
    PromptWindow& operator=(const PromptWindow&) = delete;
    ~PromptWindow();

    // Shows the step at `place`, above every window; None hides it.
    void show(GesturePrompt prompt, const PromptRect& place);
    // The window, once first shown (the tests look at it).
    [[nodiscard]] HWND window() const { return window_; }

    PromptPictures pictures;

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool create();
    void paint();

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    PromptLook look_;
};

}  // namespace quil::win
