#include "linux/app/tray_menu.h"

#include <QActionGroup>
#include <vector>

namespace quil::lnx {

// Walks the portable list once: a submenu opens a level, its end closes it;
// the radio items of one level share a group, so they show as one choice.
TrayMenu::TrayMenu(QMenu& menu, TrackerState& s, std::filesystem::path optionsFile,
                   std::function<TrayFacts()> facts, std::function<void(TrayCommand)> shellCommand)
    : s_(s),
      optionsFile_(std::move(optionsFile)),
      facts_(std::move(facts)),
      shellCommand_(std::move(shellCommand)) {
    std::vector<QMenu*> levels{&menu};
    std::vector<QActionGroup*> groups{nullptr};
    for (const TrayEntry& entry : trayMenu(TrayPlatform::Linux)) {
        QMenu* level = levels.back();
        switch (entry.kind) {
            case TrayEntryKind::Separator:
                level->addSeparator();
                break;
            case TrayEntryKind::SubmenuBegin:
                levels.push_back(level->addMenu(QString::fromUtf8(entry.text)));
                groups.push_back(nullptr);
                break;
            case TrayEntryKind::SubmenuEnd:
                if (levels.size() > 1) {
                    levels.pop_back();
                    groups.pop_back();
                }
                break;
            case TrayEntryKind::Item: {
                QAction* action = level->addAction(QString::fromUtf8(entry.text));
                action->setCheckable(entry.tick != TrayTick::None);
                if (entry.tick == TrayTick::Radio) {
                    if (groups.back() == nullptr) groups.back() = new QActionGroup(level);
                    groups.back()->addAction(action);
                }
                const TrayCommand command = entry.command;
                QObject::connect(action, &QAction::triggered, [this, command] { choose(command); });
                actions_[command] = action;
                break;
            }
        }
    }
    QObject::connect(&menu, &QMenu::aboutToShow, [this] { refresh(); });
    refresh();
}

void TrayMenu::refresh() {
    const TrayFacts facts = facts_ ? facts_() : TrayFacts{};
    for (const auto& [command, action] : actions_) {
        const TrayItemState state = trayItemState(s_, command, facts);
        action->setChecked(state.ticked);
        action->setEnabled(!state.greyed);
    }
}

QAction* TrayMenu::action(TrayCommand command) const {
    const auto found = actions_.find(command);
    return found != actions_.end() ? found->second : nullptr;
}

// Qt has already flipped a checkable item's tick: the state decides it again.
void TrayMenu::choose(TrayCommand command) {
    if (!runTrayCommand(s_, command, optionsFile_) && shellCommand_) shellCommand_(command);
    refresh();
}

}  // namespace quil::lnx
