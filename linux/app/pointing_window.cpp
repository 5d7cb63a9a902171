#include "linux/app/pointing_window.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cstdio>

#include "app_layer/texts.h"

namespace quil::lnx {

namespace {

// Dark ground and a bright lit target: the lit one must stand out at a
// glance for a user whose eyes are also their pointer.
const QColor kGround(32, 32, 40);
const QColor kLit(255, 200, 40);
const QColor kUnlit(90, 90, 110);
const QColor kWriting(230, 230, 230);
// The close button: large, as every target a head must reach.
constexpr int kCloseWidth = 240;
constexpr int kCloseHeight = 90;
constexpr int kTextSize = 20;
constexpr int kLineHeight = 36;

QString format(const char* pattern, double a, double b = 0, double c = 0, double d = 0,
               double e = 0) {
    char line[160];
    std::snprintf(line, sizeof line, pattern, a, b, c, d, e);
    return QString::fromUtf8(line);
}

}  // namespace

PointingWindow::PointingWindow(std::filesystem::path resultsFile)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      resultsFile_(std::move(resultsFile)),
      close_(QString::fromUtf8(kPointingClose), this) {
    setWindowTitle(QString::fromUtf8(kPointingTitle));
    QFont f = font();
    f.setPixelSize(kTextSize);
    setFont(f);
    close_.hide();
    QObject::connect(&close_, &QPushButton::clicked, [this] { hide(); });
}

void PointingWindow::start(QRect area, std::string engine,
                           std::vector<pointing::Condition> conditions, int rounds) {
    engine_ = std::move(engine);
    conditions_ = conditions.empty() ? pointing::standardConditions(area.width(), area.height())
                                     : std::move(conditions);
    session_.emplace(area.width(), area.height(), conditions_, rounds);
    result_.reset();
    saved_ = false;
    close_.hide();
    elapsed_.start();
    setGeometry(area);
    show();
    raise();
    activateWindow();
    update();
}

void PointingWindow::leave() {
    session_.reset();
    result_.reset();
    hide();
}

// Every press counts, on the target or not: a miss is part of the measure.
void PointingWindow::mousePressEvent(QMouseEvent* event) {
    if (!session_ || result_ || event->button() != Qt::LeftButton) return;
    const double seconds = clock ? clock() : elapsed_.nsecsElapsed() / 1e9;
    const QPointF at = event->position();
    session_->select({at.x(), at.y()}, seconds);
    if (session_->finished()) finish();
    update();
}

void PointingWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        leave();
        return;
    }
    QWidget::keyPressEvent(event);
}

// The figures are kept even when the file cannot be written: the user still
// sees them.
void PointingWindow::finish() {
    result_ = session_->result();
    const std::string when =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
    saved_ = pointing::appendResult(resultsFile_, pointing::csvLine(*result_, when, engine_));
    close_.setGeometry((width() - kCloseWidth) / 2, height() - 2 * kCloseHeight, kCloseWidth,
                       kCloseHeight);
    close_.show();
}

void PointingWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kGround);
    p.setRenderHint(QPainter::Antialiasing);
    if (result_) {
        paintResults(p);
    } else if (session_) {
        paintTargets(p);
    }
}

void PointingWindow::paintTargets(QPainter& p) {
    p.setPen(kWriting);
    p.drawText(QRect(0, kLineHeight / 2, width(), kLineHeight), Qt::AlignCenter,
               QString::fromUtf8(kPointingHint));
    const double radius = session_->condition().width / 2.0;
    for (int i = 0; i < pointing::kTargetCount; ++i) {
        const pointing::Point c = session_->targetCentre(i);
        const bool lit = i == session_->litTarget();
        p.setPen(lit ? Qt::NoPen : QPen(kUnlit, 2));
        p.setBrush(lit ? QBrush(kLit) : Qt::NoBrush);
        p.drawEllipse(QPointF(c.x, c.y), radius, radius);
    }
}

void PointingWindow::paintResults(QPainter& p) {
    const pointing::TestResult& r = *result_;
    std::vector<QString> lines{
        QString::fromUtf8(kPointingResultsHeading),
        QString(),
        format(kPointingThroughput, r.throughput),
        format(kPointingMovementTime, r.meanSeconds * 1000.0),
        format(kPointingErrorRate, r.errorRate() * 100.0),
        QString(),
        QString::fromUtf8(kPointingTableHeading),
    };
    for (const pointing::ConditionResult& c : r.conditions) {
        if (c.condition < 0 || c.condition >= static_cast<int>(conditions_.size())) continue;
        const pointing::Condition& k = conditions_[static_cast<size_t>(c.condition)];
        lines.push_back(format(kPointingTableRow, k.distance, k.width, c.effectiveWidth,
                               c.effectiveIndex, c.throughput));
    }
    QFont mono(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPixelSize(kTextSize);
    p.setFont(mono);
    p.setPen(kWriting);
    int y = kLineHeight * 2;
    for (const QString& line : lines) {
        p.drawText(QRect(0, y, width(), kLineHeight), Qt::AlignCenter, line);
        y += kLineHeight;
    }
}

}  // namespace quil::lnx
