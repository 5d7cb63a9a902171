// The keyboard drawn as the Windows program draws it, pixel for pixel where
// the two toolkits allow: the same colours, insets, dock icons and label
// sizes.
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QString>
#include <string>

#include "linux/keyboard/keyboard_window.h"

namespace quil::lnx {

namespace {

// High contrast: light on near-black; the state colours differ in
// brightness as well as hue.
constexpr QRgb kBackground = 0x000000;
constexpr QRgb kKeyFace = 0x303030;
constexpr QRgb kKeyBorder = 0x969696;
constexpr QRgb kLabel = 0xFFFFFF;
constexpr QRgb kHintLabel = 0xBEBEBE;
constexpr QRgb kHighlightFace = 0xFFDD00;
constexpr QRgb kFlashFace = 0xFFFFFF;
constexpr QRgb kLatchedFace = 0x0060C8;
constexpr QRgb kDarkLabel = 0x000000;

// The Windows program's font heights are cell heights; Qt sizes a font by
// its em, about five sixths of the cell.
constexpr int emOf(int cellHeight) { return cellHeight * 5 / 6; }
constexpr int kCharacterFontHeight = 22;
constexpr int kWordFontHeight = 12;
// For a word that does not fit a key at the normal size.
constexpr int kNarrowWordFontHeight = 10;
constexpr int kHintFontHeight = 11;
// Room kept free on each side of a label.
constexpr int kLabelPadding = 2;
// Keys are drawn this far inside their rectangle, leaving a visible gap.
constexpr int kKeyInset = 1;
// The hint's place from the key's top-left corner.
constexpr int kHintOffsetX = 3;
constexpr int kHintOffsetY = 1;

QFont font(int cellHeight, bool bold) {
    QFont f;
    f.setStyleHint(QFont::SansSerif);
    f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    f.setPixelSize(emOf(cellHeight));
    f.setBold(bold);
    return f;
}

struct Fonts {
    QFont character = font(kCharacterFontHeight, true);
    QFont word = font(kWordFontHeight, true);
    QFont narrowWord = font(kNarrowWordFontHeight, true);
    QFont hint = font(kHintFontHeight, false);
};

void frame(QPainter& p, const QRect& r, QRgb colour) {
    const QColor c(colour);
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
}

void text(QPainter& p, const QString& s, const QRect& r, const QFont& f, QRgb colour, int flags) {
    p.setFont(f);
    p.setPen(QColor(colour));
    p.drawText(r, flags | Qt::TextSingleLine, s);
}

QString one(char16_t c) { return QString(QChar(c)); }

// A dock key shows a small screen with the keyboard at its place in it.
void dockIcon(QPainter& p, const QRect& key, char16_t code, QRgb colour) {
    constexpr int kScreenW = 24;
    constexpr int kScreenH = 18;
    constexpr int kBoardW = 10;
    constexpr int kBoardH = 5;
    constexpr int kBoardMargin = 2;
    const int left = key.left() + (key.width() - kScreenW) / 2;
    const int top = key.top() + (key.height() - kScreenH) / 2;
    frame(p, QRect(left, top, kScreenW, kScreenH), colour);
    int bx = left + kBoardMargin;
    int by = top + kScreenH - kBoardH - kBoardMargin;
    if (code == u'1') bx = left + (kScreenW - kBoardW) / 2;
    if (code == u'3' || code == u'4') by = top + kBoardMargin;
    if (code == u'4' || code == u'5') bx = left + kScreenW - kBoardW - kBoardMargin;
    p.fillRect(QRect(bx, by, kBoardW, kBoardH), QColor(colour));
}

void drawKey(QPainter& p, const osk::Key& key, const osk::Plakette& keys, std::size_t index,
             const Fonts& fonts) {
    const QRect r(key.left + kKeyInset, key.top + kKeyInset, key.right - key.left - kKeyInset,
                  key.bottom - key.top - kKeyInset);
    QRgb face = kKeyFace;
    QRgb label = kLabel;
    if (keys.latched(key)) face = kLatchedFace;
    if (keys.highlighted() == index) {
        face = kHighlightFace;
        label = kDarkLabel;
    }
    if (keys.flashing() == index) {
        face = kFlashFace;
        label = kDarkLabel;
    }
    p.fillRect(r, QColor(face));
    frame(p, r, kKeyBorder);

    const osk::TypingState& typing = keys.typing();
    const int centred = Qt::AlignCenter;
    switch (key.kind) {
        case osk::KeyKind::Letter: {
            const bool upper = typing.shift() != typing.capsLock();
            text(p, one(upper ? key.shifted : key.base), r, fonts.character, label, centred);
            break;
        }
        case osk::KeyKind::Symbol:
        case osk::KeyKind::DeadAccent: {
            // The character typed now, large; the other one small in the corner.
            const bool shifted = typing.shift();
            text(p, one(shifted ? key.shifted : key.base), r, fonts.character, label, centred);
            const QRect corner = r.adjusted(kHintOffsetX, kHintOffsetY, 0, 0);
            text(p, one(shifted ? key.base : key.shifted), corner, fonts.hint,
                 label == kLabel ? kHintLabel : label, Qt::AlignLeft | Qt::AlignTop);
            break;
        }
        case osk::KeyKind::Dock:
            dockIcon(p, r, key.base, label);
            break;
        default: {
            const QString word = QString::fromStdU16String(std::u16string(key.label));
            const bool fits =
                QFontMetrics(fonts.word).horizontalAdvance(word) <= r.width() - 2 * kLabelPadding;
            text(p, word, r, fits ? fonts.word : fonts.narrowWord, label, centred);
            break;
        }
    }
}

}  // namespace

void paintKeyboard(QPainter& painter, const osk::Plakette& keys, int width, int height) {
    painter.fillRect(QRect(0, 0, width, height), QColor(kBackground));
    const Fonts fonts;
    const auto all = osk::allKeys();
    for (std::size_t i = 0; i < all.size(); ++i) drawKey(painter, all[i], keys, i, fonts);
}

}  // namespace quil::lnx
