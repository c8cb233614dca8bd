#include "htmlcontrol/ScreenCursor.h"

#include <QApplication>
#include <QCursor>

void SetScreenCursor(Qt::CursorShape shape) {
    if (shape == Qt::ArrowCursor) {
        while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
    } else if (QApplication::overrideCursor() == nullptr) {
        QApplication::setOverrideCursor(QCursor(shape));
    } else {
        QApplication::changeOverrideCursor(QCursor(shape));
    }
}

Qt::CursorShape ScreenCursor() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor != nullptr ? cursor->shape() : Qt::ArrowCursor;
}
