#include "finder/FinderWindow.h"

#include <unistd.h>

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
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "about/AboutDialog.h"
#include "core/AppTitle.h"
#include "core/Text.h"
#include "htmlview/ScreenCursor.h"
#include "finder/FinderGridModel.h"
#include "finder/FinderTexts.h"
#include "htmlview/HtmlView.h"
#include "imaging/Picture.h"
#include "shell/PropertiesDialog.h"
#include "shell/ShellContextMenu.h"
#include "shell/ShellOpen.h"
#include "viewers/DocumentSourceWindow.h"
#include "viewers/SelectionPrinter.h"
#include "viewers/ViewerDialogs.h"
#include "widgets/DeleteAfterBoxes.h"
#include "widgets/ViewerIcons.h"

// --- Searching --------------------------------------------------------------------------------

void FinderWindow::StartSearch() {
    // Start is reachable while a walk pumps events; a second walk inside the first would mix
    // their rows and totals.
    if (searching_) return;
    ColorBtn->setEnabled(false);
    NextRow = 1;
    FoundBytes = 0;
    FoundCount = 0;
    ResultsModel->ClearCells();
    Searcher->RecurseSubFolders = SubfoldersCheck->isChecked();
    std::string folder = Location->text().toStdString();
    if (folder.empty() || folder.back() != '/') folder += '/';
    Searcher->SearchFile = folder + MaskBox->currentText().toStdString();

    searching_ = true;
    StartBtn->setEnabled(false);
    ResultsGrid->setUpdatesEnabled(false);
    gridPaintClock_.start();
    previewHeld_ = true;
    Searcher->StartSearch();
    ResultsGrid->setUpdatesEnabled(true);
    searching_ = false;
    previewHeld_ = false;
    StartBtn->setEnabled(true);
    if (deleteAfterSearch_) deleteLater();
}

void FinderWindow::PumpDuringSearch() {
    // Every entry lets pending events run, so Stop and Close act at once; the grid, though,
    // is drawn only a few times a second: drawing it for each result costs more than the walk.
    if (searching_ && gridPaintClock_.elapsed() >= 80) {
        ResultsGrid->setUpdatesEnabled(true);
        QCoreApplication::processEvents();
        if (searching_) ResultsGrid->setUpdatesEnabled(false);
        gridPaintClock_.restart();
    } else {
        QCoreApplication::processEvents();
    }
}

void FinderWindow::StopSearch() {
    Searcher->Stop = true;
    FinderClosing = false;
}

void FinderWindow::OnFolderEntered(const std::string& fullPath, const FoundFile&) {
    setWindowTitle(QString::fromStdString("Folder - " + fullPath));
}

void FinderWindow::OnFileFound(const std::string& fullPath, const FoundFile& info) {
    const std::string modified = FinderModifiedText(info.Time, QLocale());
    FoundBytes += info.Size;
    ++FoundCount;
    const std::string size = FinderSizeText(info.Size);
    ++NextRow;
    ResultsModel->SetRowCount(NextRow - 1);
    const int row = NextRow - 1;
    // Filled before it is selected, so that the selection names a file.
    ResultsModel->SetRow(row - 1, {std::to_string(row), fullPath + info.Name, size, modified,
                                  FinderAttrText(info.Attr)});
    SelectRow(row);
}

void FinderWindow::OnSearchFinished(QObject*) {
    if (FinderClosing) return;
    const std::string mask = MaskBox->currentText().toStdString();
    if (GridRowCount() > 1 &&
        IsAnyOf(mask, {"*.bmp", "*.gif", "*.jpg", "*.jpeg", "*.wmf", "*.emf", "*.ico"}))
        ColorBtn->setEnabled(true);
    setWindowTitle(QString::fromStdString(
        std::string(AppTitle) + " - Find File - ( Files Found: " + std::to_string(FoundCount) +
        ", Total Size: " + FinderTotalText(FoundBytes, QLocale()) + ")"));
    // Some locales write long dates: let the time column grow to show them whole.
    const int modifiedWidth = ResultsGrid->columnWidth(3);
    ResultsGrid->resizeColumnToContents(3);
    if (ResultsGrid->columnWidth(3) < modifiedWidth) ResultsGrid->setColumnWidth(3, modifiedWidth);
    // The grid is drawn only now and then during the walk: draw its last rows before the box
    // stops everything, so that the grid agrees with the caption's count.
    ResultsGrid->setUpdatesEnabled(true);
    ResultsGrid->viewport()->repaint();
    // The preview skipped the rows as they came; the last one found is the selected one.
    previewHeld_ = false;
    PreviewSelectedFile();
    dialogs_.Ask(this, "Search Completed", ViewerDialogs::Kind::Information,
                 ViewerDialogs::Buttons::Ok);
}

void FinderWindow::closeEvent(QCloseEvent* event) {
    if (searching_) {
        // The walk is still inside this window's Start handler: end it, say nothing at its
        // end, and let the handler free the window once the walk has returned.
        Searcher->Stop = true;
        FinderClosing = true;
        deleteAfterSearch_ = true;
        setAttribute(Qt::WA_DeleteOnClose, false);
    }
    DeleteAfterBoxes(this);
    event->accept();
}
