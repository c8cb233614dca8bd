#include "widgets/ViewerIcons.h"

#include <QPainter>
#include <QPainterPath>

#include "widgets/DrawnIcon.h"

QIcon ColorSwatchIcon() {
    return DrawnIcon([](QPainter& p) {
        p.setPen(QPen(QColor(60, 60, 60), 1));
        const QColor colours[] = {QColor(220, 50, 47), QColor(38, 139, 210), QColor(133, 153, 0),
                                  QColor(241, 196, 15)};
        for (int i = 0; i < 4; ++i) {
            p.setBrush(colours[i]);
            p.drawRoundedRect(QRectF(3 + (i % 2) * 9.5, 3 + (i / 2) * 9.5, 8, 8), 1.5, 1.5);
        }
    });
}

QIcon PrinterIcon() {
    return DrawnIcon([](QPainter& p) {
        const QColor ink(60, 60, 60);
        p.setPen(QPen(ink, 1.2));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 3, 10, 7));  // sheet going in
        p.setBrush(QColor(170, 170, 175));
        p.drawRoundedRect(QRectF(3, 9, 18, 8), 2, 2);  // body
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 14, 10, 7));  // sheet coming out
        p.setPen(QPen(ink, 0.8));
        p.drawLine(QPointF(9, 17), QPointF(15, 17));
        p.drawLine(QPointF(9, 19), QPointF(14, 19));
    });
}

QIcon DocumentSourceIcon() {
    return DrawnIcon([](QPainter& p) {
        const QColor ink(60, 60, 60);
        p.setPen(QPen(ink, 1.2));
        p.setBrush(Qt::white);
        QPainterPath page;
        page.moveTo(5, 2);
        page.lineTo(15, 2);
        page.lineTo(19, 6);
        page.lineTo(19, 22);
        page.lineTo(5, 22);
        page.closeSubpath();
        p.drawPath(page);
        p.setPen(QPen(QColor(38, 100, 180), 1.6));
        p.drawPolyline(QPolygonF({QPointF(10, 10), QPointF(7.5, 13), QPointF(10, 16)}));
        p.drawPolyline(QPolygonF({QPointF(14, 10), QPointF(16.5, 13), QPointF(14, 16)}));
        p.drawLine(QPointF(12.8, 9.5), QPointF(11.2, 16.5));
    });
}
