#include "options/options_window_logic.h"

#include <cstddef>

#include "keyboard_link/keyboard_link.h"
#include "pointer/pointer_mapping.h"

namespace quil {

namespace {

constexpr int kMirrorRow = MirrorRow;
constexpr int kRangeRow = RangeRow;
constexpr int kSpeedRow = SpeedRow;
constexpr int kClickRow = ClickRow;
constexpr int kDragRow = DragRow;

// The pointer bounds outside the options window.
constexpr int kScreenClampMin = 1;
constexpr int kScreenClampMargin = 10;

std::atomic<int32_t>& value(TrackerState& s, int row, int col) {
    return s.shared.optionFlags[row * kOptionCols + col];
}

void tickOnly(TrackerState& s, int row, int col) {
    for (int k = 0; k < kOptionCols; ++k) value(s, row, k) = 0;
    value(s, row, col) = 1;
}

int32_t flipped(int32_t v) { return v == 0 ? 1 : 0; }

bool strictlyInside(const OptionRect& r, int x, int y) {
    return r.left < x && x < r.right && r.top < y && y < r.bottom;
}

// Row 3: a gesture that drags cannot click too, and the last click gesture
// cannot be unticked. The ticks are counted, not summed: a file may hold
// other values, which choose nothing, and a sum would let them stand in for
// a tick and the last real one go.
void toggleClickGesture(TrackerState& s, int k) {
    const auto kk = static_cast<std::size_t>(k);
    int ticked = 0;
    for (int c = 0; c < kOptionCols; ++c) ticked += value(s, kClickRow, c) == 1 ? 1 : 0;
    if (ticked == 1 && s.shared.clickGestures[kk] == 1) return;
    if (value(s, kDragRow, k) != 0) return;
    value(s, kClickRow, k) = flipped(value(s, kClickRow, k));
    s.shared.clickGestures[kk] = flipped(s.shared.clickGestures[kk]);
}

// Row 4: a gesture that clicks cannot drag too; the drag set may be empty.
void toggleDragGesture(TrackerState& s, int k) {
    const auto kk = static_cast<std::size_t>(k);
    if (value(s, kClickRow, k) != 0) return;
    value(s, kDragRow, k) = flipped(value(s, kDragRow, k));
    s.shared.dragGestures[kk] = flipped(s.shared.dragGestures[kk]);
}

}  // namespace

std::optional<OptionCell> hitTest(int x, int y) {
    for (int row = 0; row < kOptionRows; ++row) {
        const OptionLayoutRow& r = kOptionLayout[static_cast<std::size_t>(row)];
        for (int col = 0; col < r.count; ++col) {
            if (strictlyInside(r.cells[static_cast<std::size_t>(col)], x, y)) {
                return OptionCell{row, col};
            }
        }
    }
    return std::nullopt;
}

OptionPoint tickPosition(int row, int col) {
    const OptionRect& cell =
        kOptionLayout[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(col)];
    return {cell.left + kTickOffsetX, cell.top + kTickOffsetY};
}

bool requestOptionsWindow(TrackerState& s, Desktop& desktop) {
    if (s.view.largeView) return false;
    keyboardOnOptionsOpen(s.keyboard, desktop);
    return !s.shared.optionsOpen.load();
}

OptionButton applyOptionClick(TrackerState& s, OptionCell cell) {
    const int row = cell.row;
    const int k = cell.col;
    if (row < 0 || row >= kOptionRows || k < 0 ||
        k >= kOptionLayout[static_cast<std::size_t>(row)].count) {
        return OptionButton::None;
    }
    switch (row) {
        case kMirrorRow:
            tickOnly(s, row, k);
            s.shared.mirrorX = value(s, row, 0) != 1;
            break;
        case kRangeRow:
            tickOnly(s, row, k);
            s.shared.rangeScale = s.shared.optionFlags.snapshot().rangeScale;
            resizeHeadRange(s.shared);
            break;
        case kSpeedRow:
            tickOnly(s, row, k);
            s.shared.speedDivisor = s.shared.optionFlags.snapshot().speedDivisor;
            computeGains(s);
            break;
        case kClickRow:
            toggleClickGesture(s, k);
            break;
        case kDragRow:
            toggleDragGesture(s, k);
            break;
        default:
            return k == 0 ? OptionButton::Ok : k == 1 ? OptionButton::Cancel : OptionButton::Exit;
    }
    return OptionButton::None;
}

SavedOptions snapshotOptions(const TrackerState& s) {
    SavedOptions saved{};
    for (int i = 0; i < kOptionCount; ++i)
        saved[static_cast<std::size_t>(i)] = s.shared.optionFlags[i];
    return saved;
}

void finishWithOk(TrackerState& s, Desktop& desktop, const std::filesystem::path& file) {
    s.shared.optionsOpen = false;
    saveOptions(s, file);
    keyboardOnOptionsClose(s.keyboard, desktop);
}

void finishWithCancel(TrackerState& s, Desktop& desktop, const SavedOptions& saved) {
    for (int i = 0; i < kOptionCount; ++i)
        s.shared.optionFlags[i] = saved[static_cast<std::size_t>(i)];
    applyOptions(s);
    s.shared.optionsOpen = false;
    keyboardOnOptionsClose(s.keyboard, desktop);
}

void narrowPointerBounds(TrackerState& s) {
    const int32_t left = (s.session.screenWidth - kOptionsWindowWidth) / 2;
    const int32_t top = (s.session.screenHeight - kOptionsWindowHeight) / 2;
    s.shared.clampMinX = left;
    s.shared.clampMaxX = left + kOptionsWindowWidth - 1;
    s.shared.clampMinY = top;
    s.shared.clampMaxY = top + kOptionsWindowHeight - 1;
}

void restorePointerBounds(TrackerState& s) {
    s.shared.clampMinX = kScreenClampMin;
    s.shared.clampMaxX = s.session.screenWidth - kScreenClampMargin;
    s.shared.clampMinY = kScreenClampMin;
    s.shared.clampMaxY = s.session.screenHeight - kScreenClampMargin;
    s.shared.mapWidth = s.session.screenWidth;
    s.shared.mapHeight = s.session.screenHeight;
}

}  // namespace quil
