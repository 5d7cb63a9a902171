// The options window on Linux: the picture of framed choices, worked with
// clicks alone, centred on the screen. The option rules, the layout and the
// pointer bounds are the portable options/options_window_logic.h; this file
// does the window work. It lives on the GUI thread, beside the tracker's
// timer, so the state needs no lock here.
#pragma once

#include <QImage>
#include <QWidget>
#include <filesystem>
#include <functional>

#include "app_layer/texts.h"
#include "options/options_window_logic.h"
#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil::lnx {

// The window is as large as the Windows one, frame included: a one-pixel
// border around a client area the picture and the hit test share.
inline constexpr int kOptionsBorder = 1;
inline constexpr int kCheckMarkWidth = 25;
inline constexpr int kCheckMarkHeight = 23;

class OptionsWindow final : public QWidget {
public:
    // The state and the desktop must outlive the window. OK saves to
    // `file`, making its folder; EXIT calls `exitProgram` once the window is
    // gone.
    OptionsWindow(TrackerState& s, Desktop& desktop, std::filesystem::path file, QImage picture,
                  QImage checkMark, std::function<void()> exitProgram);

    // Shows the window over the screen's centre, holds the tracker's
    // pointer to it and remembers the table for CANCEL. The caller has
    // already asked requestOptionsWindow.
    void open();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // A window manager's close is a CANCEL: the options must be able to
    // open again, with the table as it was.
    void closeEvent(QCloseEvent* event) override;

private:
    void finish(OptionButton button);

    TrackerState& s_;
    Desktop& desktop_;
    std::filesystem::path file_;
    QImage picture_;
    QImage checkMark_;
    std::function<void()> exitProgram_;
    SavedOptions saved_{};
};

}  // namespace quil::lnx
