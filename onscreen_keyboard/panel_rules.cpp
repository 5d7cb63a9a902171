#include "onscreen_keyboard/panel_rules.h"

#include <algorithm>

#include "prediction/text.h"

namespace quil::osk {

namespace link = quil::keyboard;

KeyboardEvents asTrackerMessages(TrackerMessageHandler deliver) {
    KeyboardEvents e;
    e.announced = [deliver](WindowId h) {
        deliver(link::kMsgKeyboardHello, static_cast<std::uintptr_t>(h), 0);
    };
    e.gone = [deliver] { deliver(link::kMsgKeyboardGone, 0, 0); };
    e.docked = [deliver](unsigned code) { deliver(link::kMsgKeyboardDock, code, 0); };
    e.dockedElsewhere = [deliver](unsigned code, Point at) {
        deliver(link::kMsgKeyboardDock, code | link::kDockPlaced, link::placeOf(at.x, at.y));
    };
    e.requested = [deliver](TrackerRequest r) {
        if (r == TrackerRequest::Scroll) deliver(link::kMsgKeyboardScroll, 0, 0);
        if (r == TrackerRequest::Pause) deliver(link::kMsgKeyboardPause, 0, 0);
    };
    return e;
}

void PanelRules::tellDock() {
    const auto tall = static_cast<unsigned>(keys_.suggestionRow() ? link::kDockSuggestionRow : 0);
    if (elsewhere_ && events_.dockedElsewhere) {
        events_.dockedElsewhere(keys_.dock() | tall, *elsewhere_);
    } else if (events_.docked) {
        events_.docked(keys_.dock() | tall);
    }
}

// Marked launched only once shown: a platform that hears of its own
// showing (Windows) must not take the first one for the tracker's.
void PanelRules::launch() {
    if (!launched_) {
        moveToDock(link::kDockBottomCentre);
        window_.show();
        launched_ = true;
    }
    window_.later([this] { announce(); });
}

void PanelRules::announce() {
    if (events_.announced) events_.announced(window_.handle());
    tellDock();
}

void PanelRules::show() {
    const bool appears = !window_.shown();
    window_.show();
    if (appears) appeared();
}

void PanelRules::hide() {
    window_.hide();
    disappeared();
}

// Only a hidden keyboard that appears tells its dock. It comes back on the
// monitor that holds the pointer, so that a user whose keyboard was left on
// a monitor out of the head's reach gets it back by hiding and showing it.
void PanelRules::appeared() {
    if (!launched_) return;
    moveToDock(keys_.dock());
    window_.later([this] { tellDock(); });
}

// A hidden keyboard has no pointer over it.
void PanelRules::disappeared() {
    if (keys_.pointerLeft()) window_.repaint();
}

// The tracker's screen's docks are told by their code alone, as ever; a
// dock on any other monitor also by its place.
void PanelRules::moveToDock(unsigned code) {
    const link::Rect monitor = window_.dockScreen();
    const auto rect = link::dockRectOn(code, monitor, height());
    if (!rect) return;
    const ScreenSize screen = window_.screenSize();
    const bool trackers = monitor == link::Rect{0, 0, screen.width, screen.height};
    elsewhere_.reset();
    if (!trackers) elsewhere_ = Point{rect->left, rect->top};
    keys_.docked(code);
    window_.place(*rect);
}

void PanelRules::pressKey() {
    const Point p = window_.pointer();
    const Point o = window_.origin();
    pressAt(p.x - o.x, p.y - o.y);
}

void PanelRules::useSuggestions(Suggestions& suggestions) {
    suggestions_ = &suggestions;
    window_.repaint();
}

// The word's keys as if the user had typed them: the backspaces that take
// back what differs, then the rest of the word and its space.
void PanelRules::typeSuggestion(std::size_t slot) {
    Suggestions* words = activeSuggestions();
    if (words == nullptr) return;
    const auto keys = words->choose(slot);
    if (!keys) return;
    for (std::size_t i = 0; i < keys->backspaces; ++i) sink_.typeSpecial(SpecialKey::Backspace);
    for (std::size_t at = 0; at < keys->text.size();) {
        const predict::Decoded d = predict::decodeAt(keys->text, at);
        typeText(sink_, toUtf16(d.cp));
        at += d.length;
    }
}

void PanelRules::suggestionsHear(const Typed& t) {
    Suggestions* words = activeSuggestions();
    if (words == nullptr) return;
    if (t.forget) {
        (void)words->forgetPressed();
    } else if (t.hide) {
        words->lostPlace();
    } else if (!t.suggestion) {
        words->typed(t);
    }
}

Suggestions* PanelRules::activeSuggestions() const {
    return keys_.suggestionRow() ? suggestions_ : nullptr;
}

int PanelRules::height() const { return link::keyboardHeight(keys_.suggestionRow()); }

// The row is added or taken away at the keyboard's dock, on the monitor
// that holds the pointer as any re-docking; what was typed before no longer
// leads the row.
void PanelRules::showSuggestions(bool on) {
    if (on == keys_.suggestionRow()) return;
    keys_.showSuggestionRow(on);
    dwell_ = 0;
    if (suggestions_ != nullptr) suggestions_->lostPlace();
    moveToDock(keys_.dock());
    tellDock();
    window_.repaint();
}

void PanelRules::pressAt(int x, int y) {
    // Keys that cannot be seen are not pressed, whoever asks.
    if (!window_.shown()) return;
    const KeyResult r = keys_.pressAt(x, y);
    if (!r.key) return;
    dwell_ = 0;
    window_.startTimer(PanelTimer::Flash, kFlashMs);
    window_.repaint();
    const Typed& t = r.typed;
    if (!t.text.empty()) typeText(sink_, t.text);
    if (t.special != SpecialKey::None) sink_.typeSpecial(t.special);
    if (t.suggestion) typeSuggestion(*t.suggestion);
    suggestionsHear(t);
    // The tracker hears of a new dock or of hiding while its key press is
    // still being handled, as it does from the Windows program.
    if (t.dock != 0) {
        moveToDock(t.dock);
        tellDock();
    }
    if (t.hide) {
        hide();
        if (events_.gone) events_.gone();
    }
    if (t.request != TrackerRequest::None && events_.requested) events_.requested(t.request);
}

void PanelRules::pointerOver(int x, int y) {
    const Point o = window_.origin();
    if (keys_.pointerOver(x - o.x, y - o.y)) window_.repaint();
}

void PanelRules::pointerLeft() {
    dwell_ = 0;
    if (keys_.pointerLeft()) window_.repaint();
}

void PanelRules::dwell(std::uintptr_t thousandths) {
    if (!keys_.suggestionRow()) thousandths = 0;
    const int now = static_cast<int>(std::min<std::uintptr_t>(thousandths, link::kDwellFull));
    if (now == dwell_) return;
    dwell_ = now;
    window_.repaint();
}

KeyLook PanelRules::look(std::size_t index) const {
    LookExtras extras;
    extras.suggestions = activeSuggestions();
    extras.dwellThousandths = dwell_;
    return lookOf(keys_, index, extras);
}

// An armed click made over the keyboard itself would press one of its keys:
// such a click is dropped.
bool PanelRules::pointerOverUs() const {
    if (!window_.shown()) return false;
    const Point p = window_.pointer();
    const Point o = window_.origin();
    const int x = p.x - o.x;
    const int y = p.y - o.y;
    return x >= 0 && y >= 0 && x < link::kKeyboardWidth && y < height();
}

void PanelRules::clickOutside() {
    const Latch armed = keys_.clickOutside();
    // A click elsewhere may have moved the caret: what was typed before it
    // no longer tells what comes next.
    if (Suggestions* words = activeSuggestions()) words->lostPlace();
    window_.repaint();
    if (armed == Latch::DoubleClick && !pointerOverUs()) sink_.click(Latch::DoubleClick);
    if (armed == Latch::RightClick) window_.startTimer(PanelTimer::RightClick, kRightClickDelayMs);
}

void PanelRules::timerDone(PanelTimer which) {
    if (which == PanelTimer::Flash) {
        if (keys_.flashOver()) window_.repaint();
    } else if (!pointerOverUs()) {
        sink_.click(Latch::RightClick);
    }
}

void PanelRules::screenChanged() {
    moveToDock(keys_.dock());
    tellDock();
}

bool PanelRules::trackerMessage(unsigned message, std::uintptr_t wParam) {
    switch (message) {
        case link::kMsgDwellProgress:
            dwell(wParam);
            return true;
        case link::kMsgSuggestions:
            showSuggestions(wParam != 0);
            return true;
        case link::kMsgKeyPress:
            pressKey();
            return true;
        case link::kMsgPointerOver: {
            const Point p = window_.pointer();
            pointerOver(p.x, p.y);
            return true;
        }
        case link::kMsgPointerLeft:
            pointerLeft();
            return true;
        case link::kMsgClickOutside:
            clickOutside();
            return true;
        default:
            return false;
    }
}

}  // namespace quil::osk
