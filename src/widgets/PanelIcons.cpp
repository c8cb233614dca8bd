#include "widgets/PanelIcons.h"

#include <QPainter>
#include <QPainterPath>

#include "widgets/DrawnIcon.h"

namespace {

QIcon Arrow(bool left) {
    return DrawnIcon([left](QPainter& p) {
        p.setPen(QPen(QColor(30, 90, 40), 1.2));
        p.setBrush(QColor(60, 170, 80));
        QPolygonF arrow({QPointF(3, 12), QPointF(11, 4), QPointF(11, 8.5), QPointF(21, 8.5),
                         QPointF(21, 15.5), QPointF(11, 15.5), QPointF(11, 20)});
        if (!left) {
            for (QPointF& point : arrow) point.setX(24 - point.x());
        }
        p.drawPolygon(arrow);
    });
}

}  // namespace

QIcon SaveCopyIcon() {
    return DrawnIcon([](QPainter& p) {
        p.setPen(QPen(QColor(40, 60, 110), 1.2));
        p.setBrush(QColor(70, 110, 190));
        p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 3, 10, 7));
        p.setBrush(QColor(200, 205, 215));
        p.drawRect(QRectF(6, 13, 12, 8));
    });
}

QIcon BackArrowIcon() { return Arrow(true); }
QIcon ForwardArrowIcon() { return Arrow(false); }

QIcon FullScreenIcon() {
    return DrawnIcon([](QPainter& p) {
        p.setPen(QPen(QColor(60, 60, 60), 1.2));
        p.setBrush(QColor(30, 30, 30));
        p.drawRect(QRectF(3, 5, 18, 14));
        p.setPen(QPen(QColor(240, 200, 60), 1.8));
        const QPointF corners[][3] = {{{6, 11}, {6, 8}, {9, 8}},
                                      {{15, 8}, {18, 8}, {18, 11}},
                                      {{18, 13}, {18, 16}, {15, 16}},
                                      {{9, 16}, {6, 16}, {6, 13}}};
        for (const auto& c : corners) p.drawPolyline(c, 3);
    });
}
