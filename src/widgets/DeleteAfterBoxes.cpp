#include "widgets/DeleteAfterBoxes.h"

#include <QDialog>
#include <QWidget>

namespace {

void DeleteWhenBoxesHaveGone(QWidget* window) {
    // A box being destroyed is no QDialog any more by the time it says so, so it is not found.
    const auto boxes = window->findChildren<QDialog*>();
    if (!boxes.isEmpty()) {
        QObject::connect(boxes.first(), &QObject::destroyed, window,
                         [window] { DeleteWhenBoxesHaveGone(window); });
        return;
    }
    if (window->isVisible()) {
        window->setAttribute(Qt::WA_DeleteOnClose);  // opened again meanwhile: closes as before
        return;
    }
    window->deleteLater();
}

}  // namespace

void DeleteAfterBoxes(QWidget* window) {
    if (!window->testAttribute(Qt::WA_DeleteOnClose) ||
        window->findChildren<QDialog*>().isEmpty())
        return;
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    DeleteWhenBoxesHaveGone(window);
}
