#include "widgets/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include "core/AppTitle.h"

namespace {

QMessageBox::Icon IconOf(SessionPrompts::Kind kind) {
    using Kind = SessionPrompts::Kind;
    switch (kind) {
        case Kind::Plain:
            return QMessageBox::NoIcon;
        case Kind::Information:
            return QMessageBox::Information;
        case Kind::Warning:
            return QMessageBox::Warning;
        case Kind::Error:
            return QMessageBox::Critical;
        case Kind::Confirmation:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// Messages quote addresses and paths; they are never markup.
QString BoxText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));  // a bare CR breaks the line too
    return shown;
}

}  // namespace

QMessageBox* OpenMessageBox(QWidget* owner, const std::string& text, SessionPrompts::Kind kind) {
    auto* box = new QMessageBox(IconOf(kind), QString::fromLatin1(AppTitle), BoxText(text),
                                QMessageBox::Ok, owner);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Modal like the boxes that wait for their answer, but the caller goes on.
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
    return box;
}

SessionPrompts::Answer ShowMessageBox(QWidget* owner, const std::string& text,
                                      SessionPrompts::Kind kind, SessionPrompts::Buttons buttons) {
    using Buttons = SessionPrompts::Buttons;
    using Answer = SessionPrompts::Answer;
    const QMessageBox::Icon icon = IconOf(kind);
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
    QMessageBox box(icon, QString::fromLatin1(AppTitle), BoxText(text), set, owner);
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
