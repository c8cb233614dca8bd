#include "window/GuiPrompts.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "widgets/MessageBox.h"
#include "window/ConversionProgress.h"
#include "window/PleaseWaitPanel.h"

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

void GuiPrompts::StopWaitShow(const std::string& text) {
    StopWaitClose();
    stopWait_ = OpenMessageBox(owner_, text, Kind::Information);
}

void GuiPrompts::StopWaitClose() {
    if (stopWait_) stopWait_->close();
}

QMessageBox* GuiPrompts::StopWaitBox() const {
    return stopWait_.data();
}

void GuiPrompts::ConversionShow() {
    if (!conversion_) {
        conversion_ = std::make_unique<ConversionProgress>();
        SetBusyCursor(true);
    }
    conversion_->ShowCentred(owner_);
}

void GuiPrompts::ConversionUpdate(const std::string& label, const std::string& currentFile,
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
        wait_ = std::make_unique<PleaseWaitPanel>();
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
