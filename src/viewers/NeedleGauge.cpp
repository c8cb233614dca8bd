#include "viewers/NeedleGauge.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <algorithm>

NeedleGauge::NeedleGauge(QWidget* parent) : QWidget(parent) {
    setMinimumSize(48, 26);
}

void NeedleGauge::SetMaxValue(std::int64_t value) {
    if (max_ == value) return;
    max_ = value;
    update();
}

void NeedleGauge::SetProgress(std::int64_t value) {
    if (progress_ == value) return;
    progress_ = value;
    update();
}

int NeedleGauge::PercentDone() const {
    if (max_ <= 0) return 0;
    const std::int64_t p = std::clamp<std::int64_t>(progress_, 0, max_);
    // In floating point: p * 100 overflows for the largest sizes.
    return static_cast<int>(static_cast<long double>(p) * 100 / static_cast<long double>(max_));
}

void NeedleGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(2, 2, -2, -2);
    // The dial is the upper half of a circle resting on the bottom edge.
    const qreal radius = std::min(area.width() / 2, area.height() - 1);
    const QPointF pivot(area.center().x(), area.bottom() - 1);
    const QRectF circle(pivot.x() - radius, pivot.y() - radius, 2 * radius, 2 * radius);

    p.setPen(QPen(palette().color(QPalette::Mid), 1));
    p.setBrush(palette().color(QPalette::Base));
    p.drawChord(circle, 0, 180 * 16);
    // Ticks at every tenth.
    p.setPen(QPen(palette().color(QPalette::Text), 1));
    for (int i = 0; i <= 10; ++i) {
        const qreal a = qDegreesToRadians(180.0 - 18.0 * i);
        const qreal inner = i % 5 == 0 ? radius * 0.72 : radius * 0.84;
        p.drawLine(
            QPointF(pivot.x() + inner * qCos(a), pivot.y() - inner * qSin(a)),
            QPointF(pivot.x() + radius * 0.95 * qCos(a), pivot.y() - radius * 0.95 * qSin(a)));
    }
    // The needle.
    const qreal angle = qDegreesToRadians(180.0 - 1.8 * PercentDone());
    p.setPen(QPen(QColor(200, 30, 30), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(pivot, QPointF(pivot.x() + radius * 0.9 * qCos(angle),
                              pivot.y() - radius * 0.9 * qSin(angle)));
    p.setPen(Qt::NoPen);
    p.setBrush(palette().color(QPalette::Text));
    p.drawEllipse(pivot, 2.2, 2.2);
}
