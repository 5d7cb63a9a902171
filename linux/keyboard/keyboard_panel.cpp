#include "linux/keyboard/keyboard_panel.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <utility>

#include "linux/keyboard/keyboard_window.h"

namespace quil::lnx {

KeyboardPanel::KeyboardPanel(KeySink& sink) : sink_(sink) {}

// The rules go before their window, which they name.
KeyboardPanel::~KeyboardPanel() { close(); }

void KeyboardPanel::launch() {
    if (!window_) {
        window_ = std::make_unique<KeyboardWindow>(pointerPosition, screenSize);
        rules_ = std::make_unique<osk::PanelRules>(*window_, sink_, events);
        rules_->useSuggestions(suggestions_);
        window_->attach(rules_.get());
        if (QScreen* s = QGuiApplication::primaryScreen()) {
            QObject::connect(s, &QScreen::virtualGeometryChanged, window_.get(),
                             [this] { rules_->screenChanged(); });
        }
    }
    rules_->launch();
}

void KeyboardPanel::loadWords(const std::filesystem::path& list, std::filesystem::path userWords) {
    suggestions_ = osk::Suggestions::load(list, std::move(userWords));
}

void KeyboardPanel::dwell(int thousandths) {
    if (rules_) rules_->dwell(static_cast<std::uintptr_t>(std::max(thousandths, 0)));
}

void KeyboardPanel::showSuggestions(bool shown) {
    if (rules_) rules_->showSuggestions(shown);
}

void KeyboardPanel::show() {
    if (rules_) rules_->show();
}

void KeyboardPanel::hide() {
    if (rules_) rules_->hide();
}

void KeyboardPanel::pressKey() {
    if (rules_) rules_->pressKey();
}

void KeyboardPanel::clickOutside() {
    if (rules_) rules_->clickOutside();
}

void KeyboardPanel::pointerOver(int x, int y) {
    if (rules_) rules_->pointerOver(x, y);
}

void KeyboardPanel::pointerLeft() {
    if (rules_) rules_->pointerLeft();
}

void KeyboardPanel::close() {
    if (window_) window_->attach(nullptr);
    rules_.reset();
    window_.reset();
}

WindowHandle KeyboardPanel::handle() const { return window_ ? window_->handle() : 0; }

bool KeyboardPanel::visible() const { return window_ && window_->isVisible(); }

const osk::Plakette* KeyboardPanel::keys() const { return rules_ ? &rules_->keys() : nullptr; }

}  // namespace quil::lnx
