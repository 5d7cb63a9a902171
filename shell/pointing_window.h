// The pointing test's window: over the whole screen and above the others, it
// lights one target at a time, takes the user's usual click on it (whatever
// gesture or dwell made it), and at the end shows the figures and appends
// them to the results file. A head shake or Escape leaves it unsaved.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pointing_test/pointing_session.h"
#include "tracker/desktop.h"
#include "tracker/frame_report.h"

namespace quil::win {

inline constexpr char kPointingClassName[] = "QuilbrandPointingTest";

class PointingWindow {
public:
    PointingWindow() = default;
    PointingWindow(const PointingWindow&) = delete;
    PointingWindow& operator=(const PointingWindow&) = delete;
    ~PointingWindow();

    // A new test over `area` (the screen, in its coordinates); no conditions
    // means the standard ones. `engine` names the tracker's engine in the
    // results file. The window is made on first use. False if it cannot be.
    bool start(HINSTANCE instance, ScreenRect area, std::filesystem::path resultsFile,
               std::string engine, std::vector<pointing::Condition> conditions = {},
               int rounds = pointing::kDefaultRounds);
    // The user shook the head (or pressed Escape): closed, nothing saved.
    void leave();
    // Each frame's report: a head shake leaves the test.
    void frameSeen(const FrameReport& report);

    [[nodiscard]] bool shown() const;
    [[nodiscard]] bool testing() const { return shown() && session_ && !result_; }
    [[nodiscard]] const pointing::PointingSession* session() const {
        return session_ ? &*session_ : nullptr;
    }
    // Once the test is finished.
    [[nodiscard]] const std::optional<pointing::TestResult>& result() const { return result_; }
    [[nodiscard]] bool saved() const { return saved_; }
    [[nodiscard]] HWND window() const { return window_; }
    [[nodiscard]] HWND closeButton() const { return close_; }

    // Seconds since the test began; the tests give their own clock.
    std::function<double()> clock;

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool create(HINSTANCE instance);
    void select(int x, int y);
    void finish();
    [[nodiscard]] double secondsNow() const;
    void paint(HDC dc, const RECT& client) const;
    void paintTargets(HDC dc, const RECT& client) const;
    void paintResults(HDC dc, const RECT& client) const;

    HWND window_ = nullptr;
    HWND close_ = nullptr;
    HFONT textFont_ = nullptr;
    HFONT tableFont_ = nullptr;
    bool listening_ = false;
    std::filesystem::path resultsFile_;
    std::string engine_;
    std::vector<pointing::Condition> conditions_;
    std::optional<pointing::PointingSession> session_;
    std::optional<pointing::TestResult> result_;
    bool saved_ = false;
    LARGE_INTEGER startTicks_{};
};

}  // namespace quil::win
