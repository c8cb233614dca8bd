#include "htmlview/ScreenCursor.h"

#include <QApplication>
#include <QCursor>

namespace {
bool ours = false;  // whether our one level is on Qt's override-cursor stack
}  // namespace

// Others (the wait panel, the conversion window) stack their own busy cursors; ours is one
// level that is replaced, never stacked, and removed by the arrow.
void SetScreenCursor(Qt::CursorShape shape) {
    if (shape == Qt::ArrowCursor) {
        if (ours) QApplication::restoreOverrideCursor();
        ours = false;
    } else if (!ours) {
        QApplication::setOverrideCursor(QCursor(shape));
        ours = true;
    } else {
        QApplication::changeOverrideCursor(QCursor(shape));
    }
}

Qt::CursorShape ScreenCursor() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor != nullptr ? cursor->shape() : Qt::ArrowCursor;
}
