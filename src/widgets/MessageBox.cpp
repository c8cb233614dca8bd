#include "widgets/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include "engine/SessionState.h"

SessionPrompts::Answer ShowMessageBox(QWidget* owner, const std::string& text,
                                      SessionPrompts::Kind kind, SessionPrompts::Buttons buttons) {
    using Kind = SessionPrompts::Kind;
    using Buttons = SessionPrompts::Buttons;
    using Answer = SessionPrompts::Answer;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (kind) {
        case Kind::Plain:
            icon = QMessageBox::NoIcon;
            break;
        case Kind::Information:
            icon = QMessageBox::Information;
            break;
        case Kind::Warning:
            icon = QMessageBox::Warning;
            break;
        case Kind::Error:
            icon = QMessageBox::Critical;
            break;
        case Kind::Confirmation:
            icon = QMessageBox::Question;
            break;
    }
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    QMessageBox::StandardButton first = QMessageBox::Ok;
    QMessageBox::StandardButton escape = QMessageBox::Ok;
    switch (buttons) {
        case Buttons::Ok:
            break;
        case Buttons::OkCancel:
            set = QMessageBox::Ok | QMessageBox::Cancel;
            escape = QMessageBox::Cancel;
            break;
        case Buttons::YesNo:
            set = QMessageBox::Yes | QMessageBox::No;
            first = QMessageBox::Yes;
            escape = QMessageBox::No;
            break;
    }
    // Messages quote addresses and paths; they are never markup.
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));  // a bare CR breaks the line too
    QMessageBox box(icon, QString::fromLatin1(AppTitle), shown, set, owner);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(first);
    box.setEscapeButton(escape);
    // A box asked for while the hourglass shows still wants the arrow to be clicked.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int result = box.exec();
    QApplication::restoreOverrideCursor();
    switch (result) {
        case QMessageBox::Cancel:
            return Answer::Cancel;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Ok:
            return Answer::Ok;
        default:
            // Closed some other way: the refusing answer, where the box has one.
            return buttons == Buttons::YesNo      ? Answer::No
                   : buttons == Buttons::OkCancel ? Answer::Cancel
                                                  : Answer::Ok;
    }
}
