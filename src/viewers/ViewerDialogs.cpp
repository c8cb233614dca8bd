#include "viewers/ViewerDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

SessionPrompts::Answer ViewerDialogs::Message(const std::string& text, Kind kind, Buttons buttons) {
    return Ask(QApplication::activeWindow(), text, kind, buttons);
}

std::optional<std::string> ViewerDialogs::SaveFileName(const std::string& caption,
                                                       const std::string& filter,
                                                       const std::string& initialName) {
    return SaveCopyName(QApplication::activeWindow(), caption, filter, initialName, {});
}

std::optional<std::string> ViewerDialogs::ChooseFolder(const std::string& caption) {
    return ChooseFolderFor(QApplication::activeWindow(), caption);
}

SessionPrompts::Answer QtViewerDialogs::Ask(QWidget* owner, const std::string& text, Kind kind,
                                            Buttons buttons) {
    QMessageBox box(owner);
    box.setWindowTitle(QApplication::applicationName());
    // Texts carry Windows line ends; a box shows "\r" as a stray mark.
    box.setText(QString::fromStdString(text).replace("\r\n", "\n"));
    switch (kind) {
        case Kind::Plain:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case Kind::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Kind::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case Kind::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case Kind::Confirmation:
            box.setIcon(QMessageBox::Question);
            break;
    }
    switch (buttons) {
        case Buttons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Buttons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case Buttons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Cancel:
            return Answer::Cancel;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
}

std::optional<std::string> QtViewerDialogs::SaveCopyName(QWidget* owner, const std::string& title,
                                                         const std::string& filter,
                                                         const std::string& proposedName,
                                                         const SaveOptions& options) {
    QFileDialog::Options qtOptions;
    if (!options.ConfirmOverwrite) qtOptions |= QFileDialog::DontConfirmOverwrite;
    const QString name = QFileDialog::getSaveFileName(owner, QString::fromStdString(title),
                                                      QString::fromStdString(proposedName),
                                                      QtFilter(filter), nullptr, qtOptions);
    if (name.isEmpty()) return std::nullopt;
    return name.toStdString();
}

std::optional<QColor> QtViewerDialogs::ChooseColor(QWidget* owner, const QColor& initial) {
    const QColor c = QColorDialog::getColor(initial, owner);
    if (!c.isValid()) return std::nullopt;
    return c;
}

std::optional<std::string> QtViewerDialogs::ChooseFolderFor(QWidget* owner,
                                                            const std::string& title) {
    const QString dir = QFileDialog::getExistingDirectory(owner, QString::fromStdString(title));
    if (dir.isEmpty()) return std::nullopt;
    return dir.toStdString();
}

ViewerDialogs& DefaultViewerDialogs() {
    static QtViewerDialogs dialogs;
    return dialogs;
}

QString QtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString text = parts[i];
        QString pattern = i + 1 < parts.size() ? parts[i + 1] : QString();
        if (text.isEmpty() && pattern.isEmpty()) continue;
        if (pattern.isEmpty()) pattern = text;
        if (pattern == "*" || pattern == "*.") pattern = "*";
        out << QString("%1 (%2)").arg(text, pattern);
    }
    return out.join(";;");
}
