// The portable half of the options window: its clickable layout, the hit
// test, the effect of a click on the option table, and the pointer bounds
// while the window is open. The platform window draws the picture and the
// ticks, forwards clicks here and does the window work (capture, destroy,
// teardown) that a returned button asks for.
//
// Typical use by the window:
//   open request    if (requestOptionsWindow(s, desktop)) start the options thread
//   WM_CREATE       narrowPointerBounds(s)
//   window shown    saved = snapshotOptions(s); s.shared.optionsOpen = true
//   WM_LBUTTONUP    if (auto cell = hitTest(x, y)) switch (applyOptionClick(s, *cell)) ...
//                   Ok:     release capture, destroy window, finishWithOk(s, desktop)
//                   Cancel: release capture, finishWithCancel(s, desktop, saved),
//                           destroy window (the order of these two is free)
//                   Exit:   release capture, destroy window, tear the program down
//   WM_DESTROY      restorePointerBounds(s)
//   WM_PAINT        a tick at tickPosition(row, col) for every value equal to 1
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "options/options_file.h"
#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil {

inline constexpr int kOptionsWindowWidth = 608;
inline constexpr int kOptionsWindowHeight = 514;
inline constexpr int kOptionRows = ButtonRow + 1;
inline constexpr int kOptionCols = kOptionColumns;
inline constexpr int kButtonRow = ButtonRow;
// A tick (25 x 23) sits this far inside its cell's top-left corner.
inline constexpr int kTickOffsetX = 6;
inline constexpr int kTickOffsetY = 5;

// A clickable rectangle in the window's client coordinates; a click hits it
// only strictly inside (the border lines themselves miss).
struct OptionRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct OptionLayoutRow {
    int count = 0;  // cells in use, columns 0..count-1
    std::array<OptionRect, kOptionCols> cells{};
};

// Rows 0..4 are the five questions, row 5 the OK, CANCEL and EXIT buttons.
// In rows 3 and 4 the greyed second picture has no cell; row 2's third cell
// sits one pixel lower than its neighbours.
inline constexpr std::array<OptionLayoutRow, kOptionRows> kOptionLayout{{
    {2, {{{162, 11, 312, 101}, {440, 11, 590, 101}, {}}}},
    {3, {{{162, 122, 278, 169}, {318, 122, 434, 169}, {475, 122, 591, 169}}}},
    {3, {{{163, 189, 279, 272}, {319, 189, 435, 272}, {475, 190, 591, 273}}}},
    {3, {{{116, 293, 231, 361}, {361, 293, 477, 361}, {485, 293, 600, 361}}}},
    {3, {{{116, 382, 231, 451}, {361, 382, 477, 451}, {485, 382, 600, 451}}}},
    {3, {{{61, 471, 210, 503}, {227, 471, 376, 503}, {398, 471, 546, 503}}}},
}};

struct OptionCell {
    int row = 0;
    int col = 0;
    friend bool operator==(const OptionCell&, const OptionCell&) = default;
};

// The first cell, row by row and column by column, strictly containing the
// client point; none for a point on a border line or outside every cell.
[[nodiscard]] std::optional<OptionCell> hitTest(int x, int y);

struct OptionPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const OptionPoint&, const OptionPoint&) = default;
};

// Where the tick of a cell is drawn (its top-left corner, client
// coordinates). row and col must name a cell of kOptionLayout.
[[nodiscard]] OptionPoint tickPosition(int row, int col);

// What the window has to do after a click.
enum class OptionButton { None, Ok, Cancel, Exit };

// The user asks for the options (tray menu or a click on the camera view).
// Ignored while the head is being searched for or calibrated (the large
// view); otherwise a visible keyboard is hidden (or a hidden one remembered).
// True when the window's thread is to be started: it is not open yet.
[[nodiscard]] bool requestOptionsWindow(TrackerState& s, Desktop& desktop);

// Applies a click on a cell to the option table and the values the tracker
// uses, at once: rows 0..2 are single choices (mirroring; head range;
// speed), rows 3 and 4 the click and drag gesture sets (a gesture never in
// both, at least one click gesture always kept). Row 5 changes nothing and
// names the button. An unknown cell does nothing.
OptionButton applyOptionClick(TrackerState& s, OptionCell cell);

// All 18 values of the table, as the window found it.
using SavedOptions = std::array<int32_t, kOptionCount>;
[[nodiscard]] SavedOptions snapshotOptions(const TrackerState& s);

// OK, after the window is gone: clears optionsOpen, writes the file and
// shows the keyboard again if the window hid it.
void finishWithOk(TrackerState& s, Desktop& desktop,
                  const std::filesystem::path& file = kOptionsFileName);
// CANCEL: puts the saved table back and applies it, clears optionsOpen and
// shows the keyboard again if the window hid it. The file is not touched.
void finishWithCancel(TrackerState& s, Desktop& desktop, const SavedOptions& saved);

// While the window is open the tracker keeps the pointer on it (centred on
// the screen); closing restores the whole screen.
void narrowPointerBounds(TrackerState& s);
void restorePointerBounds(TrackerState& s);

}  // namespace quil
