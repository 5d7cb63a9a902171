// The keyboard drawn as the Windows program draws it, from the same
// portable look: the same colours, insets, dock icons and label sizes.
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QString>
#include <string>

#include "linux/keyboard/keyboard_window.h"
#include "onscreen_keyboard/key_look.h"

namespace quil::lnx {

namespace {

// The keyboard's font heights are cell heights; Qt sizes a font by its em,
// about five sixths of the cell.
constexpr int emOf(int cellHeight) { return cellHeight * 5 / 6; }

QFont font(int cellHeight, bool bold) {
    QFont f;
    f.setStyleHint(QFont::SansSerif);
    f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    f.setPixelSize(emOf(cellHeight));
    f.setBold(bold);
    return f;
}

struct Fonts {
    QFont character = font(osk::kCharacterFontHeight, true);
    QFont word = font(osk::kWordFontHeight, true);
    QFont narrowWord = font(osk::kNarrowWordFontHeight, true);
    QFont hint = font(osk::kHintFontHeight, false);
};

QRect rectOf(const osk::Box& b) { return {b.left, b.top, b.width(), b.height()}; }

void frame(QPainter& p, const QRect& r, osk::Rgb colour) {
    const QColor c(colour);
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
}

void text(QPainter& p, const QString& s, const QRect& r, const QFont& f, osk::Rgb colour,
          int flags) {
    p.setFont(f);
    p.setPen(QColor(colour));
    p.drawText(r, flags | Qt::TextSingleLine, s);
}

QString one(char16_t c) { return QString(QChar(c)); }

void drawKey(QPainter& p, const osk::KeyLook& look, const Fonts& fonts) {
    const QRect r = rectOf(look.face);
    p.fillRect(r, QColor(look.faceColour));
    if (look.dwellFill.height() > 0) p.fillRect(rectOf(look.dwellFill), QColor(osk::kDwellFill));
    frame(p, r, osk::kKeyBorder);
    if (look.character != 0)
        text(p, one(look.character), r, fonts.character, look.labelColour, Qt::AlignCenter);
    if (look.hint != 0) {
        text(p, one(look.hint), rectOf(look.hintPlace), fonts.hint, look.hintColour,
             Qt::AlignLeft | Qt::AlignTop);
    }
    if (look.dock) {
        frame(p, rectOf(look.dockScreen), look.labelColour);
        p.fillRect(rectOf(look.dockBoard), QColor(look.labelColour));
    }
    if (!look.word.empty()) {
        const QString word = QString::fromStdU16String(std::u16string(look.word));
        const bool fits = look.wordFits(QFontMetrics(fonts.word).horizontalAdvance(word));
        text(p, word, r, fits ? fonts.word : fonts.narrowWord, look.labelColour, Qt::AlignCenter);
    }
}

}  // namespace

void paintKeyboard(QPainter& painter, const osk::PanelRules& keys, int width, int height) {
    painter.fillRect(QRect(0, 0, width, height), QColor(osk::kBackground));
    const Fonts fonts;
    const std::size_t count = keys.keys().keys().size();
    for (std::size_t i = 0; i < count; ++i) drawKey(painter, keys.look(i), fonts);
}

}  // namespace quil::lnx
