#include "painter.h"

#include <string_view>

#include "onscreen_keyboard/key_look.h"

namespace quil::osk::win {

namespace {

COLORREF colourOf(Rgb c) {
    constexpr int kRedShift = 16;
    constexpr int kGreenShift = 8;
    constexpr Rgb kByte = 0xFF;
    return RGB((c >> kRedShift) & kByte, (c >> kGreenShift) & kByte, c & kByte);
}

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

RECT rectOf(const Box& b) { return {b.left, b.top, b.right, b.bottom}; }

void fill(HDC dc, const RECT& r, Rgb colour) {
    SetDCBrushColor(dc, colourOf(colour));
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void frame(HDC dc, const RECT& r, Rgb colour) {
    SetDCBrushColor(dc, colourOf(colour));
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void text(HDC dc, std::u16string_view s, RECT r, HFONT font, Rgb colour, UINT format) {
    SelectObject(dc, font);
    SetTextColor(dc, colourOf(colour));
    DrawTextW(dc, reinterpret_cast<const wchar_t*>(s.data()), static_cast<int>(s.size()), &r,
              format | DT_SINGLELINE | DT_NOPREFIX);
}

void drawKey(HDC dc, const KeyLook& look, const Fonts& fonts) {
    const RECT r = rectOf(look.face);
    fill(dc, r, look.faceColour);
    if (look.dwellFill.height() > 0) fill(dc, rectOf(look.dwellFill), kDwellFill);
    frame(dc, r, kKeyBorder);
    const UINT centred = DT_CENTER | DT_VCENTER;
    if (look.character != 0) {
        text(dc, std::u16string_view(&look.character, 1), r, fonts.character.get(),
             look.labelColour, centred);
    }
    if (look.hint != 0) {
        text(dc, std::u16string_view(&look.hint, 1), rectOf(look.hintPlace), fonts.hint.get(),
             look.hintColour, DT_LEFT | DT_TOP);
    }
    if (look.dock) {
        frame(dc, rectOf(look.dockScreen), look.labelColour);
        fill(dc, rectOf(look.dockBoard), look.labelColour);
    }
    if (!look.word.empty()) {
        SelectObject(dc, fonts.word.get());
        SIZE size{};
        GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(look.word.data()),
                              static_cast<int>(look.word.size()), &size);
        const HFONT font = look.wordFits(size.cx) ? fonts.word.get() : fonts.narrowWord.get();
        text(dc, look.word, r, font, look.labelColour, centred);
    }
}

}  // namespace

void paintKeyboard(HDC dc, const PanelRules& keyboard, int width, int height) {
    const HDC memory = CreateCompatibleDC(dc);
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    const HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    const HGDIOBJ oldFont = GetCurrentObject(memory, OBJ_FONT);
    SetBkMode(memory, TRANSPARENT);
    {
        const Fonts fonts;
        fill(memory, RECT{0, 0, width, height}, kBackground);
        for (std::size_t i = 0; i < keyboard.keys().keys().size(); ++i) {
            drawKey(memory, keyboard.look(i), fonts);
        }
        SelectObject(memory, oldFont);
    }
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

}  // namespace quil::osk::win
