#include "widgets/DrawnIcon.h"

#include <QPainter>
#include <QPixmap>

QIcon DrawnIcon(const std::function<void(QPainter&)>& paint) {
    QIcon icon;
    for (int size : {16, 24, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 24.0, size / 24.0);
        paint(p);
        p.end();
        icon.addPixmap(pixmap, QIcon::Normal);
        QPixmap faded(size, size);
        faded.fill(Qt::transparent);
        QPainter f(&faded);
        f.setOpacity(0.35);
        f.drawPixmap(0, 0, pixmap);
        f.end();
        icon.addPixmap(faded, QIcon::Disabled);
    }
    return icon;
}
