#include "window/GuiPrompts.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "about/TMessageForm.h"
#include "engine/SessionState.h"
#include "window/TParseFile.h"

namespace {
QString FromText(const std::string& text) {
    return QString::fromStdString(text);
}

std::optional<std::string> ChosenPath(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

struct FilterPair {
    QString Description;
    QStringList Patterns;
};

std::vector<FilterPair> SplitFilter(const std::string& filter) {
    const QStringList parts = FromText(filter).split(u'|');
    std::vector<FilterPair> pairs;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(u';', Qt::SkipEmptyParts))
            if (!p.trimmed().isEmpty()) patterns << p.trimmed();
        if (patterns.isEmpty()) continue;
        pairs.push_back({parts[i].trimmed(), patterns});
    }
    return pairs;
}
}  // namespace

QString QtFileFilter(const std::string& filter) {
    QStringList filters;
    for (FilterPair& pair : SplitFilter(filter)) {
        // The description often names its patterns already, "Files(*.lwa)"; the dialog reads the
        // patterns from the last parentheses, so they are written once, by us.
        QString description = pair.Description;
        if (description.endsWith(u')')) {
            const qsizetype open = description.lastIndexOf(u'(');
            if (open >= 0) description = description.left(open).trimmed();
        }
        const QString patterns = pair.Patterns.join(u' ');
        filters << (description.isEmpty() ? patterns : description + " (" + patterns + ")");
    }
    return filters.join(QStringLiteral(";;"));
}

QString DefaultSuffix(const std::string& filter) {
    const auto pairs = SplitFilter(filter);
    if (pairs.empty()) return {};
    const QString& first = pairs.front().Patterns.front();
    if (!first.startsWith(QStringLiteral("*.")) || first.indexOf(u'*', 1) >= 0 ||
        first.contains(u'?'))
        return {};
    return first.mid(2);
}

GuiPrompts::GuiPrompts(QWidget* owner) : owner_(owner) {}

GuiPrompts::~GuiPrompts() {
    while (busyDepth_ > 0) SetBusyCursor(false);
}

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
    QString shown = FromText(text);
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

SessionPrompts::Answer GuiPrompts::Message(const std::string& text, Kind kind, Buttons buttons) {
    return ShowMessageBox(owner_, text, kind, buttons);
}

std::optional<std::string> GuiPrompts::SaveFileName(const std::string& caption,
                                                    const std::string& filter,
                                                    const std::string& initialName) {
    QFileDialog dialog(owner_, FromText(caption), QString(), QtFileFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // With the extension added here, the overwrite question is asked about the file that will
    // really be written.
    dialog.setDefaultSuffix(DefaultSuffix(filter));
    if (!initialName.empty()) dialog.selectFile(FromText(initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return ChosenPath(dialog.selectedFiles().front());
}

std::optional<std::string> GuiPrompts::OpenFileName(const std::string& caption,
                                                    const std::string& filter) {
    QFileDialog dialog(owner_, FromText(caption), QString(), QtFileFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return ChosenPath(dialog.selectedFiles().front());
}

std::optional<std::string> GuiPrompts::ChooseFolder(const std::string& caption) {
    return ChooseFolderFrom(caption, std::string());
}

std::optional<std::string> GuiPrompts::ChooseFolderFrom(const std::string& caption,
                                                        const std::string& startFolder) {
    return ChosenPath(QFileDialog::getExistingDirectory(
        owner_, FromText(caption), FromText(startFolder), QFileDialog::ShowDirsOnly));
}

void GuiPrompts::ConversionShow() {
    if (!conversion_) {
        conversion_ = std::make_unique<TParseFile>();
        SetBusyCursor(true);
    }
    conversion_->ShowCentred(owner_);
}

void GuiPrompts::ConversionProgress(const std::string& label, const std::string& currentFile,
                                    int gauge) {
    if (!conversion_) ConversionShow();
    conversion_->SetProgress(FromText(label), FromText(currentFile), gauge);
}

void GuiPrompts::ConversionClose() {
    if (!conversion_) return;
    conversion_.reset();
    SetBusyCursor(false);
}

void GuiPrompts::WaitShow(const std::string& line1, const std::string& line2) {
    if (!wait_) {
        wait_ = std::make_unique<TMessageForm>();
        SetBusyCursor(true);
    }
    wait_->ShowPanel(FromText(line1), FromText(line2), owner_);
}

void GuiPrompts::WaitPicture(int picture) {
    if (wait_) wait_->ShowPicture(picture);
}

void GuiPrompts::WaitClose() {
    if (!wait_) return;
    wait_.reset();
    SetBusyCursor(false);
}

void GuiPrompts::SetBusyCursor(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++busyDepth_;
    } else if (busyDepth_ > 0) {
        QApplication::restoreOverrideCursor();
        --busyDepth_;
    }
}

// The windows are painted and timers and transfers go on, but input waits until the time is up.
void GuiPrompts::Pause(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    } while (clock.elapsed() < milliseconds);
}

void GuiPrompts::ProcessEvents() {
    QCoreApplication::processEvents();
}
