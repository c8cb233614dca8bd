#include "finder/FinderWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "about/AboutDialog.h"
#include "core/FileBytes.h"
#include "core/FileNames.h"
#include "core/Text.h"
#include "htmlview/ScreenCursor.h"
#include "finder/FinderGridModel.h"
#include "finder/FinderTexts.h"
#include "htmlview/HtmlView.h"
#include "shell/PropertiesDialog.h"
#include "shell/ShellContextMenu.h"
#include "shell/ShellOpen.h"
#include "viewers/DocumentSourceWindow.h"
#include "viewers/SelectionPrinter.h"
#include "viewers/ViewerDialogs.h"
#include "widgets/PagePane.h"
#include "widgets/ViewerIcons.h"

// --- Preview ----------------------------------------------------------------------------------

void FinderWindow::PreviewSelectedFile() {
    // Loading every page or picture as the walk selects it would cost more than the walk.
    if (previewHeld_) return;
    const std::string path = SelectedPath();
    const std::string ext = LowerCase(FileExtension(path));
    const bool html = IsHtmlPreview(ext);
    const bool image = IsImagePreview(ext);
    PageView->setVisible(html);
    PictureLabel->setVisible(image);
    if (html) {
        PictureBox->hide();
        PageView->ShowURL(HtmlView::LocalFileURL(path));
    } else if (image) {
        ShowPictureFile(path);
    }
}

void FinderWindow::ShowPictureFile(const std::string& path) {
    const std::string failure = PreviewPanel->ShowPictureFile(path);
    if (!failure.empty()) ShowError(failure);
}

void FinderWindow::ShowError(const std::string& text) {
    dialogs_.Ask(this, text, ViewerDialogs::Kind::Error, ViewerDialogs::Buttons::Ok);
}

// --- Commands on the selected result -----------------------------------------------------------

void FinderWindow::UpdateResultMenu() {
    const std::string ext = LowerCase(FileExtension(SelectedPath()));
    const bool hasExt = !ext.empty();
    OpenAction->setEnabled(hasExt);
    DeleteAction->setEnabled(hasExt);
    SaveAsAction->setEnabled(hasExt);
    PropertiesAction->setEnabled(SaveAsAction->isEnabled());
    ContextMenuAction->setEnabled(SaveAsAction->isEnabled());
    DocumentSourceAction->setEnabled(IsAnyOf(ext, {".html", ".htm", ".shtml", ".shtm", ".asp"}));
}

void FinderWindow::ShowDocumentSource() {
    const std::string path = SelectedPath();
    if (path.empty()) return;
    // ".asp" pages are not previewed, but their source is as readable as any page's.
    if (PageView->isHidden() && LowerCase(FileExtension(path)) != ".asp") return;
    OpenDocumentSource(this, path, dialogs_);
}

void FinderWindow::OpenFileExternally() {
    const std::string path = SelectedPath();
    if (path.empty()) return;
    std::string folder = path.substr(0, path.find_last_of('/') + 1);
    if (folder.size() > 1) folder.pop_back();
    ShellOpen(path, path, folder, 1);
}

void FinderWindow::DeleteSelectedFile() {
    const std::string path = SelectedPath();
    if (path.empty()) return;
    const int row = SelectedRow();
    if (dialogs_.Ask(this, "Are you sure you want to delete file\r\n\"" + path + "\"?",
                     ViewerDialogs::Kind::Confirmation,
                     ViewerDialogs::Buttons::YesNo) != ViewerDialogs::Answer::Yes)
        return;
    // A folder that matched the mask is not a file to delete: RemoveFile refuses it.
    if (const std::string failure = RemoveFile(path); failure.empty())
        SetCell(1, row, "File Deleted");
    else
        ShowError("Could not delete \"" + path + "\": " + failure);
}

void FinderWindow::SaveFileCopy() {
    const std::string path = SelectedPath();
    if (path.empty()) return;
    const std::string ext = LowerCase(FileExtension(path));
    const std::string name = path.substr(path.find_last_of('/') + 1);
    ViewerDialogs::SaveOptions options;
    options.ConfirmOverwrite = false;
    const auto chosen = dialogs_.SaveCopyName(
        this, "Lanternway Find File - Save \"" + path + "\" As ..", "*" + ext + "|", name, options);
    if (!chosen || chosen->empty()) return;
    namespace fs = std::filesystem;
    std::error_code ec;
    std::string target = fs::absolute(fs::path(*chosen), ec).string();
    if (ec) return;
    // Keep the source's own extension, in its own case. A dot in a folder name is no extension,
    // and a source without one gives the target none.
    if (FileExtension(target).empty()) target += FileExtension(name);
    // copy_file refuses to copy a file onto itself, so nothing is lost that way.
    fs::copy_file(path, target, fs::copy_options::overwrite_existing, ec);
}

void FinderWindow::ShowFileProperties() {
    const std::string path = SelectedPath();
    if (!path.empty()) ShowProperties(QString::fromStdString(path), this);
}

void FinderWindow::ShowFileContextMenu() {
    const std::string path = SelectedPath();
    if (path.empty()) return;
    ShowShellContextMenu(QString::fromStdString(path),
                         ResultsGrid->viewport()->mapToGlobal(LastGridPoint), this);
}

// --- HTML preview -----------------------------------------------------------------------------

void FinderWindow::UpdatePageMenu() {
    const bool selection = PageView->HasSelection();
    CopyAction->setEnabled(selection);
    PrintSelectionAction->setEnabled(selection);
}

void FinderWindow::CopySelection() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(PageView->GetSelectedText(-1, -1)));
}

void FinderWindow::SelectAllText() {
    PageView->SelectAll();
}

void FinderWindow::PrintSelection() {
    try {
        PrintSelectedHTMLText(*PageView);
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

void FinderWindow::OnPageRequested() {
    SetScreenCursor(Qt::WaitCursor);
}

void FinderWindow::OnPageLoaded() {
    SetScreenCursor(Qt::ArrowCursor);
}

void FinderWindow::OnPageError() {
    OnPageLoaded();
}

void FinderWindow::OnPagePressed(Qt::MouseButton button, const QPoint& globalPos) {
    if (button != Qt::RightButton) return;
    UpdatePageMenu();
    PageMenu->popup(globalPos);
}

// --- Small commands ---------------------------------------------------------------------------

void FinderWindow::ChooseStartFolder() {
    if (auto folder =
            dialogs_.ChooseFolderFor(this, "Select the folder", Location->text().toStdString()))
        Location->setText(QString::fromStdString(*folder));
}

void FinderWindow::ChooseBackgroundColour() {
    PreviewPanel->ChooseBackground(
        [this](const QColor& initial) { return dialogs_.ChooseColor(this, initial); },
        [this](const std::string& text) { ShowError(text); });
}

void FinderWindow::CloseFinder() {
    close();
}

void FinderWindow::OnActivated() {
    ResultsGrid->viewport()->update();
}

void FinderWindow::OnGridMousePressed(const QPoint& point) {
    LastGridPoint = point;
}

bool FinderWindow::HandleGridKey(int key) {
    switch (key) {
        case Qt::Key_Escape:
            if (dialogs_.Ask(this, "Do you want to close Find File window?",
                             ViewerDialogs::Kind::Confirmation,
                             ViewerDialogs::Buttons::YesNo) == ViewerDialogs::Answer::Yes)
                close();
            return true;
        case Qt::Key_Delete:
            DeleteSelectedFile();
            return true;
        case Qt::Key_A:
            if (ShowAboutBox) ShowAboutBox(this);
            return true;
        case Qt::Key_C:
            ShowDocumentSource();
            return true;
        case Qt::Key_P:
            ShowFileProperties();
            return true;
        case Qt::Key_S:
            SaveFileCopy();
            return true;
        default:
            return false;
    }
}
