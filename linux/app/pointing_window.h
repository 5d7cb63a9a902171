// The pointing test's window: over the whole screen and above the others, it
// lights one target at a time, takes the user's usual click on it (whatever
// gesture or dwell made it), and at the end shows the figures and appends
// them to the results file. A head shake or Escape leaves it unsaved.
#pragma once

#include <QElapsedTimer>
#include <QPushButton>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pointing_test/pointing_session.h"

namespace quil::lnx {

class PointingWindow final : public QWidget {
public:
    explicit PointingWindow(std::filesystem::path resultsFile);

    // A new test over `area` (the screen, in its coordinates); no conditions
    // means the standard ones. `engine` names the tracker's engine in the
    // results file.
    void start(QRect area, std::string engine, std::vector<pointing::Condition> conditions = {},
               int rounds = pointing::kDefaultRounds);
    // The user shook the head (or pressed Escape): closed, nothing saved.
    void leave();

    [[nodiscard]] bool testing() const { return isVisible() && session_ && !result_; }
    [[nodiscard]] const pointing::PointingSession* session() const {
        return session_ ? &*session_ : nullptr;
    }
    // Once the test is finished.
    [[nodiscard]] const std::optional<pointing::TestResult>& result() const { return result_; }
    [[nodiscard]] bool saved() const { return saved_; }
    [[nodiscard]] QPushButton& closeButton() { return close_; }

    // Seconds since the test began; the tests give their own clock.
    std::function<double()> clock;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void finish();
    void paintTargets(class QPainter& p);
    void paintResults(class QPainter& p);

    std::filesystem::path resultsFile_;
    std::string engine_;
    std::vector<pointing::Condition> conditions_;
    std::optional<pointing::PointingSession> session_;
    std::optional<pointing::TestResult> result_;
    bool saved_ = false;
    QElapsedTimer elapsed_;
    QPushButton close_;
};

}  // namespace quil::lnx
