#include "window/StatusBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <algorithm>

namespace {

QLabel* MakePanel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setIndent(3);
    return label;
}

}  // namespace

StatusBar::StatusBar(const std::vector<int>& widths, QWidget* parent)
    : QFrame(parent), widths_(widths) {
    // The panels sit on a strip as wide as they need; a narrow window cuts the last ones off
    // rather than growing to hold them or squeezing them over each other.
    strip_ = new QWidget(this);
    auto* layout = new QHBoxLayout(strip_);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    for (std::size_t i = 0; i < widths.size(); ++i) {
        QLabel* panel = MakePanel(strip_);
        layout->addWidget(panel);
        panels_.push_back(panel);
        FitPanel(static_cast<int>(i));
    }
    simpleLabel_ = MakePanel(this);
    simpleLabel_->hide();
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumWidth(1);
    setFixedHeight(fontMetrics().height() + 8);
}

void StatusBar::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    strip_->move(0, 0);
    strip_->resize(strip_->sizeHint().width(), height());
    simpleLabel_->setGeometry(1, 1, width() - 2, height() - 2);
}

QString StatusBar::PanelText(int panel) const {
    if (panel < 0 || panel >= PanelCount()) return {};
    return panels_[static_cast<std::size_t>(panel)]->text();
}

void StatusBar::SetPanelText(int panel, const QString& text) {
    if (panel < 0 || panel >= PanelCount()) return;
    QLabel* label = panels_[static_cast<std::size_t>(panel)];
    if (label->text() == text) return;
    label->setText(text);
    FitPanel(panel);
}

void StatusBar::FitPanel(int panel) {
    // A panel is never narrower than its text: the design widths were made for a smaller font.
    QLabel* label = panels_[static_cast<std::size_t>(panel)];
    const int needed = label->fontMetrics().horizontalAdvance(label->text()) + 2 * label->indent() +
                       2 * label->frameWidth() + 2;
    const int width = std::max(widths_[static_cast<std::size_t>(panel)], needed);
    if (label->minimumWidth() == width && label->maximumWidth() == width) return;
    label->setFixedWidth(width);
    strip_->adjustSize();
}

int StatusBar::PanelWidth(int panel) const {
    if (panel < 0 || panel >= PanelCount()) return 0;
    return widths_[static_cast<std::size_t>(panel)];
}

void StatusBar::SetPanelWidth(int panel, int width) {
    if (panel < 0 || panel >= PanelCount()) return;
    widths_[static_cast<std::size_t>(panel)] = width;
    FitPanel(panel);
}

void StatusBar::SetSimplePanel(bool simple) {
    if (simple == simple_) return;
    simple_ = simple;
    strip_->setVisible(!simple);
    simpleLabel_->setVisible(simple);
}

QString StatusBar::SimpleText() const {
    return simpleLabel_->text();
}

void StatusBar::SetSimpleText(const QString& text) {
    simpleLabel_->setText(text);
}
