#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QStringList>
#include <QTimer>

// Answers the real message boxes that open while it lives, the way a person would: a timer looks
// for a shown QMessageBox among the top-level windows and clicks its button. The box runs its
// own event loop, so faults inside that loop show up as they would for a person.
class AnsweredMessageBoxes {
  public:
    // button: the caption of the button to click; empty clicks the box's default (or only) one.
    explicit AnsweredMessageBoxes(QString button = QString()) : button_(std::move(button)) {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] { AnswerShownBox(); });
        timer_.start();
    }
    AnsweredMessageBoxes(const AnsweredMessageBoxes&) = delete;
    AnsweredMessageBoxes& operator=(const AnsweredMessageBoxes&) = delete;

    // Runs the event loop until `count` boxes were answered or the time is up; true when they were.
    bool WaitForAnswers(int count, int milliseconds = 5000) {
        QDeadlineTimer deadline(milliseconds);
        while (Texts.size() < count && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return Texts.size() >= count;
    }

    // The text of every box answered, in order.
    QStringList Texts;

  private:
    void AnswerShownBox() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(window);
            if (!box || !box->isVisible()) continue;
            QAbstractButton* target = box->defaultButton();
            for (QAbstractButton* b : box->buttons())
                if (!button_.isEmpty() && b->text().remove(u'&') == button_) target = b;
            if (!target && !box->buttons().isEmpty()) target = box->buttons().front();
            if (!target) continue;
            Texts.append(box->text());
            target->click();
            return;
        }
    }

    QString button_;
    QTimer timer_;
};
