// The keyboard link's wire protocol: the window messages exchanged with the
// on-screen keyboard program, and the dock table both sides place the
// keyboard by. Plain values only, so that the keyboard program shares them
// without the tracker.
#pragma once

#include <cstdint>
#include <optional>

namespace quil::keyboard {

// Messages the tracker sends to the keyboard program.
inline constexpr unsigned kMsgClose = 16;           // WM_CLOSE, at teardown
inline constexpr unsigned kMsgKeyPress = 1044;      // wParam 87, lParam 48
inline constexpr unsigned kMsgPointerOver = 1055;   // wParam 1, lParam 0
inline constexpr unsigned kMsgClickOutside = 1057;  // wParam 0, lParam 0
inline constexpr unsigned kMsgPointerLeft = 1058;   // wParam 0, lParam 0
// The dwell click's progress while the pointer is over the keyboard: wParam
// in thousandths (1..1000), 0 when no dwell click is on its way.
inline constexpr unsigned kMsgDwellProgress = 1059;
inline constexpr std::uintptr_t kDwellFull = 1000;
// The word suggestions' row shown above the keys (wParam 1) or not (0): a
// saved option of the tracker's, told when the keyboard announces itself
// and whenever it changes.
inline constexpr unsigned kMsgSuggestions = 1060;
// Messages the keyboard program sends to the tracker's main window.
inline constexpr unsigned kMsgKeyboardHello = 1024;  // WM_USER, wParam = its window
inline constexpr unsigned kMsgKeyboardGone = 1025;
inline constexpr unsigned kMsgKeyboardDock = 1045;  // low byte of wParam '1'..'5'
// Set in a dock message's wParam when the keyboard docked on a monitor other
// than the tracker's screen: lParam then holds its top-left (placeOf()).
inline constexpr std::uintptr_t kDockPlaced = 0x10000;
// Set in a dock message's wParam while the suggestions' row is shown: the
// keyboard is then kKeyboardHeightWithSuggestions tall.
inline constexpr std::uintptr_t kDockSuggestionRow = 0x20000;
// The keyboard's "Desplazar" and "Pausa" keys: the scroll mode and the pause
// turned on or off (wParam and lParam 0).
inline constexpr unsigned kMsgKeyboardScroll = 1046;
inline constexpr unsigned kMsgKeyboardPause = 1047;

inline constexpr std::uintptr_t kKeyPressWParam = 87;
inline constexpr std::intptr_t kKeyPressLParam = 48;
inline constexpr std::uintptr_t kPointerOverWParam = 1;

inline constexpr int kKeyboardWidth = 412;
inline constexpr int kKeyboardHeight = 192;
// The suggested words' row, as tall as a row of keys, on top of them when
// the option is on.
inline constexpr int kSuggestionRowHeight = 38;
inline constexpr int kKeyboardHeightWithSuggestions = kKeyboardHeight + kSuggestionRowHeight;
constexpr int keyboardHeight(bool suggestionRow) {
    return suggestionRow ? kKeyboardHeightWithSuggestions : kKeyboardHeight;
}
// The keyboard's bottom positions leave this much free below it.
inline constexpr int kBottomGap = 30;

// Dock codes: the digits '1'..'5' in the low byte of wParam.
inline constexpr unsigned kDockBottomCentre = '1';
inline constexpr unsigned kDockBottomLeft = '2';
inline constexpr unsigned kDockTopLeft = '3';
inline constexpr unsigned kDockTopRight = '4';
inline constexpr unsigned kDockBottomRight = '5';

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The keyboard's rectangle at a dock, on a screen of the given size; empty
// for a code that names no dock. A taller keyboard (the suggestions' row)
// keeps the same gap below it at the bottom docks.
constexpr std::optional<Rect> dockRect(unsigned code, int screenWidth, int screenHeight,
                                       int height = kKeyboardHeight) {
    const int rightLeft = screenWidth - kKeyboardWidth;
    const int bottomTop = screenHeight - height - kBottomGap;
    int left = 0;
    int top = 0;
    switch (code) {
        case kDockBottomCentre:
            left = (screenWidth - kKeyboardWidth) / 2;
            top = bottomTop;
            break;
        case kDockBottomLeft:
            top = bottomTop;
            break;
        case kDockTopLeft:
            break;
        case kDockTopRight:
            left = rightLeft;
            break;
        case kDockBottomRight:
            left = rightLeft;
            top = bottomTop;
            break;
        default:
            return std::nullopt;
    }
    return Rect{left, top, left + kKeyboardWidth, top + height};
}

// The same dock on a monitor anywhere on the desktop: the table's place
// moved by the monitor's top-left.
constexpr std::optional<Rect> dockRectOn(unsigned code, const Rect& monitor,
                                         int height = kKeyboardHeight) {
    auto r = dockRect(code, monitor.right - monitor.left, monitor.bottom - monitor.top, height);
    if (!r) return r;
    r->left += monitor.left;
    r->right += monitor.left;
    r->top += monitor.top;
    r->bottom += monitor.top;
    return r;
}

// A docked keyboard's top-left as a dock message's lParam, as Windows packs a
// point: x in the low 16 bits, y in the next 16, each signed (a monitor may
// lie left of or above the primary one).
inline constexpr std::uint32_t kHalfMask = 0xFFFF;
inline constexpr int kHalfBits = 16;
constexpr std::intptr_t placeOf(int x, int y) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(x) & kHalfMask) |
                                      ((static_cast<std::uint32_t>(y) & kHalfMask) << kHalfBits));
}
// The keyboard's rectangle from a dock message's lParam.
constexpr Rect placedRect(std::intptr_t lParam, int height = kKeyboardHeight) {
    const auto bits = static_cast<std::uint32_t>(lParam);
    const int x = static_cast<std::int16_t>(bits & kHalfMask);
    const int y = static_cast<std::int16_t>((bits >> kHalfBits) & kHalfMask);
    return Rect{x, y, x + kKeyboardWidth, y + height};
}

}  // namespace quil::keyboard
