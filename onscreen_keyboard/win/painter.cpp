#include "painter.h"

#include <string>

namespace quil::osk::win {

namespace {

// High contrast: light on near-black; the state colours differ in
// brightness as well as hue.
constexpr COLORREF kBackground = RGB(0, 0, 0);
constexpr COLORREF kKeyFace = RGB(48, 48, 48);
constexpr COLORREF kKeyBorder = RGB(150, 150, 150);
constexpr COLORREF kLabel = RGB(255, 255, 255);
constexpr COLORREF kHintLabel = RGB(190, 190, 190);
constexpr COLORREF kHighlightFace = RGB(255, 221, 0);
constexpr COLORREF kFlashFace = RGB(255, 255, 255);
constexpr COLORREF kLatchedFace = RGB(0, 96, 200);
constexpr COLORREF kDarkLabel = RGB(0, 0, 0);

constexpr int kCharacterFontHeight = 22;
constexpr int kWordFontHeight = 12;
// For a word that does not fit a key at the normal size.
constexpr int kNarrowWordFontHeight = 10;
// Room kept free on each side of a label.
constexpr int kLabelPadding = 2;
constexpr int kHintFontHeight = 11;
// Keys are drawn this far inside their rectangle, leaving a visible gap.
constexpr int kKeyInset = 1;

class Font {
public:
    Font(int height, int weight)
        : font_(CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                            DEFAULT_PITCH | FF_SWISS, L"Tahoma")) {}
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font() { DeleteObject(font_); }
    [[nodiscard]] HFONT get() const { return font_; }

private:
    HFONT font_;
};

struct Fonts {
    Font character{kCharacterFontHeight, FW_BOLD};
    Font word{kWordFontHeight, FW_BOLD};
    Font narrowWord{kNarrowWordFontHeight, FW_BOLD};
    Font hint{kHintFontHeight, FW_NORMAL};
};

void fill(HDC dc, const RECT& r, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void frame(HDC dc, const RECT& r, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void text(HDC dc, const std::u16string& s, RECT r, HFONT font, COLORREF colour, UINT format) {
    SelectObject(dc, font);
    SetTextColor(dc, colour);
    DrawTextW(dc, reinterpret_cast<const wchar_t*>(s.c_str()), static_cast<int>(s.size()), &r,
              format | DT_SINGLELINE | DT_NOPREFIX);
}

// A dock key shows a small screen with the keyboard at its place in it.
void dockIcon(HDC dc, const RECT& key, char16_t code, COLORREF colour) {
    constexpr int kScreenW = 24;
    constexpr int kScreenH = 18;
    constexpr int kBoardW = 10;
    constexpr int kBoardH = 5;
    const int left = (key.left + key.right - kScreenW) / 2;
    const int top = (key.top + key.bottom - kScreenH) / 2;
    const RECT screen{left, top, left + kScreenW, top + kScreenH};
    frame(dc, screen, colour);
    int bx = left + 2;
    int by = top + kScreenH - kBoardH - 2;
    if (code == u'1') bx = left + (kScreenW - kBoardW) / 2;
    if (code == u'3' || code == u'4') by = top + 2;
    if (code == u'4' || code == u'5') bx = left + kScreenW - kBoardW - 2;
    fill(dc, RECT{bx, by, bx + kBoardW, by + kBoardH}, colour);
}

void drawKey(HDC dc, const Key& key, const Plakette& keyboard, std::size_t index,
             const Fonts& fonts) {
    const RECT r{key.left + kKeyInset, key.top + kKeyInset, key.right - kKeyInset + 1,
                 key.bottom - kKeyInset + 1};
    COLORREF face = kKeyFace;
    COLORREF label = kLabel;
    if (keyboard.latched(key)) face = kLatchedFace;
    if (keyboard.highlighted() == index) {
        face = kHighlightFace;
        label = kDarkLabel;
    }
    if (keyboard.flashing() == index) {
        face = kFlashFace;
        label = kDarkLabel;
    }
    fill(dc, r, face);
    frame(dc, r, kKeyBorder);

    const TypingState& typing = keyboard.typing();
    const UINT centred = DT_CENTER | DT_VCENTER;
    switch (key.kind) {
        case KeyKind::Letter: {
            const bool upper = typing.shift() != typing.capsLock();
            text(dc, std::u16string(1, upper ? key.shifted : key.base), r, fonts.character.get(),
                 label, centred);
            break;
        }
        case KeyKind::Symbol:
        case KeyKind::DeadAccent: {
            // The character typed now, large; the other one small in the corner.
            const bool shifted = typing.shift();
            text(dc, std::u16string(1, shifted ? key.shifted : key.base), r, fonts.character.get(),
                 label, centred);
            RECT corner{r.left + 3, r.top + 1, r.right, r.bottom};
            text(dc, std::u16string(1, shifted ? key.base : key.shifted), corner, fonts.hint.get(),
                 label == kLabel ? kHintLabel : label, DT_LEFT | DT_TOP);
            break;
        }
        case KeyKind::Dock:
            dockIcon(dc, r, key.base, label);
            break;
        default: {
            const std::u16string word(key.label);
            SelectObject(dc, fonts.word.get());
            SIZE size{};
            GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(word.c_str()),
                                  static_cast<int>(word.size()), &size);
            const bool fits = size.cx <= (r.right - r.left) - 2 * kLabelPadding;
            text(dc, word, r, fits ? fonts.word.get() : fonts.narrowWord.get(), label, centred);
            break;
        }
    }
}

}  // namespace

void paintKeyboard(HDC dc, const Plakette& keyboard, int width, int height) {
    const HDC memory = CreateCompatibleDC(dc);
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    const HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    const HGDIOBJ oldFont = GetCurrentObject(memory, OBJ_FONT);
    SetBkMode(memory, TRANSPARENT);
    {
        const Fonts fonts;
        fill(memory, RECT{0, 0, width, height}, kBackground);
        const auto keys = allKeys();
        for (std::size_t i = 0; i < keys.size(); ++i) drawKey(memory, keys[i], keyboard, i, fonts);
        SelectObject(memory, oldFont);
    }
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

}  // namespace quil::osk::win
