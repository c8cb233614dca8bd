#include "support/BoxAnswerer.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>
#include <QElapsedTimer>

#include "support/QtApp.h"

BoxAnswerer::BoxAnswerer() {
    EnsureQtApp();  // a timer needs the application's event loop
    timer_.setInterval(20);
    connect(&timer_, &QTimer::timeout, this, [this] { Look(); });
    timer_.start();
}

void BoxAnswerer::Look() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box || !box->isVisible()) continue;
        Texts.push_back(box->text().toStdString());
        if (OnBox) OnBox(*box);
        QAbstractButton* button = box->defaultButton();
        if (!Answers.empty()) {
            button = box->button(Answers.front());
            Answers.pop_front();
        }
        if (!button && !box->buttons().isEmpty()) button = box->buttons().first();
        if (button) button->click();
        return;  // one box a turn: the click ends its loop before the next look
    }
}

bool BoxAnswerer::WaitForBoxes(std::size_t count, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (Texts.size() < count && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return Texts.size() >= count;
}

void BoxAnswerer::Idle(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}
