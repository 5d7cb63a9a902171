#include "linux/camera_tool/settings_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>

namespace quil::lnx {

namespace {

// A slider wide enough to pick a step; the list scrolls beyond this height.
constexpr int kSliderWidth = 240;
constexpr int kMaxListHeight = 600;
// Room for the widest value a slider shows ("-2147483648").
constexpr int kValueChars = 11;
// Page Up / Page Down move a tenth of the range.
constexpr int kPagesPerRange = 10;

}  // namespace

void showNoCameraWarning() {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kWarningCaption),
                    QString::fromUtf8(kNoCameraText), QMessageBox::Ok);
    box.exec();
}

SettingsWindow::SettingsWindow(SettingsModel& model) : model_(model) {
    setWindowTitle(QString::fromUtf8(kToolTitle));
    auto* list = new QWidget;
    auto* grid = new QGridLayout(list);
    for (std::size_t i = 0; i < model_.rows().size(); ++i) {
        const int line = static_cast<int>(i);
        RowWidgets w = makeRow(i);
        w.name = new QLabel(QString::fromStdString(model_.rows()[i].control.name));
        w.name->setBuddy(w.editor);
        grid->addWidget(w.name, line, 0);
        // A check box as wide as its box, so that its middle is the box.
        grid->addWidget(w.editor, line, 1, w.check != nullptr ? Qt::AlignLeft : Qt::Alignment());
        grid->addWidget(w.value, line, 2);
        widgets_.push_back(w);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(static_cast<int>(model_.rows().size()), 1);

    auto* area = new QScrollArea;
    area->setWidget(list);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A list taller than the limit scrolls, its scroll bar beside the rows
    // rather than over them.
    const QSize wanted = list->sizeHint();
    const bool scrolls = wanted.height() > kMaxListHeight;
    const int barWidth = scrolls ? area->verticalScrollBar()->sizeHint().width() : 0;
    area->setMinimumSize(wanted.width() + barWidth, std::min(wanted.height(), kMaxListHeight));

    auto* button = new QPushButton(QString::fromUtf8(kResetText));
    QObject::connect(button, &QPushButton::clicked, this, [this] {
        model_.reset();
        refresh();
    });
    reset_ = button;
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(button);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(area, 1);
    layout->addLayout(buttons);
    refresh();
}

SettingsWindow::RowWidgets SettingsWindow::makeRow(std::size_t row) {
    const SettingRow& r = model_.rows()[row];
    RowWidgets w;
    w.value = new QLabel;
    w.value->setMinimumWidth(w.value->fontMetrics().horizontalAdvance(QChar('0')) * kValueChars);
    w.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    switch (r.kind) {
        case RowKind::Slider: {
            auto* slider = new QSlider(Qt::Horizontal);
            slider->setRange(0, sliderPositions(r.control));
            slider->setSingleStep(1);
            slider->setPageStep(std::max(1, sliderPositions(r.control) / kPagesPerRange));
            slider->setMinimumWidth(kSliderWidth);
            QObject::connect(slider, &QSlider::valueChanged, this, [this, row](int position) {
                model_.change(row, valueAtPosition(model_.rows()[row].control, position));
                refresh();
            });
            w.slider = slider;
            w.editor = slider;
            break;
        }
        case RowKind::CheckBox: {
            auto* check = new QCheckBox;
            QObject::connect(check, &QCheckBox::clicked, this, [this, row](bool on) {
                model_.setChecked(row, on);
                refresh();
            });
            w.check = check;
            w.editor = check;
            break;
        }
        case RowKind::Choice: {
            auto* combo = new QComboBox;
            for (const MenuEntry& e : r.control.menu) {
                combo->addItem(QString::fromStdString(e.name), e.value);
            }
            QObject::connect(combo, &QComboBox::activated, this, [this, row, combo](int index) {
                model_.change(row, combo->itemData(index).toInt());
                refresh();
            });
            w.combo = combo;
            w.editor = combo;
            break;
        }
    }
    return w;
}

void SettingsWindow::refresh() {
    for (std::size_t i = 0; i < widgets_.size(); ++i) {
        const SettingRow& r = model_.rows()[i];
        const RowWidgets& w = widgets_[i];
        const QSignalBlocker hold(w.editor);
        // The whole row greys, so that it reads as one.
        for (QWidget* part : std::initializer_list<QWidget*>{w.name, w.editor, w.value}) {
            part->setEnabled(!r.greyed);
        }
        if (w.slider != nullptr) {
            w.slider->setValue(positionOfValue(r.control, r.control.value));
            w.value->setText(QString::number(r.control.value));
        } else if (w.check != nullptr) {
            w.check->setChecked(model_.checked(i));
        } else if (w.combo != nullptr) {
            // A value the menu does not name selects nothing.
            w.combo->setCurrentIndex(w.combo->findData(r.control.value));
        }
    }
}

std::vector<std::pair<std::string, QPoint>> SettingsWindow::places() const {
    std::vector<std::pair<std::string, QPoint>> out;
    for (std::size_t i = 0; i < widgets_.size(); ++i) {
        const QWidget* e = widgets_[i].editor;
        out.emplace_back(model_.rows()[i].control.name, e->mapTo(this, e->rect().center()));
    }
    out.emplace_back(kResetText, reset_->mapTo(this, reset_->rect().center()));
    return out;
}

}  // namespace quil::lnx
