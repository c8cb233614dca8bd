#include "widgets/DeleteAfterBoxes.h"

#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace {

// True when the window has a box; `then` runs for the window once that box has gone.
bool AfterFirstBox(QWidget* window, void (*then)(QWidget*)) {
    // A box being destroyed is no QDialog any more by the time it says so, so it is not found.
    const auto boxes = window->findChildren<QDialog*>();
    if (boxes.isEmpty()) return false;
    QObject::connect(boxes.first(), &QObject::destroyed, window, [window, then] { then(window); });
    return true;
}

// Deletes the window as its own deleteLater would: once control is back in the event loop that
// asked for it. A stand-in object carries the request, because Qt drops a second deleteLater of
// an object whose first one was held. Boxes opened meanwhile are waited for again.
void DeleteLaterUnlessBoxes(QWidget* window) {
    auto* standIn = new QObject;
    QObject::connect(standIn, &QObject::destroyed, [window = QPointer<QWidget>(window)] {
        if (window && !AfterFirstBox(window, DeleteLaterUnlessBoxes)) delete window.data();
    });
    standIn->deleteLater();
}

void DeleteWhenBoxesHaveGone(QWidget* window) {
    if (AfterFirstBox(window, DeleteWhenBoxesHaveGone)) return;
    if (window->isVisible()) {
        window->setAttribute(Qt::WA_DeleteOnClose);  // opened again meanwhile: closes as before
        return;
    }
    DeleteLaterUnlessBoxes(window);
}

}  // namespace

void DeleteAfterBoxes(QWidget* window) {
    if (!window->testAttribute(Qt::WA_DeleteOnClose) ||
        window->findChildren<QDialog*>().isEmpty())
        return;
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    DeleteWhenBoxesHaveGone(window);
}

bool HoldDeletionUnderBoxes(QWidget* window, QEvent* event) {
    return event->type() == QEvent::DeferredDelete &&
           AfterFirstBox(window, DeleteLaterUnlessBoxes);
}
