#include "onscreen_keyboard/plakette.h"

namespace quil::osk {

namespace {

// Pressing an armed click key again disarms it; the other click key
// replaces it.
Latch toggled(Latch current, Latch pressed) { return current == pressed ? Latch::None : pressed; }

}  // namespace

KeyResult Plakette::pressAt(int x, int y) {
    KeyResult r;
    r.key = keyAt(x, y, suggestionRow_);
    if (!r.key) return r;
    const Key& key = keys()[*r.key];
    if (key.kind == KeyKind::DoubleClick) latch_ = toggled(latch_, Latch::DoubleClick);
    if (key.kind == KeyKind::RightClick) latch_ = toggled(latch_, Latch::RightClick);
    r.typed = typing_.press(key);
    if (r.typed.dock != 0) dock_ = r.typed.dock;
    flash_ = r.key;
    highlight_ = r.key;
    r.repaint = true;
    return r;
}

bool Plakette::pointerOver(int x, int y) {
    const auto key = keyAt(x, y, suggestionRow_);
    if (key == highlight_) return false;
    highlight_ = key;
    return true;
}

bool Plakette::pointerLeft() {
    if (!highlight_) return false;
    highlight_.reset();
    return true;
}

Latch Plakette::clickOutside() {
    highlight_.reset();
    const Latch fired = latch_;
    latch_ = Latch::None;
    return fired;
}

void Plakette::showSuggestionRow(bool shown) {
    suggestionRow_ = shown;
    highlight_.reset();
    flash_.reset();
}

bool Plakette::flashOver() {
    if (!flash_) return false;
    flash_.reset();
    return true;
}

bool Plakette::latched(const Key& key) const {
    switch (key.kind) {
        case KeyKind::Shift:
            return typing_.shift();
        case KeyKind::CapsLock:
            return typing_.capsLock();
        case KeyKind::DeadAccent:
            return typing_.pendingAccent() != 0;
        case KeyKind::DoubleClick:
            return latch_ == Latch::DoubleClick;
        case KeyKind::RightClick:
            return latch_ == Latch::RightClick;
        case KeyKind::Dock:
            return key.base == dock_;
        default:
            return false;
    }
}

}  // namespace quil::osk
