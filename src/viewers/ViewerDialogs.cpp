#include "viewers/ViewerDialogs.h"

#include "widgets/MessageBox.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
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
    return ChooseFolderFor(QApplication::activeWindow(), caption, {});
}

SessionPrompts::Answer QtViewerDialogs::Ask(QWidget* owner, const std::string& text, Kind kind,
                                            Buttons buttons) {
    return ShowMessageBox(owner, text, kind, buttons);
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
                                                            const std::string& title,
                                                            const std::string& startFolder) {
    const QString dir = QFileDialog::getExistingDirectory(owner, QString::fromStdString(title),
                                                          QString::fromStdString(startFolder));
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
